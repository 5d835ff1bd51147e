#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/ReplyDispatch.h"
#include "link/ReplyTable.h"
#include "support/LogCapture.h"

namespace {

using Lines = std::vector<std::string>;

TReplyRecord MakeReply(uint16_t type, std::vector<uint8_t> payload, int seq = 1) {
    TReplyRecord reply;
    reply.Valid = 1;
    reply.Seq = seq;
    reply.Type = type;
    reply.Len = static_cast<int32_t>(payload.size());
    for (size_t i = 0; i < payload.size() && i < reply.Data.size(); ++i) reply.Data[i] = payload[i];
    return reply;
}

// The lines a reply adds after its blank line, "DateTime:" line and type line.
class Dispatch : public ::testing::Test {
  protected:
    Lines Body(const TReplyRecord& reply) {
        log.lines.clear();
        DispatchReply(reply);
        EXPECT_GE(log.lines.size(), 3u);
        if (log.lines.size() < 3) return {};
        return Lines(log.lines.begin() + 3, log.lines.end());
    }
    LogCapture log;
};

TEST_F(Dispatch, TypeWithoutARowLogsOnlyItsHeading) {
    DispatchReply(MakeReply(0x8300, {1, 2, 3}, 3));
    EXPECT_EQ(log.lines, (Lines{"", std::string("DateTime:") + kTestClockText + "  NO:3", "8300"}));
    log.lines.clear();
    DispatchReply(MakeReply(0x00AB, {}, 65535));
    EXPECT_EQ(log.lines, (Lines{"", std::string("DateTime:") + kTestClockText + "  NO:65535", "00AB"}));
}

struct LinesCase {
    const char* legend;
    uint16_t type;
    std::vector<uint8_t> payload;
    Lines expected;
};

class DispatchLines : public Dispatch, public ::testing::WithParamInterface<LinesCase> {};

TEST_P(DispatchLines, RowPrintsItsLines) {
    const LinesCase& c = GetParam();
    EXPECT_EQ(Body(MakeReply(c.type, c.payload)), c.expected) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DispatchLines,
    ::testing::Values(
        LinesCase{"opt ok", 0xF000, {}, {"Opt OK"}}, LinesCase{"opt fail", 0xF001, {}, {"Opt Fail"}},
        LinesCase{"unknown command", 0xF002, {}, {"UnKnow Cmd"}},
        // BE16(1,2) = 0x1234 = 4660: high byte first, unlike 0x8100's fields.
        LinesCase{
            "run flags with three positioning commands",
            0x810A,
            {0x01, 0x12, 0x34, 0x00, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C},
            {"有效振动标志：1", "定时上传计时：4660", "WIFI监控标志：0", "SOCK重连标志：1", "当前定位流程：2",
             "定位指令数量：3", "定位指令名称：10", "定位指令名称：11", "定位指令名称：12"}},
        LinesCase{"run flags with no positioning command",
                  0x810A,
                  {0, 0, 0, 0, 0, 0, 0},
                  {"有效振动标志：0", "定时上传计时：0", "WIFI监控标志：0", "SOCK重连标志：0",
                   "当前定位流程：0", "定位指令数量：0"}},
        // Bytes 3-4 are not read; BE16(7,8) = 0x0100 = 256.
        LinesCase{"link flags",
                  0x810B,
                  {0x02, 0x01, 0x00, 0xFF, 0xFF, 0x03, 0x04, 0x01, 0x00},
                  {"平台连接流程：2", "生产测试模式：1", "天线调试模式：0", "当前连接次数：3",
                   "当前循环次数：4", "当前操作计时：256"}},
        LinesCase{"calibration flags keep the trailing blank", 0x8120, {0x0A, 0x1F}, {"校准标志读取:0A 1F "}},
        LinesCase{"calibration flags of an empty payload", 0x8120, {}, {"校准标志读取:"}},
        LinesCase{"hands-free state", 0x8124, {0x07}, {"当前免提状态：7"}},
        LinesCase{"system state prints nothing", 0x8100, std::vector<uint8_t>(96, 0), {}},
        LinesCase{"debug data prints nothing", 0x8113, {1, 2}, {}}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

// Pow and ARFCN fields as the terminal's calibration tool writes them (see the arithmetic below).
std::vector<uint8_t> CalibrationPayload(uint8_t slopeHigh, uint8_t slopeLow) {
    std::vector<uint8_t> p(212, 0);
    const std::string code = "0123456789ABCDEF";
    for (int i = 0; i < 64; ++i)
        p[static_cast<size_t>(i)] = static_cast<uint8_t>(code[static_cast<size_t>(i % 16)]);
    auto be16 = [&](int at, int value) {
        p[static_cast<size_t>(at)] = static_cast<uint8_t>(value >> 8);
        p[static_cast<size_t>(at) + 1] = static_cast<uint8_t>(value);
    };
    be16(64, 256);
    be16(66, 0xFFFF);
    p[68] = slopeHigh;
    p[69] = slopeLow;
    for (int k = 1; k <= 16; ++k) {
        be16(68 + 2 * k, 10 * k);
        be16(100 + 2 * k, 1000 + k);
    }
    for (int k = 1; k <= 13; ++k) {
        be16(131 + 3 * k, 10 * k);
        p[static_cast<size_t>(133 + 3 * k)] = static_cast<uint8_t>(4 * k);
        be16(170 + 3 * k, 512 + k);
        p[static_cast<size_t>(172 + 3 * k)] = static_cast<uint8_t>(8 + k);
    }
    return p;
}

const Lines kCalibrationLines = {
    "BarCode：0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF",
    "AFC-DAC:256",
    "AFC-Slope:1365.33333333333",  // 4096 / 3, 15 significant digits
    "Pow-900:10,20,30,40,50,60,70,80,90,100,110,120,130,140,150,160,",
    "Pow-1800:1001,1002,1003,1004,1005,1006,1007,1008,1009,1010,1011,1012,1013,1014,1015,1016,",
    "Afrnc-900:10,20,30,40,50,60,70,80,90,100,110,120,130,",
    "pLoss-900:0.5,1,1.5,2,2.5,3,3.5,4,4.5,5,5.5,6,6.5,",  // 4k / 8
    "Afrnc-1800:513,514,515,516,517,518,519,520,521,522,523,524,525,",
    "pLoss-1800:1.125,1.25,1.375,1.5,1.625,1.75,1.875,2,2.125,2.25,2.375,2.5,2.625,",  // (8 + k) / 8
};

TEST_F(Dispatch, CalibrationRecordPrintsNineLines) {
    EXPECT_EQ(Body(MakeReply(0x8121, CalibrationPayload(0x00, 0x03))), kCalibrationLines);
}

TEST_F(Dispatch, CalibrationWithZeroSlopeDivisorPrintsTheLabelAlone) {
    const Lines lines = Body(MakeReply(0x8121, CalibrationPayload(0x00, 0x00)));
    Lines expected = kCalibrationLines;
    expected[2] = "AFC-Slope:";
    EXPECT_EQ(lines, expected) << "the other lines print as with a divisor";
}

TEST_F(Dispatch, HexDumpOfAnOverlongLengthStopsAtTheDataField) {
    TReplyRecord reply = MakeReply(0x8120, {});
    reply.Len = 2048;
    const Lines lines = Body(reply);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), std::string("校准标志读取:").size() + 1024 * 3);
}

// 96 bytes laid out as the terminal sends its state, low byte first.
std::vector<uint8_t> SysStatePayload() {
    std::vector<uint8_t> p = {0x05, 0x01, 0x01, 0x00, 0x17, 0x01, 0x01, 0x00, 0x34, 0x12, 0xCD, 0xAB,
                              0x10, 0x0E, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x00, 0x01, 0x01, 0x01,
                              0x05, 0x00, 0x06, 0x00, 0x78, 0x56, 0x34, 0x12, 0x10, 0x27, 0x00, 0x00};
    for (char c : std::string("4600012345678901")) p.push_back(static_cast<uint8_t>(c));
    for (uint8_t b : {0x0A, 0x00, 0x14, 0x00, 0x07, 0x00, 0x03, 0x09, 0x01, 0x02}) p.push_back(b);
    while (p.size() < 94) p.push_back(0xEE);  // bytes 62-93 are not read
    p.push_back(0x25);
    p.push_back(0x00);
    return p;
}

TEST_F(Dispatch, SystemStateFillsSysRunInfoLowByteFirst) {
    SysRunInfo.AtOk = 1;
    SysRunInfo.Imei = "860000000000001";
    SysRunInfo.Imsi = "stale text that is longer than sixteen";
    DispatchReply(MakeReply(0x8100, SysStatePayload()));
    const TnSysRunInfo& s = SysRunInfo;
    EXPECT_EQ(s.SysState, 5);
    EXPECT_EQ(s.SimOk, 1);
    EXPECT_EQ(s.RegOk, 1);
    EXPECT_EQ(s.Defences, 0);
    EXPECT_EQ(s.Csq, 23);
    EXPECT_EQ(s.Acc, 1);
    EXPECT_EQ(s.Power, 1);
    EXPECT_EQ(s.Sleep, 0);
    EXPECT_EQ(s.AreaId, 0x1234);
    EXPECT_EQ(s.CellId, 0xABCD);
    EXPECT_EQ(s.Battery, 3600);  // 0x0E10
    EXPECT_EQ(s.PppTimes, 2);
    EXPECT_EQ(s.SmsSend, 3);
    EXPECT_EQ(s.SmsRec, 4);
    EXPECT_EQ(s.SocketSend, 256);
    EXPECT_EQ(s.SocketReceive, 257);
    EXPECT_EQ(s.CallOut, 5);
    EXPECT_EQ(s.CallIn, 6);
    EXPECT_EQ(s.Mileage, 305419896);  // 0x12345678
    EXPECT_EQ(s.RunTime, 10000);      // 0x2710
    EXPECT_EQ(s.Imsi, "4600012345678901");
    EXPECT_EQ(s.NetNumberB, 10);
    EXPECT_EQ(s.NetNumberA, 20);
    EXPECT_EQ(s.Vibration, 7);
    EXPECT_EQ(s.Band, 3);
    EXPECT_EQ(s.Aux1, 9);
    EXPECT_EQ(s.Aux2, 513);  // 0x0201
    EXPECT_EQ(s.Voltage10, 37);
    EXPECT_EQ(s.AtOk, 1);
    EXPECT_EQ(s.Imei, "860000000000001");
}

// GPS 3 satellites, BeiDou 2 (36 bytes).
const std::vector<uint8_t> kGpsBd = {0x01, 0x01, 0x01, 0x0C, 0x2C, 0x01, 0x5A, 0x00, 0x71, 0x38, 0x07, 0x0C,
                                     0x16, 0x1E, 0x2D, 0x06, 0x18, 0x0C, 0x08, 0x0A, 0x14, 0x1E, 0x03, 0x05,
                                     0x1E, 0x0C, 0x2D, 0x14, 0x26, 0x01, 0x02, 0x02, 0x01, 0x14, 0x03, 0x28};

TEST_F(Dispatch, GpsAndBeiDouStatusFillsGpsInfoManage) {
    EXPECT_TRUE(Body(MakeReply(0x8104, kGpsBd)).empty());
    const TGpsInfoManage& g = GpsInfoManage;
    EXPECT_NE(g.Fixed, 0);
    EXPECT_NE(g.East, 0);
    EXPECT_NE(g.North, 0);
    EXPECT_EQ(g.Hdop10, 12);
    EXPECT_EQ(g.Speed, 300);  // 2C 01, low byte first
    EXPECT_EQ(g.Course, 90);
    EXPECT_EQ(g.LongitudeText, "113.560712");
    EXPECT_EQ(g.LatitudeText, "22.304506");
    EXPECT_EQ(g.DateTime, (std::array<uint8_t, 6>{24, 12, 8, 10, 20, 30}));
    EXPECT_EQ(g.GpsCount, 3);
    // (5,30) (12,45) (20,38) sorted by SNR, strongest first.
    EXPECT_EQ((std::vector<int>{g.GpsPrn[0], g.GpsPrn[1], g.GpsPrn[2]}), (std::vector<int>{12, 20, 5}));
    EXPECT_EQ((std::vector<int>{g.GpsSnr[0], g.GpsSnr[1], g.GpsSnr[2]}), (std::vector<int>{45, 38, 30}));
    EXPECT_EQ(g.CollectTimes, 258);  // bytes 29-30 = 01 02, high byte first
    EXPECT_EQ(g.BdCount, 2);         // byte 25 + 2*3 = 31
    EXPECT_EQ((std::vector<int>{g.BdPrn[0], g.BdPrn[1]}), (std::vector<int>{3, 1}));
    EXPECT_EQ((std::vector<int>{g.BdSnr[0], g.BdSnr[1]}), (std::vector<int>{40, 20}));
}

TEST_F(Dispatch, GpsStatusLeavesBeiDouAlone) {
    GpsInfoManage.BdCount = 7;
    GpsInfoManage.BdPrn[0] = 99;
    DispatchReply(MakeReply(0x8101, std::vector<uint8_t>(kGpsBd.begin(), kGpsBd.begin() + 31)));
    EXPECT_EQ(GpsInfoManage.GpsCount, 3);
    EXPECT_EQ(GpsInfoManage.CollectTimes, 258);
    EXPECT_EQ(GpsInfoManage.BdCount, 7);
    EXPECT_EQ(GpsInfoManage.BdPrn[0], 99);
}

TEST_F(Dispatch, FlagsAreTrueOnlyForOne) {
    std::vector<uint8_t> p(31, 0);
    p[0] = 2;
    p[1] = 0xFF;
    p[2] = 1;
    DispatchReply(MakeReply(0x8101, p));
    EXPECT_EQ(GpsInfoManage.Fixed, 0);
    EXPECT_EQ(GpsInfoManage.East, 0);
    EXPECT_NE(GpsInfoManage.North, 0);
}

struct CountCase {
    const char* legend;
    uint8_t count;
    int collectAt;  // 23 + 2n
};

class DispatchGpsCount : public Dispatch, public ::testing::WithParamInterface<CountCase> {};

TEST_P(DispatchGpsCount, CountsOutsideOneTo23LeaveTheArrays) {
    const CountCase& c = GetParam();
    GpsInfoManage.GpsPrn.fill(77);
    GpsInfoManage.GpsSnr.fill(66);
    std::vector<uint8_t> p(600, 0x11);
    p[22] = c.count;
    p[static_cast<size_t>(c.collectAt)] = 0x12;
    p[static_cast<size_t>(c.collectAt) + 1] = 0x34;
    DispatchReply(MakeReply(0x8101, p));
    EXPECT_EQ(GpsInfoManage.GpsCount, c.count) << c.legend;
    EXPECT_EQ(GpsInfoManage.CollectTimes, 0x1234) << c.legend;
    EXPECT_EQ(GpsInfoManage.GpsPrn[0], 77) << c.legend;
    EXPECT_EQ(GpsInfoManage.GpsSnr[23], 66) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(Rows, DispatchGpsCount,
                         ::testing::Values(CountCase{"count 0 reads bytes 23-24", 0, 23},
                                           CountCase{"count 24 reads bytes 71-72", 24, 71},
                                           CountCase{"count 255 reads bytes 533-534", 255, 533}),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(Dispatch, BeiDouOffsetsFollowTheGpsCount) {
    // n = 2: GPS pairs at 23-26, CollectTimes 27-28, BdCount at 29, first BeiDou pair at 30-31.
    std::vector<uint8_t> p(40, 0);
    p[22] = 2;
    p[23] = 1, p[24] = 10, p[25] = 2, p[26] = 20;
    p[27] = 0x00, p[28] = 0x05;
    p[29] = 1;
    p[30] = 33, p[31] = 44;
    DispatchReply(MakeReply(0x8104, p));
    EXPECT_EQ(GpsInfoManage.CollectTimes, 5);
    EXPECT_EQ(GpsInfoManage.BdCount, 1);
    EXPECT_EQ(GpsInfoManage.BdPrn[0], 33);
    EXPECT_EQ(GpsInfoManage.BdSnr[0], 44);
    EXPECT_EQ(GpsInfoManage.GpsPrn[0], 2) << "sorted: SNR 20 before SNR 10";
}

TEST_F(Dispatch, BeiDouCountOf24LeavesItsArrays) {
    GpsInfoManage.BdPrn.fill(5);
    std::vector<uint8_t> p(80, 9);
    p[22] = 0;
    p[25] = 24;
    DispatchReply(MakeReply(0x8104, p));
    EXPECT_EQ(GpsInfoManage.BdCount, 24);
    EXPECT_EQ(GpsInfoManage.BdPrn[0], 5);
}

class DispatchForward : public Dispatch {
  protected:
    ~DispatchForward() override {
        for (const char* w : {"TfQ7GpsMoni", "TfBrel", "TfDebug", "TfMoni", "TfAppEbike"}) ClearReplyInput(w);
    }
};

TEST_F(DispatchForward, GpsReplyReachesTheRecorderOnlyWhileOpen) {
    int calls = 0;
    int countSeen = -1;
    SetReplyInput("TfQ7GpsMoni.GpsDataInput", [&] {
        ++calls;
        countSeen = GpsInfoManage.GpsCount;  // the record is decoded before the window is told
    });
    DispatchReply(MakeReply(0x8104, kGpsBd));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(countSeen, 3);
    ClearReplyInput("TfQ7GpsMoni");
    GpsInfoManage.GpsCount = 0;
    DispatchReply(MakeReply(0x8101, kGpsBd));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(GpsInfoManage.GpsCount, 3) << "the record updates with the recorder closed";
}

std::vector<uint8_t> Payload(std::vector<uint8_t> head, const std::string& text) {
    head.insert(head.end(), text.begin(), text.end());
    return head;
}

TEST_F(DispatchForward, ParameterReadShowsTheKeyFobBetweenItsLines) {
    size_t linesWhenCalled = 0;
    SetReplyInput("TfBrel.RFMoniInput", [&] { linesWhenCalled = log.lines.size(); });
    // L = 19 = 0x13: "TERIID=123,PULSE=60".
    EXPECT_EQ(Body(MakeReply(0x8202, Payload({0x00, 0x13}, "TERIID=123,PULSE=60"))),
              (Lines{"Read Param Ack Info!!!", "TeriSN:123", "Heart:60"}));
    EXPECT_EQ(linesWhenCalled, 4u) << "heading (2), type line, acknowledgement";
}

TEST_F(DispatchForward, ParameterSetAndAlarmSlots) {
    // L1 = 3 "APN", marker 0x0001, failed "PSW".
    EXPECT_EQ(Body(MakeReply(0x8201, Payload({0x00, 0x03, 'A', 'P', 'N', 0x00, 0x01}, "PSW"))),
              (Lines{"Set Param Ack Info!!!", "SetOK:APN", "PSW"}));
    EXPECT_EQ(Body(MakeReply(0x8211, {})),
              Lines{"闹铃参数查询:\r\n1--关闭\r\n2--关闭\r\n3--关闭\r\n4--关闭\r\n5--关闭\r\n"});
}

TEST_F(DispatchForward, ConsoleCallsSitWhereTheRowsPutThem) {
    size_t monitorCalledAt = 0;
    size_t btCalledAt = 0;
    SetReplyInput("TfAppEbike.MoniDataInput", [&] { monitorCalledAt = log.lines.size(); });
    SetReplyInput("TfMoni.BtDataInput", [&] { btCalledAt = log.lines.size(); });
    EXPECT_EQ(Body(MakeReply(0x835F, {1})), Lines{"MCU数据监控应答"});
    EXPECT_EQ(monitorCalledAt, 3u);  // before its acknowledgement line
    EXPECT_EQ(Body(MakeReply(0x83A4, {0x0A, 0x1F})), (Lines{"BT数据上报", "0A 1F "}));
    EXPECT_EQ(btCalledAt, 5u);  // after both lines
}

TEST_F(DispatchForward, DebugTypesShareOneBody) {
    std::vector<int> types;
    SetReplyInput("TfDebug.DebugDataInput", [&] { types.push_back(ReplyRecord.Type); });
    for (uint16_t type : {0x8110, 0x8116}) {
        ReplyRecord = MakeReply(type, {1});
        EXPECT_TRUE(Body(ReplyRecord).empty());
    }
    EXPECT_EQ(types, (std::vector<int>{0x8110, 0x8116}));
}

TEST_F(DispatchForward, MonitorMethodsAreTold_Apart) {
    std::vector<std::string> calls;
    SetReplyInput("TfMoni.WifiDataInput", [&] { calls.push_back("wifi"); });
    SetReplyInput("TfMoni.ObdDataInput", [&] { calls.push_back("obd"); });
    DispatchReply(MakeReply(0x8105, {'A', 'B', ',', 'C', 'D'}));
    DispatchReply(MakeReply(0x8107, {}));
    EXPECT_EQ(calls, (std::vector<std::string>{"wifi", "obd"}));
    ClearReplyInput("TfMoni");
    DispatchReply(MakeReply(0x8105, {}));
    EXPECT_EQ(calls.size(), 2u) << "closing the window removes all its methods";
}

// Every row of the family with the largest values a frame can carry: all bytes 0xFF (counts 255,
// offsets far into the data field) and a length beyond the data field. Under the sanitizer build a
// read outside ReplyRecord fails here.
TEST_F(Dispatch, RowsStayInsideTheDataFieldWhateverThePayloadSays) {
    for (uint16_t type : {0x8100, 0x8101, 0x8103, 0x8104, 0x8105, 0x8107, 0x810A, 0x810B, 0x8110, 0x8117,
                          0x8120, 0x8121, 0x8124, 0x8201, 0x8202, 0x8211, 0x8213, 0x8215, 0xF000}) {
        TReplyRecord reply = MakeReply(type, std::vector<uint8_t>(kReplyDataSize, 0xFF));
        reply.Len = 2048;
        EXPECT_LE(Body(reply).size(), 256u + 6u) << type;  // 0x810A: six lines and 255 names at most
    }
    EXPECT_EQ(GpsInfoManage.BdCount, 255);
}

}  // namespace
