// The send routines over a fake port, the text helpers and the receive ring.
#include <gtest/gtest.h>

#include <vector>

#include "console_fixture.h"
#include "link/ReplyFormat.h"

namespace {

using PublicDataTest = ConsoleTest;

void SetCommand(int cmd, const std::vector<uint8_t>& payload) {
    CommandRecord.Cmd = cmd;
    CommandRecord.Len = static_cast<int>(payload.size());
    std::copy(payload.begin(), payload.end(), CommandRecord.Data.begin());
}

TEST_F(PublicDataTest, SendFrameBuildsTheHexCommandLine) {
    struct Row {
        const char* legend;
        int cmd;
        std::vector<uint8_t> payload;
        const char* line;
    } rows[] = {
        // 0x4B + 0x51 + 0x03 = 0x9F; 2 * 0 + 42 characters.
        {"empty payload", 0x0300, {}, "ATKQ4B51000000000000000000030000009F0D0A\r\n"},
        // "#APN#SERVIP": payload sum 0x2FE; header 0x9C + 02 + 02 + 00 + 0B = 0xAB; 0x3A9 -> A9.
        {"parameter query",
         0x0202,
         {0x23, 0x41, 0x50, 0x4E, 0x23, 0x53, 0x45, 0x52, 0x56, 0x49, 0x50},
         "ATKQ4B510000000000000000000202000B2341504E23534552564950A90D0A\r\n"},
        // 0x9C + 03 + A5 + 00 + 03 = 0x147; + 05 + FF + FF = 0x34A -> 4A (the sum wraps to 8 bits).
        {"checksum wraps", 0x03A5, {0x05, 0xFF, 0xFF}, "ATKQ4B5100000000000000000003A5000305FFFF4A0D0A\r\n"},
        // Only the low 16 bits of Cmd travel: 0x10300 goes out as 0300, same line as the first row.
        {"command masked to 16 bits", 0x10300, {}, "ATKQ4B51000000000000000000030000009F0D0A\r\n"},
    };
    for (const auto& r : rows) {
        port.lines.clear();
        SetCommand(r.cmd, r.payload);
        SendFrame();
        ASSERT_EQ(port.lines.size(), 1u) << r.legend;
        EXPECT_EQ(port.lines[0], r.line) << r.legend;
        EXPECT_EQ(port.lines[0].size(), 2 * r.payload.size() + 42) << r.legend;
    }
    EXPECT_EQ(port.errorDeals, 0);
}

TEST_F(PublicDataTest, LargestPayloadFillsTheTextExactly) {
    SetCommand(0x0201, std::vector<uint8_t>(491, 0x41));
    SendFrame();
    ASSERT_EQ(port.lines.size(), 1u);
    const std::string& line = port.lines[0];
    // 2 * 491 + 42 = 1024. Header 0x9C + 02 + 01 + 01 + EB = 0x18B; 491 * 0x41 = 0x7CAB; 0x7E36 -> 36.
    EXPECT_EQ(line.size(), 1024u);
    EXPECT_EQ(line.substr(0, 36), "ATKQ4B51000000000000000000020101EB41");
    EXPECT_EQ(line.substr(line.size() - 10), "41360D0A\r\n");
    EXPECT_TRUE(log.empty());
}

TEST_F(PublicDataTest, OversizePayloadSendsNothingAndLogsOnce) {
    for (int len : {492, 1028, -1}) {
        log.clear();
        CommandRecord.Cmd = 0x0201;
        CommandRecord.Len = len;
        CommandRecord.Text.fill('x');
        SendFrame();
        EXPECT_TRUE(port.lines.empty()) << len;
        EXPECT_EQ(CommandRecord.Text[0], 'x') << len;
        EXPECT_EQ(log, std::vector<std::string>{kSendTooLongLog}) << len;
    }
    EXPECT_EQ(port.attempts, 0);
    EXPECT_EQ(port.errorDeals, 0);
}

TEST_F(PublicDataTest, ClosedPortSendsNothingAndSaysSoOncePerFrame) {
    GlobalData.ComOpen = 0;
    CommandRecord.Text.fill('x');
    SetCommand(0x0300, {});
    SendFrame();
    EXPECT_EQ(port.attempts, 0);
    EXPECT_EQ(CommandRecord.Text[0], 'x');
    EXPECT_EQ(CommandRecord.Text[1023], 'x');
    EXPECT_EQ(log, std::vector<std::string>{kSendPortClosedLog});
}

TEST_F(PublicDataTest, RefusedOrThrowingWriteGoesToSendErrorDeal) {
    SetCommand(0x0300, {});
    port.refuseAll = true;
    SendFrame();
    EXPECT_EQ(port.errorDeals, 1);

    port.refuseAll = false;
    port.throwOnWrite = true;
    SendFrame();
    EXPECT_EQ(port.errorDeals, 2);
}

TEST_F(PublicDataTest, SendLineIsOneWriteAndIgnoresComOpen) {
    GlobalData.ComOpen = 0;
    SendLine("AT");
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0], "AT\r\n");

    SendLine(std::string(510, 'A'));
    ASSERT_EQ(port.lines.size(), 2u);
    EXPECT_EQ(port.lines[1].size(), 512u);

    SendLine(std::string(511, 'A'));
    EXPECT_EQ(port.lines.size(), 2u);
    EXPECT_EQ(log, std::vector<std::string>{kSendTooLongLog});
}

