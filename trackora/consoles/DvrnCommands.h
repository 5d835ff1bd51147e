// The vehicle-tracker console's command pages (Car, Gun, Debug) as rows of controls and buttons, and the
// lines its tyre-sensor answers (reply 0x8384) give.
//
// Every control of these pages is hidden in the layout; only the build that shows hidden items shows
// them. Buttons whose code is -1 are local actions of the window (the module IMEI and clearing the memo).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"
#include "link/PublicData.h"

struct CommandPage {
    const char* caption;
    std::vector<ControlDecl> controls;
    std::vector<CommandDecl> commands;
};

// Pages 4 to 6 of the console, in page order.
const std::vector<CommandPage>& DvrnCommandPages();

// Controls and buttons the window's own code works with.
inline constexpr char kImeiEdit[] = "Edit1";
inline constexpr char kAutoAddBox[] = "CheckBox1";
inline constexpr char kSetImeiButton[] = "SpeedButton3";
inline constexpr char kReadImeiButton[] = "SpeedButton4";
inline constexpr char kCallBackButton[] = "SpeedButton7";  // "监听回拨": shown, does nothing
inline constexpr char kClearTyreMemoButton[] = "Button5";

// The IMEI after `imei` with its width kept (leading zeros stay); nothing when the text is not a decimal
// number whose successor fits a signed 64-bit integer.
std::optional<std::string> NextImeiText(const std::string& imei);

// A state record holds two bits for each of at most this many tyres.
inline constexpr int kMaxTyres = 24;
// "车胎状态--1:正常|2:异常..." for tyres 1..count (at most kMaxTyres), empty when count is 0.
std::string TyreStateLine(int count, const std::array<uint8_t, 6>& states);
// The memo line of a tyre-sensor answer before any tyre state line; nothing for an unknown answer kind.
std::optional<std::string> TaiYaHeadLine(const TReplyRecord& reply);
// Whether the answer carries a tyre state record (bytes 3..8, Data[2] tyres).
bool TaiYaCarriesStates(const TReplyRecord& reply);
