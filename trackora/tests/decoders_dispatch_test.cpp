// The list and device decoders as the dispatcher runs them: heading, type line, the row's lines, and
// the windows' input methods at their place among the lines.
#include <gtest/gtest.h>

#include "link/OutputLog.h"
#include "link/ReplyDispatch.h"
#include "platform/Clock.h"
#include "reply_test_util.h"

namespace {

class DecodersThroughDispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        SetClock([] { return QDateTime(QDate(2024, 12, 8), QTime(9, 5, 3)); });
        SetLogSink([this](const std::string& line) { log.push_back(line); });
    }
    void TearDown() override {
        SetLogSink(nullptr);
        SetClock(nullptr);
        for (const char* w : {"TfBrel", "TfAppEbike", "TfMoni"}) ClearReplyInput(w);
    }
    TReplyRecord Reply(int type, const std::string& payload) {
        TReplyRecord r = MakeReply(type, payload);
        r.Seq = 7;
        return r;
    }
    ReplyLines log;
    const std::string heading = "DateTime:2024/12/8 9:05:03  NO:7";
};

TEST_F(DecodersThroughDispatch, ParameterQueryAfterTheKeyFobConsole) {
    size_t logWhenCalled = 0;
    SetReplyInput("TfBrel.RFMoniInput", [&] { logWhenCalled = log.size(); });
    // L = 19 = 0x13: "TERIID=123,PULSE=60".
    DispatchReply(Reply(0x8202, Bytes({0x00, 0x13}) + "TERIID=123,PULSE=60"));
    EXPECT_EQ(log, (ReplyLines{"", heading, "8202", "Read Param Ack Info!!!", "TeriSN:123", "Heart:60"}));
    EXPECT_EQ(logWhenCalled, 4u);  // after the acknowledgement, before the parameter lines
}

TEST_F(DecodersThroughDispatch, ParameterSetAndAlarmSlots) {
    // L1 = 3 "APN", marker 0x0001, failed "PSW".
    DispatchReply(Reply(0x8201, Bytes({0x00, 0x03}) + "APN" + Bytes({0x00, 0x01}) + "PSW"));
    EXPECT_EQ(log, (ReplyLines{"", heading, "8201", "Set Param Ack Info!!!", "SetOK:APN", "PSW"}));
    log.clear();
    DispatchReply(Reply(0x8211, ""));
    EXPECT_EQ(log, (ReplyLines{"", heading, "8211",
                               "闹铃参数查询:\r\n1--关闭\r\n2--关闭\r\n3--关闭\r\n4--关闭\r\n5--关闭\r\n"}));
}

TEST_F(DecodersThroughDispatch, ConsoleCallsSitWhereTheRowsPutThem) {
    size_t monitorCalledAt = 0;
    size_t btCalledAt = 0;
    SetReplyInput("TfAppEbike.MoniDataInput", [&] { monitorCalledAt = log.size(); });
    SetReplyInput("TfMoni.BtDataInput", [&] { btCalledAt = log.size(); });
    DispatchReply(Reply(0x835F, Bytes({1})));
    EXPECT_EQ(log, (ReplyLines{"", heading, "835F", "MCU数据监控应答"}));
    EXPECT_EQ(monitorCalledAt, 3u);  // before its acknowledgement line
    log.clear();
    DispatchReply(Reply(0x83A4, Bytes({0x0A, 0x1F})));
    EXPECT_EQ(log, (ReplyLines{"", heading, "83A4", "BT数据上报", "0A 1F "}));
    EXPECT_EQ(btCalledAt, 5u);  // after both lines
}

}  // namespace
