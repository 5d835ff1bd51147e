#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/FrameParser.h"
#include "support/LogCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// F: Seq 7, Type F000, Len 0. Checksum 0x4B+0x51+1+2+3+4+5+0x07+0xF0 = 0x1A2 -> A2.
const Bytes kFrameF = {0x4B, 0x51, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05,
                       0x00, 0x07, 0xF0, 0x00, 0x00, 0x00, 0xA2, 0x0D, 0x0A};
// G: Seq 9, Type F001, Len 4, payload AA BB CC DD; no byte after the first is 0x4B (22 bytes).
const Bytes kFrameG = {0x4B, 0x51, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x00, 0x09,
                       0xF0, 0x01, 0x00, 0x04, 0xAA, 0xBB, 0xCC, 0xDD, 0xB7, 0x0D, 0x0A};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// kFrameF with some bytes replaced: {position, value}.
Bytes PatchedF(std::initializer_list<std::pair<size_t, uint8_t>> changes) {
    Bytes frame = kFrameF;
    for (const auto& [at, value] : changes) frame[at] = value;
    return frame;
}

class FrameParser : public ::testing::Test {
  protected:
    void Push(const Bytes& bytes) {
        for (uint8_t b : bytes) ASSERT_TRUE(RecvRingPush(b));
    }
    bool Tick() { return ParseOneFrame(incomplete); }

    LogCapture log;
    int32_t incomplete = 0;
};

struct OneTickCase {
    const char* legend;
    Bytes ring;
    bool delivered;
    int seq;  // of the delivered frame
    int countAfter;
};

class FrameParserOneTick : public FrameParser, public ::testing::WithParamInterface<OneTickCase> {};

