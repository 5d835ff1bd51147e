// The multiplex frame layout as a stream rule, for the CDC WDM back end's framer.
#include "halyx/halyx_client.h"
#include "halyx/halyx_ctl.h"
#include "halyx/halyx_mux.h"

namespace geolumen {

namespace {

using Verdict = StreamFrameCheck::Verdict;

constexpr std::size_t kServiceByte = 4;
constexpr std::size_t kClientByte = 5;
constexpr std::size_t kTlvHeaderSize = 3;

std::size_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::size_t>(b[at] | (b[at + 1] << 8));
}

// The inner header of the frame's service: its size, where its body length sits, and what its first byte
// (the kind or type) may be in a message from the module.
struct InnerLayout {
    std::size_t headerSize;
    std::size_t lengthAt;  // from the frame's start
    std::uint8_t kinds[2];
};

constexpr InnerLayout kControlLayout{
    kHalyxCtlHeaderSize, kHalyxMuxHeaderSize + 4, {kHalyxCtlKindResponse, kHalyxCtlKindIndication}};
constexpr InnerLayout kLocationLayout{
    kHalyxMessageHeaderSize, kHalyxMuxHeaderSize + 5, {kHalyxMsgResponse, kHalyxMsgIndication}};

// Whether the client id fits the service: 0 for the control service; for the location service the id
// the control service gave, or any single client before one is held (its answer travels on service 0).
bool KnownClient(std::uint8_t service, std::uint8_t client) {
    if (service == kHalyxControlService) return client == 0;
    const std::uint8_t held = halyx_location_client_id();
    if (held != 0) return client == held;
    return client != 0 && client != kHalyxBroadcastClient;
}

// TLVs fill the area exactly: each has its 3 header bytes and its whole value.
bool TlvsFill(std::span<const std::uint8_t> area) {
    std::size_t at = 0;
    while (at < area.size()) {
        if (area.size() - at < kTlvHeaderSize) return false;
        const std::size_t length = Le16(area, at + 1);
        at += kTlvHeaderSize;
        if (area.size() - at < length) return false;
        at += length;
    }
    return true;
}

// Strong evidence on top of a start the plain rule did not refuse, `length` its claimed length.
StreamFrameCheck StrongCheck(std::span<const std::uint8_t> bytes, std::size_t length) {
    const StreamFrameCheck needMore{Verdict::kNeedMore, length};
    if (bytes.size() <= kClientByte) return needMore;
    const std::uint8_t service = bytes[kServiceByte];
    if (service != kHalyxControlService && service != kHalyxLocationService) return {Verdict::kNotAFrame, 0};
    if (!KnownClient(service, bytes[kClientByte])) return {Verdict::kNotAFrame, 0};
    const InnerLayout& inner = service == kHalyxControlService ? kControlLayout : kLocationLayout;
    const std::size_t bodyAt = kHalyxMuxHeaderSize + inner.headerSize;
    if (length < bodyAt) return {Verdict::kNotAFrame, 0};
    if (bytes.size() <= kHalyxMuxHeaderSize) return needMore;
    const std::uint8_t kind = bytes[kHalyxMuxHeaderSize];
    if (kind != inner.kinds[0] && kind != inner.kinds[1]) return {Verdict::kNotAFrame, 0};
    if (bytes.size() < inner.lengthAt + 2) return needMore;
    if (bodyAt + Le16(bytes, inner.lengthAt) != length) return {Verdict::kNotAFrame, 0};
    if (bytes.size() < length) return needMore;
    if (!TlvsFill(bytes.subspan(bodyAt, length - bodyAt))) return {Verdict::kNotAFrame, 0};
    return {Verdict::kFrame, length};
}

}  // namespace

StreamFrameCheck halyx_mux_frame_check(std::span<const std::uint8_t> bytes, StreamFrameEvidence evidence) {
    if (bytes.empty()) return {Verdict::kNeedMore, 0};
    if (bytes[0] != 0x01) return {Verdict::kNotAFrame, 0};
    if (bytes.size() < 3) return {Verdict::kNeedMore, 0};
    const std::size_t length = 1 + Le16(bytes, 1);
    if (length < kHalyxMuxHeaderSize || length > kHalyxMaxReceive) return {Verdict::kNotAFrame, 0};
    if (bytes.size() > kServiceByte && bytes[kServiceByte] >= kHalyxServiceCount)
        return {Verdict::kNotAFrame, 0};
    if (evidence == StreamFrameEvidence::kStrong) return StrongCheck(bytes, length);
    if (bytes.size() < length) return {Verdict::kNeedMore, length};
    return {Verdict::kFrame, length};
}

}  // namespace geolumen
