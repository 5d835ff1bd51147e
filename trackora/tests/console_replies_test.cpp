// The console replies decoded without a window: the g-sensor calibration lines, the wheel level, the
// e-bike MCU monitor and the key-fob RF monitor. Short frames carry stale bytes past Len, so a decoder
// that reads beyond its frame shows it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "consoles/ConsoleReplies.h"
#include "reply_test_util.h"

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(8, 5, 9));

TEST(ConsoleReplies, GSensorCalibrationLines) {
    const struct {
        std::string payload;
        std::optional<std::string> line;
    } rows[] = {
        {Bytes({1, 1}), "芯片通信正常，开始校准......"},
        {Bytes({1, 0}), "芯片通信异常，已退出!!!!!!"},
        {Bytes({1}), "芯片通信异常，已退出!!!!!!"},  // the missing byte reads 0, not the stale one
        {Bytes({2, 1, 200}), "芯片校准成功!阀值为：200"},
        {Bytes({2, 7, 0}), "芯片校准失败!检测阀值为：0"},
        {Bytes({2, 1}), "芯片校准成功!阀值为：0"},
        {Bytes({3, 12, 255}), "校准过程,当前阀值：12振动次数：255"},
        {Bytes({3}), "校准过程,当前阀值：0振动次数：0"},
        {Bytes({0, 1, 2}), std::nullopt},
        {Bytes({4, 1, 2}), std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(GSensorStudyLine(MakeReply(0x831F, row.payload)), row.line) << row.payload.size();
    }
}

TEST(ConsoleReplies, WheelLevel) {
    const struct {
        std::string payload;
        const char* text;
    } rows[] = {
        {Bytes({1}), "当前车轮转换值：高"},
        {Bytes({0}), "当前车轮转换值：低"},
        {Bytes({2}), "当前车轮转换值：低"},
        {"", "当前车轮转换值：低"},  // the stale byte past Len is not a level
    };
    for (const auto& row : rows) EXPECT_EQ(WheelLevelText(MakeReply(0x8332, row.payload)), row.text);
}

TEST(ConsoleReplies, EbikeMonitorLabels) {
    const struct {
        std::string payload;
        EbikeMonitorTexts texts;
    } rows[] = {
        {Bytes({1, 0x01, 0x02, 9}),
         {"ACC状态：开", "ADC采样值：258", "RF接收次数：9", "时间：26-03-07 08-05-09"}},
        {Bytes({0, 0xFF, 0xFF, 255}),
         {"ACC状态：关", "ADC采样值：65535", "RF接收次数：255", "时间：26-03-07 08-05-09"}},
        {Bytes({1, 0x12}), {"ACC状态：开", "ADC采样值：4608", "RF接收次数：0", "时间：26-03-07 08-05-09"}},
        {"", {"ACC状态：关", "ADC采样值：0", "RF接收次数：0", "时间：26-03-07 08-05-09"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(EbikeMonitorLabels(MakeReply(0x835F, row.payload), kNow), row.texts) << row.payload.size();
    }
}

TEST(ConsoleReplies, RfMonitorLabels) {
    TnSysRunInfo info;
    info.RfStatus = {"\xD5\xFD\xB3\xA3", "41", "17", "45", "1", ""};  // the first in CP936: "正常"
    const RfMonitorTexts expected{
        "RF工作状态：正常", "当前频道号：41",  "有效接收次数：17", "当前时间：26-03-07 08:05:09",
        "接收检测时间：45", "自动跳频功能：1", "RF工作模式："};
    EXPECT_EQ(RfMonitorLabels(info, kNow), expected);
}

}  // namespace