TEST_F(PublicDataTest, SendLineBytewiseWritesOneByteAtATime) {
    GlobalData.ComOpen = 0;
    SendLineBytewise("AT+EGMR=0,7");
    // 11 characters + CR LF = 13 writes of one byte each.
    ASSERT_EQ(port.lines.size(), 13u);
    std::string joined;
    for (const auto& w : port.lines) {
        EXPECT_EQ(w.size(), 1u);
        joined += w;
    }
    EXPECT_EQ(joined, "AT+EGMR=0,7\r\n");
    EXPECT_EQ(port.errorDeals, 0);
}

TEST_F(PublicDataTest, SendLineBytewiseStopsAtTheFirstRefusal) {
    port.refuseAt = 3;
    SendLineBytewise("AT+EGMR=0,7");
    EXPECT_EQ(port.attempts, 3);
    EXPECT_EQ(port.errorDeals, 1);

    port = RecordingPort{};
    SendLineBytewise(std::string(1023, 'A'));
    EXPECT_EQ(port.attempts, 0);
    EXPECT_EQ(log.back(), kSendTooLongLog);
}

TEST_F(PublicDataTest, NoPortInstalledWritesNothingAndDoesNotCrash) {
    SetLinePort(nullptr);
    SetCommand(0x0300, {});
    SendFrame();
    SendLine("AT");
    SendLineBytewise("AT");
    EXPECT_EQ(port.attempts, 0);
}

TEST(TextHelpers, TwoDigitGroupsAndBlanks) {
    for (auto pair : {&MakeHHMM, &MakeTwoDigitPair}) {
        EXPECT_EQ(pair(9, 5), "0905");
        EXPECT_EQ(pair(12, 30), "1230");
        EXPECT_EQ(pair(123, 4), "12304");
        EXPECT_EQ(pair(-5, 3), "-503");  // "-5" is two characters already
    }
    EXPECT_EQ(MakeHHMMHHMM(8, 0, 17, 30), "08001730");
    EXPECT_TRUE(HasNoSpace(""));
    EXPECT_TRUE(HasNoSpace("a\tb"));  // only 0x20 counts as a blank
    EXPECT_FALSE(HasNoSpace("a b"));
    // CC E1 CA BE is "提示" in code page 936; E6 8F 90 E7 A4 BA in UTF-8.
    EXPECT_EQ(GbkToUtf8("\xCC\xE1\xCA\xBE"), "\xE6\x8F\x90\xE7\xA4\xBA");
}

TEST(RecvRingTest, PositionsWrapAfter2000) {
    EXPECT_EQ(RecvRingNext(1), 2);
    EXPECT_EQ(RecvRingNext(1999), 2000);
    EXPECT_EQ(RecvRingNext(2000), 1);
    EXPECT_EQ(RecvRingNext(5000), 1);

    ResetPublicData();
    RecvRing.Count = 1;
    RecvRing.ReadIndex = 2000;
    RecvRingDrop();
    EXPECT_EQ(RecvRing.Count, 0);
    EXPECT_EQ(RecvRing.ReadIndex, 1);
    RecvRingDrop();  // nothing held: nothing changes
    EXPECT_EQ(RecvRing.Count, 0);
    EXPECT_EQ(RecvRing.ReadIndex, 1);
}

