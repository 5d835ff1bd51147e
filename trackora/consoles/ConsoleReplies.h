// What the e-bike and key-fob consoles show for the replies the output window hands them, computed from
// the reply (or the shared records) without any window. Every reply is read through ReplyBytes, so a
// short frame reads zeros past its end.
#pragma once

#include <QDateTime>
#include <array>
#include <optional>
#include <string>

#include "link/PublicData.h"

// The memo line of a g-sensor calibration step (reply 0x831F): step 1 the chip check, step 2 the result
// and its threshold, step 3 the running threshold and vibration count; nothing for any other step.
[[nodiscard]] std::optional<std::string> GSensorStudyLine(const TReplyRecord& reply);

// The wheel level label of reply 0x8332: high when the first byte is 1, else low.
[[nodiscard]] std::string WheelLevelText(const TReplyRecord& reply);

// The MCU monitor's labels: ACC state, ADC sample (high byte first), RF receive count and the PC's time.
using EbikeMonitorTexts = std::array<std::string, 4>;
[[nodiscard]] EbikeMonitorTexts EbikeMonitorLabels(const TReplyRecord& reply, const QDateTime& now);

// The key-fob RF monitor's seven labels: the six RF states in order, with the PC's time as the fourth;
// before any answer they show their captions alone.
inline constexpr std::array<const char*, 7> kRfMonitorCaptions{
    "RF工作状态：",   "当前频道号：",   "有效接收次数：", "当前时间：",
    "接收检测时间：", "自动跳频功能：", "RF工作模式："};
using RfMonitorTexts = std::array<std::string, kRfMonitorCaptions.size()>;
[[nodiscard]] RfMonitorTexts RfMonitorLabels(const TnSysRunInfo& info, const QDateTime& now);