TEST_P(FrameParserOneTick, DeliversOrRejectsSilently) {
    const OneTickCase& c = GetParam();
    ReplyRecord.Seq = 99;  // a rejected candidate must not touch the last good reply
    Push(c.ring);
    EXPECT_EQ(Tick(), c.delivered) << c.legend;
    EXPECT_EQ(RecvRing.Count, c.countAfter) << c.legend;
    EXPECT_EQ(ReplyRecord.Seq, c.delivered ? c.seq : 99) << c.legend;
    EXPECT_TRUE(log.lines.empty()) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameParserOneTick,
    ::testing::Values(
        OneTickCase{"a lone frame", kFrameF, true, 7, 0},
        // 4B 00: K without Q; 00; 4B 4B: K followed by K, twice: four single drops, then F.
        OneTickCase{"garbage before a frame", Join({{0x4B, 0x00, 0x4B, 0x4B}, kFrameF}), true, 7, 0},
        OneTickCase{"two frames: the first only per call", Join({kFrameF, PatchedF({{10, 8}})}), true, 7, 18},
        // 08 01 = 2049: the K is dropped, then the 17 others (no K among them).
        OneTickCase{"length above 2048", PatchedF({{13, 0x08}, {14, 0x01}}), false, 0, 0},
        OneTickCase{"CR LF missing", PatchedF({{17, 0x0B}}), false, 0, 0},
        OneTickCase{"checksum is not verified", PatchedF({{15, 0x00}}), true, 7, 0},
        // At 0 the length field reads F0 00 (61440): dropped; 51 dropped; F starts at byte 2.
        OneTickCase{"frame inside a rejected start", Join({{0x4B, 0x51}, kFrameF}), true, 7, 0},
        OneTickCase{"fewer than 18 bytes wait", Bytes(kFrameF.begin(), kFrameF.begin() + 17), false, 0, 17}),
    [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(FrameParser, FramesAreTakenOnePerCallWithTheirFields) {
    ReplyRecord.Data.fill(0xAA);
    Push(Join({kFrameG, kFrameF}));
    ASSERT_TRUE(Tick());
    EXPECT_EQ(ReplyRecord.Valid, 1);
    EXPECT_EQ(ReplyRecord.Header, (std::array<uint8_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReplyRecord.Seq, 9);
    EXPECT_EQ(ReplyRecord.Type, 0xF001);
    EXPECT_EQ(ReplyRecord.Len, 4);
    EXPECT_EQ(ReplyRecord.Data[0], 0xAA);
    EXPECT_EQ(ReplyRecord.Data[3], 0xDD);
    EXPECT_EQ(ReplyRecord.Data[4], 0x00) << "bytes beyond Len are cleared, not left from an earlier reply";
    ASSERT_TRUE(Tick());
    EXPECT_EQ(ReplyRecord.Seq, 7);
    EXPECT_EQ(ReplyRecord.Len, 0);
    EXPECT_EQ(ReplyRecord.Data[0], 0x00) << "length 0 leaves an empty payload";
    EXPECT_FALSE(Tick());
}

TEST_F(FrameParser, FrameCompletedTwoTicksLaterIsDeliveredQuietly) {
    Push(Bytes(kFrameG.begin(), kFrameG.begin() + 20));
    EXPECT_FALSE(Tick());
    EXPECT_FALSE(Tick());
    EXPECT_EQ(incomplete, 2);
    Push(Bytes(kFrameG.begin() + 20, kFrameG.end()));
    ASSERT_TRUE(Tick());
    EXPECT_EQ(ReplyRecord.Type, 0xF001);
    EXPECT_EQ(incomplete, 0);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(FrameParser, FrameStillIncompleteAtTheThirdTickIsAnErrorAndTheNextGetsItsOwnGrace) {
    Push(Bytes(kFrameG.begin(), kFrameG.begin() + 20));
    EXPECT_FALSE(Tick());
    EXPECT_FALSE(Tick());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_FALSE(Tick());
    EXPECT_EQ(log.lines, std::vector<std::string>{"COM数据接收错误,已进行出错处理"});
    EXPECT_EQ(RecvRing.Count, 0) << "the 19 bytes after the K hold no K and go in the same tick";
    Push(Bytes(kFrameG.begin(), kFrameG.begin() + 20));
    EXPECT_FALSE(Tick());
    EXPECT_EQ(log.lines.size(), 1u) << "a frame arriving over a tick boundary is not eaten";
    Push(Bytes(kFrameG.begin() + 20, kFrameG.end()));
    EXPECT_TRUE(Tick());
}

TEST_F(FrameParser, LongestLengthCanNeverCompleteAndEndsAsAnError) {
    // 08 00 = 2048 passes the length check but 2066 bytes never fit the 2000-byte ring.
    Push(PatchedF({{13, 0x08}, {14, 0x00}}));
    EXPECT_FALSE(Tick());
    EXPECT_FALSE(Tick());
    EXPECT_FALSE(Tick());
    EXPECT_EQ(log.lines, std::vector<std::string>{"COM数据接收错误,已进行出错处理"});
}

TEST_F(FrameParser, FrameLongerThanTheDataFieldIsCutTo1024) {
    // Len 1030 = 0x0406: the payload counts 0, 1, 2, ... (low 8 bits); 1048 bytes in all.
    Bytes frame = {0x4B, 0x51, 0, 0, 1, 2, 3, 4, 5, 0x00, 0x05, 0x81, 0x20, 0x04, 0x06};
    for (int i = 0; i < 1030; ++i) frame.push_back(static_cast<uint8_t>(i));
    frame.insert(frame.end(), {0x00, 0x0D, 0x0A});
    Push(Join({frame, kFrameF}));
    ASSERT_TRUE(Tick());
    EXPECT_EQ(ReplyRecord.Len, 1024);
    EXPECT_EQ(ReplyRecord.Data[1023], 0xFF);  // 1023 = 3 * 256 + 255
    EXPECT_EQ(RecvRing.Count, 18) << "every byte of the long frame leaves the ring";
    ASSERT_TRUE(Tick());
    EXPECT_EQ(ReplyRecord.Seq, 7);
}

TEST_F(FrameParser, FrameAcrossTheRingEndIsRead) {
    // Start 10 bytes before the end of the ring so the frame wraps from position 2000 to 1.
    RecvRing.ReadIndex = RecvRing.WriteIndex = kRecvRingSize - 9;
    Push(kFrameG);
    ASSERT_TRUE(Tick());
    EXPECT_EQ(ReplyRecord.Data[3], 0xDD);
    EXPECT_EQ(RecvRing.ReadIndex, 13);  // 1991 + 22 = 2013 -> position 13
}

// A frame as the terminal sends it: "KQ", 2 bytes, header 01..05, seq, type F000, the length, `length`
// payload bytes 0x55 (no "K" among them), a checksum byte (never verified), CR LF.
Bytes Reply(uint16_t seq, uint16_t length = 0) {
    Bytes frame = {0x4B, 0x51, 0, 0, 1, 2, 3, 4, 5};
    frame.insert(frame.end(), {static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq), 0xF0, 0x00});
    frame.insert(frame.end(), {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    frame.insert(frame.end(), length, 0x55);
    frame.insert(frame.end(), {0x00, 0x0D, 0x0A});
    return frame;
}

Bytes Replies(uint16_t first, uint16_t last) {
    Bytes all;
    for (uint32_t seq = first; seq <= last; ++seq) {
        const Bytes frame = Reply(static_cast<uint16_t>(seq));
        all.insert(all.end(), frame.begin(), frame.end());
    }
    return all;
}

std::vector<std::string> Delivered(int first, int last) {
    std::vector<std::string> seqs;
    for (int seq = first; seq <= last; ++seq) seqs.push_back("#" + std::to_string(seq));
    return seqs;
}

// Receiver ticks over the ring writer: before each tick some bytes arrive; a tick's events are the
// delivered frames ("#seq") and the log lines, in the order they happened.
struct TickRow {
    const char* legend;
    std::vector<Bytes> arrivals;  // one per tick
    std::vector<std::vector<std::string>> events;
};

TEST(ReceiverTick, DeliversEveryCompleteFrameInOrderAndSaysWhatWasLost) {
    const Bytes cutG(kFrameG.begin(), kFrameG.begin() + 20);
    const std::string lost = "COM数据接收过快,已丢弃100字节";
    const std::vector<TickRow> rows = {
        {"two frames go in the same tick", {Join({Reply(1), Reply(2)})}, {Delivered(1, 2)}},
        {"a burst ten times the ring goes in one tick", {Replies(1, 1200)}, {Delivered(1, 1200)}},
        // 1990 zeros and a 118-byte frame: its tail waits in the overflow while the zeros are dropped.
        {"a frame whose tail waits behind the ring is not taken for incomplete",
         {Join({Bytes(1990, 0x00), Reply(3, 100)})},
         {{"#3"}}},
        // Len 1983: 2001 bytes can never be in the 2000-byte ring at once, though all of them are here.
        {"a frame longer than the ring fails at the third tick, the next is delivered",
         {Join({Reply(4, 1983), Reply(5)}), {}, {}},
         {{}, {}, {kIncompleteFrameLog, "#5"}}},
        {"an incomplete frame behind delivered ones counts once per tick",
         {Join({Reply(1), cutG}), {}, {}},
         {{"#1"}, {}, {kIncompleteFrameLog}}},
        {"bytes beyond ring and overflow are reported once, in the next tick",
         {Bytes(kRecvRingSize + kRecvOverflowLimit + 100, 0x00), Reply(6)},
         {{lost}, {"#6"}}},
        // Room for 5 bytes of reply 7 ("KQ", 0, 0, 1), its other 13 lost. Behind them reply 8 reads as a
        // length of 0x0500 (its bytes 5 and 0 at offsets 13-14): incomplete for three ticks, then the
        // error line and, five single drops later, reply 8 itself.
        {"a frame cut by the loss is resynchronised past",
         {Join({Bytes(kRecvRingSize + kRecvOverflowLimit - 5, 0x00), Reply(7)}), Reply(8), {}, {}},
         {{"COM数据接收过快,已丢弃13字节"}, {}, {}, {kIncompleteFrameLog, "#8"}}},
    };
    for (const TickRow& row : rows) {
        LogCapture capture;
        std::vector<std::string> events;
        SetLogSink([&events](const std::string& line) { events.push_back(line); });
        int32_t incomplete = 0;
        for (size_t tick = 0; tick < row.arrivals.size(); ++tick) {
            events.clear();
            RecvRingWrite(row.arrivals[tick].data(), row.arrivals[tick].size());
            const int delivered = RunReceiverTick(
                incomplete, [&events] { events.push_back("#" + std::to_string(ReplyRecord.Seq)); });
            EXPECT_EQ(events, row.events[tick]) << row.legend << ", tick " << tick;
            EXPECT_EQ(delivered, std::count_if(events.begin(), events.end(),
                                               [](const std::string& e) { return e[0] == '#'; }))
                << row.legend;
        }
        EXPECT_EQ(RecvRing.Count + RecvOverflow.Bytes.size(), 0u) << row.legend << ": nothing left";
    }
}

}  // namespace