TEST(RecvRingTest, PushStoresUntilFullThenDrops) {
    ResetPublicData();
    // From Count 1990 and WriteIndex 1995, 20 bytes: 10 land at 1995..2000 and 1..4, 10 are dropped.
    RecvRing.Count = 1990;
    RecvRing.WriteIndex = 1995;
    int stored = 0;
    for (int i = 0; i < 20; ++i) stored += RecvRingPush(static_cast<uint8_t>(i)) ? 1 : 0;
    EXPECT_EQ(stored, 10);
    EXPECT_EQ(RecvRing.Count, 2000);
    EXPECT_EQ(RecvRing.WriteIndex, 5);
    EXPECT_EQ(RecvRing.Data[1995], 0);
    EXPECT_EQ(RecvRing.Data[2000], 5);
    EXPECT_EQ(RecvRing.Data[1], 6);
    EXPECT_EQ(RecvRing.Data[4], 9);
}

// The writer fills the ring, then the overflow behind it, then counts: {held before, written} -> after.
TEST(RecvRingTest, WriterFillsTheRingThenTheOverflowThenCounts) {
    struct Row {
        const char* legend;
        int ringBefore;
        size_t overflowBefore;
        size_t written;
        int ringAfter;
        size_t overflowAfter;
        uint64_t dropped;
    };
    constexpr size_t kFull = kRecvOverflowLimit;
    for (const Row& row : {
             Row{"fits the ring", 0, 0, 100, 100, 0, 0},
             Row{"the rest waits behind a full ring", 1990, 0, 100, 2000, 90, 0},
             // Room in the ring is first taken by the 10 waiting bytes, then by the 5 new ones.
             Row{"waiting bytes go first", 1000, 10, 5, 1015, 0, 0},
             Row{"behind waiting bytes though the ring has room", 1995, 10, 5, 2000, 10, 0},
             Row{"a full overflow counts the rest", 2000, kFull - 3, 10, 2000, kFull, 7},
             Row{"more than both hold in one write", 0, 0, 2000 + kFull + 64, 2000, kFull, 64},
         }) {
        ResetPublicData();
        RecvRing.Count = row.ringBefore;
        RecvOverflow.Bytes.assign(row.overflowBefore, 0x55);
        const std::vector<uint8_t> bytes(row.written, 0xAA);
        RecvRingWrite(bytes.data(), bytes.size());
        EXPECT_EQ(RecvRing.Count, row.ringAfter) << row.legend;
        EXPECT_EQ(RecvOverflow.Bytes.size(), row.overflowAfter) << row.legend;
        EXPECT_EQ(RecvRingTakeDropped(), row.dropped) << row.legend;
        EXPECT_EQ(RecvRingTakeDropped(), 0u) << row.legend << ": taking the count clears it";
    }
}

TEST(RecvRingTest, BytesLeaveInTheOrderTheyCameAcrossRingAndOverflow) {
    ResetPublicData();
    std::vector<uint8_t> sent(9000);
    for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<uint8_t>(i % 251);
    // Three writes of uneven size; the reader empties the ring part way after the first.
    RecvRingWrite(sent.data(), 2500);
    std::vector<uint8_t> got;
    for (int i = 0; i < 700; ++i) {
        got.push_back(RecvRing.Data[static_cast<size_t>(RecvRing.ReadIndex)]);
        RecvRingDrop();
    }
    RecvRingWrite(sent.data() + 2500, 3);
    RecvRingWrite(sent.data() + 2503, sent.size() - 2503);
    while (RecvRing.Count > 0 || RecvRingRefill() > 0) {
        got.push_back(RecvRing.Data[static_cast<size_t>(RecvRing.ReadIndex)]);
        RecvRingDrop();
    }
    EXPECT_EQ(got, sent);
    EXPECT_EQ(RecvRingTakeDropped(), 0u);
}

}  // namespace
