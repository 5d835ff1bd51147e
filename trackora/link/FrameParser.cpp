#include "link/FrameParser.h"

#include <algorithm>

#include "link/OutputLog.h"

namespace {

constexpr uint8_t kMagicK = 0x4B;
constexpr uint8_t kMagicQ = 0x51;

// The ring byte `offset` places after the read position.
uint8_t Peek(int offset) {
    const int position = (RecvRing.ReadIndex - 1 + offset) % kRecvRingSize + 1;
    return RecvRing.Data[static_cast<size_t>(position)];
}

uint16_t PeekBE16(int offset) { return static_cast<uint16_t>(Peek(offset) << 8 | Peek(offset + 1)); }

void Drop(int count) {
    for (int i = 0; i < count; ++i) RecvRingDrop();
}

// Positions outside the ring (never written by the program, but the ring is a plain record) are put
// back to a state the parser can walk without reading outside Data.
void KeepRingInBounds() {
    if (RecvRing.ReadIndex < 1 || RecvRing.ReadIndex > kRecvRingSize) RecvRing.ReadIndex = 1;
    RecvRing.Count = std::clamp(RecvRing.Count, 0, kRecvRingSize);
}

}  // namespace

bool ParseOneFrame(int32_t& incompleteTicks) {
    KeepRingInBounds();
    for (;;) {
        // Every rejection below frees room, and the waits below must see every byte already received.
        (void)RecvRingRefill();
        if (RecvRing.Count == 0) return false;
        if (Peek(0) != kMagicK) {
            Drop(1);
            continue;
        }
        if (RecvRing.Count < kReplyFrameOverhead) return false;  // wait for more bytes, not counted
        if (Peek(1) != kMagicQ) {
            Drop(1);
            continue;
        }
        const int length = PeekBE16(13);
        if (length > kMaxReplyFrameLength) {
            Drop(1);
            continue;
        }
        if (length + kReplyFrameOverhead > RecvRing.Count) {
            ++incompleteTicks;
            if (incompleteTicks < kIncompleteTickLimit) return false;
            LogLine(kIncompleteFrameLog);
            Drop(1);
            // The next frame start gets its own grace: without this every later frame that arrives
            // over a tick boundary would be taken for an error and eaten byte by byte.
            incompleteTicks = 0;
            continue;
        }
        if (Peek(kReplyFrameOverhead - 2 + length) != 0x0D ||
            Peek(kReplyFrameOverhead - 1 + length) != 0x0A) {
            Drop(1);
            continue;
        }
        TReplyRecord& reply = ReplyRecord;
        for (int i = 0; i < 5; ++i) reply.Header[static_cast<size_t>(i)] = Peek(4 + i);
        reply.Seq = PeekBE16(9);
        reply.Type = PeekBE16(11);
        reply.Len = std::min(length, kReplyDataSize);
        for (int i = 0; i < reply.Len; ++i) reply.Data[static_cast<size_t>(i)] = Peek(15 + i);
        std::fill(reply.Data.begin() + reply.Len, reply.Data.end(), uint8_t{0});
        Drop(length + kReplyFrameOverhead);
        reply.Valid = 1;
        incompleteTicks = 0;
        return true;
    }
}

std::string RecvDroppedLog(uint64_t bytes) {
    return "COM数据接收过快,已丢弃" + std::to_string(bytes) + "字节";
}

int RunReceiverTick(int32_t& incompleteTicks, const std::function<void()>& deliver) {
    int delivered = 0;
    while (ParseOneFrame(incompleteTicks)) {
        ++delivered;
        if (deliver) deliver();
    }
    if (const uint64_t dropped = RecvRingTakeDropped(); dropped > 0) LogLine(RecvDroppedLog(dropped));
    return delivered;
}
