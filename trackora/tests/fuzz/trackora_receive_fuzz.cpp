// Coverage-guided fuzz target for Trackora's receive path without any window: bytes through the ring's
// writer in pieces, the receiver tick, and the dispatcher with every reply decoder behind it. Built by the
// BUILD_FUZZERS option with clang's libFuzzer.
//
// Input: byte 0 picks the form. Bit 0 clear: the rest is raw serial bytes, pushed in pieces of
// (byte 1 % 64) + 1 bytes with a tick after each piece. Bit 0 set: bytes 1-2 are a reply type and the rest
// the payload of one well-formed frame ("KQ", 2 bytes, 5 header bytes, sequence, type, length, payload,
// checksum, CR LF), so that every decoder is reached often.
#include <QDateTime>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/FrameParser.h"
#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "link/ReplyDispatch.h"
#include "platform/Clock.h"

namespace {

// One tick as the output window's timer runs it; every delivered frame must fit the reply record.
void Tick(std::int32_t& incomplete) {
    (void)RunReceiverTick(incomplete, [] {
        if (ReplyRecord.Len < 0 || ReplyRecord.Len > kReplyDataSize) std::abort();
        DispatchReply(ReplyRecord);
    });
}

void Push(const std::uint8_t* bytes, std::size_t n) {
    RecvRingWrite(bytes, n);
    if (RecvRing.Count < 0 || RecvRing.Count > kRecvRingSize) std::abort();
    if (RecvOverflow.Bytes.size() > kRecvOverflowLimit) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        SetLogSink([](const std::string&) {});
        SetClock([] { return QDateTime(QDate(2024, 12, 8), QTime(9, 5, 3)); });
        return true;
    }();
    (void)ready;
    if (size < 2) return 0;
    ResetPublicData();
    std::int32_t incomplete = 0;
    if ((data[0] & 1) == 0) {
        const std::size_t piece = static_cast<std::size_t>(data[1] % 64) + 1;
        for (std::size_t at = 2; at < size; at += piece) {
            Push(data + at, std::min(piece, size - at));
            Tick(incomplete);
        }
    } else {
        if (size < 3) return 0;
        const std::size_t n = std::min<std::size_t>(size - 3, kMaxReplyFrameLength);
        std::vector<std::uint8_t> frame = {'K',
                                           'Q',
                                           0,
                                           0,
                                           1,
                                           2,
                                           3,
                                           4,
                                           5,
                                           0,
                                           1,
                                           data[1],
                                           data[2],
                                           static_cast<std::uint8_t>(n >> 8),
                                           static_cast<std::uint8_t>(n)};
        frame.insert(frame.end(), data + 3, data + 3 + n);
        frame.insert(frame.end(), {0x00, '\r', '\n'});
        for (std::size_t at = 0; at < frame.size(); at += kRecvRingSize / 2) {
            Push(frame.data() + at, std::min<std::size_t>(kRecvRingSize / 2, frame.size() - at));
            Tick(incomplete);
        }
    }
    // The ticks a frame start may wait, and one more: everything left is taken or given up.
    for (int t = 0; t <= kIncompleteTickLimit + 1; ++t) Tick(incomplete);
    return 0;
}
