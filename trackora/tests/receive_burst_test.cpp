// Replies that come faster than the receiver's tick, end to end: a terminal on a pseudo-terminal answers
// through the port manager's own handlers, and every reply must reach the log once and in order; a flood
// that the program cannot take must say how much it lost and leave the program working.
#include <QRegularExpression>
#include <map>
#include <numeric>

#include "link/FrameParser.h"
#include "program_fixture.h"

namespace {

// The terminal's replies in a mix of sizes: mostly acknowledgements (18 bytes), every tenth a state
// report (96 payload bytes, 114 in all), every tenth from the fifth on a GPS report (30 bytes, 48).
std::vector<uint8_t> ReplyFor(uint16_t seq) {
    if (seq % 10 == 0) return TerminalSim::ReplyFrame(seq, 0x8100, std::vector<uint8_t>(96, 0x11));
    if (seq % 10 == 5) {
        const std::vector<uint8_t> gps = {0x01, 0x01, 0x01, 0x0C, 0x2C, 0x01, 0x5A, 0x00, 0x71, 0x38,
                                          0x07, 0x0C, 0x16, 0x1E, 0x2D, 0x06, 0x18, 0x0C, 0x08, 0x0A,
                                          0x14, 0x1E, 0x01, 0x05, 0x1E, 0x00, 0x07, 0x01, 0x03, 0x28};
        return TerminalSim::ReplyFrame(seq, 0x8104, gps);
    }
    return TerminalSim::ReplyFrame(seq, 0xF000, {});
}

// Replies first..last back to back, with the size of each by its sequence number.
struct Stream {
    std::vector<uint8_t> bytes;
    std::map<int, size_t> sizes;
};
Stream Replies(uint16_t first, uint16_t last, std::vector<uint8_t> (*make)(uint16_t) = ReplyFor) {
    Stream stream;
    for (uint32_t seq = first; seq <= last; ++seq) {
        const std::vector<uint8_t> frame = make(static_cast<uint16_t>(seq));
        stream.bytes.insert(stream.bytes.end(), frame.begin(), frame.end());
        stream.sizes[static_cast<int>(seq)] = frame.size();
    }
    return stream;
}

std::vector<uint8_t> Ack(uint16_t seq) { return TerminalSim::ReplyFrame(seq, 0xF000, {}); }

std::vector<int> Range(int first, int last) {
    std::vector<int> seqs(static_cast<size_t>(last - first + 1));
    std::iota(seqs.begin(), seqs.end(), first);
    return seqs;
}

size_t Held() { return static_cast<size_t>(RecvRing.Count) + RecvOverflow.Bytes.size(); }

class ReceiveBurst : public ProgramOnPty {
  protected:
    ReceiveBurst() {
        OpenPort();
        // The port's 100 ms read interval only decides where chunks end; the tests do not wait it out.
        fComManage->Comm1->SetReadIntervalTimeout(2);
    }

