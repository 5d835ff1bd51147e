#include "platform/cdc_wdm_stream_framer.h"

#include <algorithm>

#include "platform/trace.h"

namespace geolumen {

void CdcWdmStreamFramer::Append(std::span<const std::uint8_t> bytes, Clock::time_point now) {
    if (bytes.empty()) return;
    // Compact before growing, so that what is held stays one partial frame plus the newest read.
    if (start_ != 0) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    lastByte_ = now;
    if (frameLength_ == 0) TraceSkipped(Settle());
}

void CdcWdmStreamFramer::TraceSkipped(std::size_t skipped) {
    if (skipped != 0) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_DEVICE, "%zu bytes skipped: no frame starts there",
                       skipped);
    }
}

std::size_t CdcWdmStreamFramer::Settle() {
    frameLength_ = 0;
    std::size_t skipped = 0;
    while (start_ < bytes_.size()) {
        const StreamFrameCheck check = CheckFront();
        if (check.verdict == StreamFrameCheck::Verdict::kNotAFrame) {
            ++start_;
            ++skipped;
            inStep_ = false;
            continue;
        }
        if (check.verdict == StreamFrameCheck::Verdict::kFrame) frameLength_ = check.length;
        break;
    }
    if (start_ == bytes_.size()) {
        bytes_.clear();
        start_ = 0;
    }
    return skipped;
}

StreamFrameCheck CdcWdmStreamFramer::CheckFront() const {
    using Verdict = StreamFrameCheck::Verdict;
    const auto front = Front();
    const StreamFrameCheck plain = rule_(front, StreamFrameEvidence::kPlain);
    if (plain.verdict == Verdict::kNotAFrame) return plain;
    const StreamFrameCheck full = rule_(front, StreamFrameEvidence::kStrong);
    if (full.verdict == Verdict::kFrame) return full;
    if (!inStep_ && full.verdict == Verdict::kNotAFrame) return full;
    // A good frame inside what this start claims proves it false: its length was spoilt, or it is noise
    // that looks like a header. Kept, it would swallow that frame and more behind it.
    if (StrongFrameWithin(front, plain.length)) return {Verdict::kNotAFrame, 0};
    return inStep_ ? plain : full;
}

bool CdcWdmStreamFramer::StrongFrameWithin(std::span<const std::uint8_t> bytes, std::size_t length) const {
    const std::size_t end = std::min(length, bytes.size());
    for (std::size_t at = 1; at < end; ++at) {
        if (rule_(bytes.subspan(at), StreamFrameEvidence::kStrong).verdict ==
            StreamFrameCheck::Verdict::kFrame)
            return true;
    }
    return false;
}

std::size_t CdcWdmStreamFramer::Take(std::span<std::uint8_t> out) {
    if (frameLength_ == 0) return 0;
    const std::size_t copied = std::min(frameLength_, out.size());
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(start_), copied, out.begin());
    if (copied < frameLength_) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE,
                       "frame of %zu bytes cut to the %zu bytes of the transfer", frameLength_, copied);
    }
    start_ += frameLength_;
    // The next byte follows a frame. One whose length was spoilt leaves its tail or a part of the next
    // frame here; a tail that cannot start a frame is skipped, and one that looks like a start is proved
    // false by the good frame inside it.
    inStep_ = true;
    TraceSkipped(Settle());
    return copied;
}

std::optional<CdcWdmStreamFramer::Clock::time_point> CdcWdmStreamFramer::PartialDeadline() const {
    if (frameLength_ != 0 || Held() == 0) return std::nullopt;
    return lastByte_ + std::chrono::milliseconds(kCdcWdmPartialFrameTimeoutMs);
}

void CdcWdmStreamFramer::DropStalled(Clock::time_point now) {
    const auto deadline = PartialDeadline();
    if (!deadline || now < *deadline) return;
    GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_DEVICE,
                   "partial frame dropped: %zu bytes held, no byte for %d ms", Held(),
                   kCdcWdmPartialFrameTimeoutMs);
    // The start that stalled was a false one or lost its end; a frame may still begin behind it. Every
    // later start has had no byte for as long, so only a frame that is already complete is kept.
    inStep_ = false;
    while (Held() != 0 && frameLength_ == 0) {
        ++start_;
        (void)Settle();
    }
}

}  // namespace geolumen
