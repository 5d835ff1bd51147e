// The 0x81 family reads its payload the way every other family does: what lies behind Len is never
// shown, however the record got there, and a short frame decodes its missing bytes as 0.
#include <gtest/gtest.h>

#include "reply_test_util.h"

namespace {

TEST(Replies81Bounds, BytesBehindLenAreNeverRead) {
    // 0x810A with three bytes: vibration flag 1, upload timer 0x0102 = 258; flags, step and the count of
    // instruction names are missing and read 0, so no name line follows (stale 0xAA would give 170 names).
    EXPECT_EQ(RunRow(MakeReply(0x810A, Bytes({1, 0x01, 0x02}))),
              (ReplyLines{"有效振动标志：1", "定时上传计时：258", "WIFI监控标志：0", "SOCK重连标志：0",
                          "当前定位流程：0", "定位指令数量：0"}));

    // 0x8124 with no payload: the state is 0, not the stale 170.
    EXPECT_EQ(RunRow(MakeReply(0x8124, "")), (ReplyLines{"当前免提状态：0"}));

    // 0x8100 with only the state byte: every other field is 0 and the IMSI holds no stale characters.
    SysRunInfo = TnSysRunInfo{};
    SysRunInfo.Battery = 77;
    (void)RunRow(MakeReply(0x8100, Bytes({5})));
    EXPECT_EQ(SysRunInfo.SysState, 5);
    EXPECT_EQ(SysRunInfo.Battery, 0);
    EXPECT_EQ(SysRunInfo.Voltage10, 0);
    EXPECT_EQ(SysRunInfo.Imsi, std::string(16, '\0'));

    // 0x8101 cut after the count byte n = 2: the pairs and the sample counter read 0.
    GpsInfoManage = TGpsInfoManage{};
    std::string gps(23, '\0');
    gps[22] = 2;
    (void)RunRow(MakeReply(0x8101, gps));
    EXPECT_EQ(GpsInfoManage.GpsCount, 2);
    EXPECT_EQ(GpsInfoManage.GpsPrn[0], 0);
    EXPECT_EQ(GpsInfoManage.GpsSnr[1], 0);
    EXPECT_EQ(GpsInfoManage.CollectTimes, 0);
}

}  // namespace