    // One receiver tick; the sequence numbers of the replies it logged, and its dropped-bytes lines' counts.
    struct TickResult {
        std::vector<int> seqs;
        std::vector<uint64_t> dropped;
        int errors = 0;
    };
    TickResult ReceiverTick() {
        static const QRegularExpression droppedLine(QStringLiteral("^COM数据接收过快,已丢弃(\\d+)字节$"));
        TickResult result;
        for (const std::string& line : Tick()) {
            if (line.rfind(heading, 0) == 0) result.seqs.push_back(std::stoi(line.substr(heading.size())));
            const auto match = droppedLine.match(QString::fromStdString(line));
            if (match.hasMatch()) result.dropped.push_back(match.captured(1).toULongLong());
            if (line == kIncompleteFrameLog) ++result.errors;
        }
        return result;
    }
    // Sends bytes and runs the program until `held` bytes wait in the ring and its overflow.
    bool ArriveUntilHeld(const std::vector<uint8_t>& bytes, size_t held) {
        return sim.Send(bytes) && WaitUntil([&] { return Held() == held; });
    }
};

// 40 replies a second for 10 s, four times what one reply per tick would take: 100 ticks of 100 ms driven
// by hand, each after the bytes of its 100 ms have arrived. The bytes are cut evenly, not at frame
// boundaries, so replies straddle ticks.
TEST_F(ReceiveBurst, FortyRepliesASecondForTenSecondsAreEachLoggedOnceInOrder) {
    constexpr int kTicks = 100;
    const Stream stream = Replies(1, 400);
    const size_t slice = stream.bytes.size() / kTicks;
    std::vector<int> logged;
    size_t sent = 0;
    size_t taken = 0;  // bytes of the replies logged so far
    for (int tick = 0; tick < kTicks; ++tick) {
        const size_t end = tick + 1 == kTicks ? stream.bytes.size() : sent + slice;
        const std::vector<uint8_t> piece(stream.bytes.begin() + static_cast<long>(sent),
                                         stream.bytes.begin() + static_cast<long>(end));
        sent = end;
        ASSERT_TRUE(ArriveUntilHeld(piece, sent - taken)) << "tick " << tick << ", held " << Held();
        const TickResult result = ReceiverTick();
        EXPECT_TRUE(result.dropped.empty()) << "tick " << tick;
        EXPECT_EQ(result.errors, 0) << "tick " << tick;
        for (int seq : result.seqs) {
            logged.push_back(seq);
            taken += stream.sizes.at(seq);
        }
        // Whatever is left is less than the next reply: every complete one went out in this tick.
        if (logged.size() < stream.sizes.size()) {
            EXPECT_LT(Held(), stream.sizes.at(static_cast<int>(logged.size()) + 1)) << "tick " << tick;
        }
    }
    EXPECT_EQ(logged, Range(1, 400));
    EXPECT_EQ(Held(), 0u);
}

// 2,000 replies at once, thirty times what the ring holds: one tick logs them all.
TEST_F(ReceiveBurst, TwoThousandRepliesInOneBurstAreLoggedInTheNextTick) {
    const Stream stream = Replies(1, 2000);
    ASSERT_GT(stream.bytes.size(), 30u * kRecvRingSize);
    ASSERT_TRUE(ArriveUntilHeld(stream.bytes, stream.bytes.size())) << Held();
    const TickResult result = ReceiverTick();
    EXPECT_EQ(result.seqs, Range(1, 2000));
    EXPECT_TRUE(result.dropped.empty());
    EXPECT_EQ(result.errors, 0);
    EXPECT_EQ(Held(), 0u);
    EXPECT_EQ(SysRunInfo.Csq, 0x11) << "the last state report was decoded";
}

// A terminal that sends far more than the program takes: the main thread is busy sending the whole flood,
// so beyond what the receive path may hold everything is lost, and the log says how much, once a tick.
TEST_F(ReceiveBurst, AFloodBeyondWhatThePathHoldsGivesTheDroppedBytesLineAndTheProgramRecovers) {
    constexpr uint16_t kFrames = 40000;  // 720,000 bytes, over five times what the path holds
    const Stream stream = Replies(1, kFrames, Ack);
    ASSERT_TRUE(sim.Send(stream.bytes));
    ASSERT_TRUE(WaitUntil([] { return Held() >= kReceiveInboxLimit; }));
    Settle(50);  // the last reads of the flood

    std::vector<int> logged;
    uint64_t dropped = 0;
    // Enough ticks to work off all that was kept and to give up the reply the loss cut in two.
    for (int tick = 0; tick < kIncompleteTickLimit + 3; ++tick) {
        const TickResult result = ReceiverTick();
        EXPECT_LE(result.dropped.size(), 1u) << "tick " << tick;
        for (uint64_t n : result.dropped) dropped += n;
        logged.insert(logged.end(), result.seqs.begin(), result.seqs.end());
        Settle(5);
    }
    EXPECT_LT(Held(), 18u) << "at most the head of a reply the loss cut, waiting for the rest";
    EXPECT_GT(dropped, stream.bytes.size() / 2);
    EXPECT_LE(dropped + logged.size() * 18, stream.bytes.size()) << "a lost byte is counted once";
    // The first inbox's worth came through whole; after it, whatever was logged is still in order.
    const int whole = static_cast<int>(kReceiveInboxLimit / 18);
    ASSERT_GE(logged.size(), static_cast<size_t>(whole));
    EXPECT_EQ(std::vector<int>(logged.begin(), logged.begin() + whole), Range(1, whole));
    EXPECT_TRUE(std::is_sorted(logged.begin(), logged.end()));
    EXPECT_EQ(std::adjacent_find(logged.begin(), logged.end()), logged.end()) << "no reply twice";

    // The flood is over: the next reply is logged, at the latest once the parser has given up a cut head
    // before it.
    ASSERT_TRUE(ArriveUntilHeld(Ack(7), Held() + 18));
    std::vector<int> after;
    for (int tick = 0; tick < kIncompleteTickLimit && after.empty(); ++tick) after = ReceiverTick().seqs;
    EXPECT_EQ(after, std::vector<int>{7});
    EXPECT_EQ(Held(), 0u);
}

}  // namespace
