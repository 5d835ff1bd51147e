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
        const StreamFrameCheck check = rule_(Front());
        if (check.verdict == StreamFrameCheck::Verdict::kNotAFrame) {
            ++start_;
            ++skipped;
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

std::size_t CdcWdmStreamFramer::Take(std::span<std::uint8_t> out) {
    if (frameLength_ == 0) return 0;
    const std::size_t copied = std::min(frameLength_, out.size());
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(start_), copied, out.begin());
    if (copied < frameLength_) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE,
                       "frame of %zu bytes cut to the %zu bytes of the transfer", frameLength_, copied);
    }
    start_ += frameLength_;
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
    while (Held() != 0 && frameLength_ == 0) {
        ++start_;
        (void)Settle();
    }
}

}  // namespace geolumen
