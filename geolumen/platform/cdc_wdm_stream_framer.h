#pragma once
// Cuts whole frames out of the byte stream of a CDC WDM character device. The kernel driver keeps no
// message boundaries: one read can hold part of a frame, several frames, or a frame and the start of the
// next. The framer keeps the bytes of a partial frame until its length is complete, hands out every
// complete frame in order, skips bytes that cannot start a frame, and drops a partial frame whose bytes
// stop coming.
//
// One bad byte must cost one frame, not the frames behind it. In step with the stream (at its start, and
// right behind a frame taken) a start that the layout's plain rule accepts is a frame, as the layers
// above expect of a frame read in step. Once bytes were skipped, a start counts only on strong evidence:
// a byte of the right value inside a body, followed by a plausible length, would otherwise swallow the
// good frames behind it. A start without strong evidence is also false when a frame with strong evidence
// begins inside what it claims and is complete in the bytes held (the module's frames come whole in a
// read); the search then goes on at the byte after that start.
//
// Its contract: a frame handed out is exactly the bytes the rule accepted, never more; bytes before the
// first possible frame start are dropped (and traced), never handed out; the bytes held never exceed one
// partial frame plus one read; a frame with strong evidence that comes whole in one read is never lost
// to bytes in front of it that are not one.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace geolumen {

// What the bytes at the start of the stream are.
struct StreamFrameCheck {
    enum class Verdict : std::uint8_t {
        kNeedMore,   // the start of a frame whose header or body is not complete yet
        kFrame,      // a complete frame of `length` bytes
        kNotAFrame,  // no frame can start at the first byte
    };
    Verdict verdict = Verdict::kNeedMore;
    // kFrame: the frame's length. kNeedMore: the length its header claims, 0 while that is not known.
    std::size_t length = 0;
};

// How much a start must show to count as a frame.
enum class StreamFrameEvidence : std::uint8_t {
    kPlain,   // the layout's own rule: what the layers above would take as a frame
    kStrong,  // every header field the way the device sends it and the body whole: what noise never makes
};

// The rule of one frame layout; looks only at the bytes given. With kStrong it says kNotAFrame as soon as
// the bytes given contradict the evidence, and kFrame only for a complete frame.
using StreamFrameRule = StreamFrameCheck (*)(std::span<const std::uint8_t> bytes,
                                             StreamFrameEvidence evidence);

// A partial frame whose next byte has not come for this long is dropped. The module writes a response in
// one go and the pieces of one frame follow each other within a few milliseconds; at one report a second,
// a quarter of a second without a byte means the rest is lost, and dropping it then keeps the next report
// from being swallowed as its body.
inline constexpr int kCdcWdmPartialFrameTimeoutMs = 250;

class CdcWdmStreamFramer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit CdcWdmStreamFramer(StreamFrameRule rule) : rule_(rule) {}

    // Bytes read from the device at `now`.
    void Append(std::span<const std::uint8_t> bytes, Clock::time_point now);
    // Whether a complete frame waits.
    [[nodiscard]] bool HasFrame() const { return frameLength_ != 0; }
    // Hands out the oldest complete frame: copies min(frame, out) bytes and returns the copied count;
    // 0 when no frame is complete. A frame longer than `out` loses its end.
    [[nodiscard]] std::size_t Take(std::span<std::uint8_t> out);
    // When the partial frame held is dropped if no byte comes; none when no partial frame is held.
    [[nodiscard]] std::optional<Clock::time_point> PartialDeadline() const;
    // Drops a partial frame that stalled until `now`; the frames that its bytes still hold are kept.
    void DropStalled(Clock::time_point now);
    // Bytes held (partial frame and complete frames not handed out yet).
    [[nodiscard]] std::size_t Held() const { return bytes_.size() - start_; }

  private:
    // Skips what cannot start a frame and notes whether the front frame is complete; the bytes skipped.
    [[nodiscard]] std::size_t Settle();
    // The verdict on the start at the front, by the evidence the stream's state asks for.
    [[nodiscard]] StreamFrameCheck CheckFront() const;
    // Whether a complete frame with strong evidence begins within the first `length` bytes of `bytes`
    // (after the first one).
    [[nodiscard]] bool StrongFrameWithin(std::span<const std::uint8_t> bytes, std::size_t length) const;
    static void TraceSkipped(std::size_t skipped);
    [[nodiscard]] std::span<const std::uint8_t> Front() const {
        return std::span<const std::uint8_t>(bytes_).subspan(start_);
    }

    StreamFrameRule rule_;
    std::vector<std::uint8_t> bytes_;
    std::size_t start_ = 0;        // first byte not handed out or dropped
    std::size_t frameLength_ = 0;  // length of the complete frame at the front; 0: none
    bool inStep_ = true;           // the front follows a frame taken (or is the stream's start)
    Clock::time_point lastByte_{};
};

}  // namespace geolumen
