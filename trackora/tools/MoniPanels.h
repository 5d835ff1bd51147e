// What the monitor window shows, computed from the shared records and the replies without any window:
// the system labels, the six GPS bars and their labels, the OBD fields, and the Wi-Fi and Bluetooth
// scan rows. Every reply is read through ReplyBytes, so nothing past min(Len, 1024) is looked at.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/PublicData.h"
#include "tools/ToolForm.h"

// The state name of SysState ("System Status: ..."), nothing above the table's last entry (39).
[[nodiscard]] std::optional<std::string> SysStateText(int state);
// "Band:" + the band name, or "Band:" alone for a value the table does not know.
[[nodiscard]] std::string BandText(int band);
// "SIM IMSI:" + the IMSI bytes as text.
[[nodiscard]] std::string ImsiText(const TnSysRunInfo& info);
// Every system label but the IMSI (kept by the window for its history); the state label only when the
// state has a name.
[[nodiscard]] LabelTexts SysRunInfoLabels(const TnSysRunInfo& info);

// Height of a full bar, which stands for a signal of kFullBarSignal or more.
constexpr int kBarFullHeight = 150;
constexpr int kFullBarSignal = 60;
constexpr int kGpsBarCount = 6;
constexpr uint32_t kBarEmptyRgb = 0xFFFFFF;
constexpr uint32_t kBarFixedRgb = 0x00FF00;
constexpr uint32_t kBarSearchingRgb = 0x0000FF;

struct GpsBar {
    int height = kBarFullHeight;
    int top = 0;  // bars grow upwards from the bottom of their frame
    uint32_t rgb = kBarEmptyRgb;
    std::string prn = "00";
    std::string snr = "00";
    bool operator==(const GpsBar&) const = default;
};
using GpsBars = std::array<GpsBar, kGpsBarCount>;

// Bar k shows satellite k of the arrays (strongest first); a signal above kFullBarSignal keeps the
// bar full instead of growing out of its frame.
[[nodiscard]] GpsBars BuildGpsBars(const TGpsInfoManage& gps);
// The text labels of the GPS panel (Label15 ... Label22, Label41).
[[nodiscard]] LabelTexts GpsLabels(const TGpsInfoManage& gps);

// The 45 OBD labels (Label119 ... Label163) of reply 0x8107, and their captions before any reply.
[[nodiscard]] LabelTexts ObdLabels(const TReplyRecord& reply);
[[nodiscard]] LabelTexts ObdCaptions();

constexpr int kScanRowsShown = 8;

// A scan panel's heading labels and the texts of its rows (at most kScanRowsShown).
struct ScanView {
    LabelTexts heads;
    std::vector<std::string> rows;
};

struct WifiEntry {
    std::string name;
    std::string signal;
    std::string address;
};
// Hotspot name, signal and address of one "name|signal|address" entry. With one "|" the address is what
// follows it and the signal is empty; with none the whole entry is the name.
[[nodiscard]] WifiEntry SplitWifiEntry(const std::string& entry);
// The Wi-Fi panel for the "&"-separated scan text of reply 0x8105 (UTF-8), stamped with `now`.
[[nodiscard]] ScanView WifiScanView(const std::string& text, const std::string& now);
// The scan text of reply 0x8105: its payload bytes as text.
[[nodiscard]] std::string WifiScanText(const TReplyRecord& reply);
// The Bluetooth panel of reply 0x83A4, stamped with `now`. A device record is shown only when the
// reply carries all of it.
[[nodiscard]] ScanView BtScanView(const TReplyRecord& reply, const std::string& now);
