#include "location/ntp_time.h"

#include <algorithm>
#include <cstring>

namespace geolumen {

namespace {

constexpr uint64_t kFractionScale = 0xFFFFFFFFULL;
constexpr size_t kOriginateOffset = 24;
constexpr size_t kReceiveOffset = 32;
constexpr size_t kTransmitOffset = 40;
constexpr uint8_t kClientHeader = 0x23;  // LI 0, VN 4, mode 3
constexpr uint8_t kModeMask = 0x07;
constexpr uint8_t kModeServer = 4;
constexpr uint8_t kLeapUnsynchronised = 3;

NtpTimestamp TimestampAt(std::span<const uint8_t> packet, size_t offset) {
    NtpTimestamp stamp{};
    std::copy_n(packet.begin() + static_cast<std::ptrdiff_t>(offset), stamp.size(), stamp.begin());
    return stamp;
}

}  // namespace

void ReverseBytes8(NtpTimestamp& bytes) { std::reverse(bytes.begin(), bytes.end()); }

NtpTimestamp FileTimeToNtp(FileTime time) {
    const uint64_t since1900 = time - kFileTime1900;
    const uint64_t seconds = since1900 / kFileTimeUnitsPerSecond;
    const uint64_t fraction =
        (since1900 % kFileTimeUnitsPerSecond) * kFractionScale / kFileTimeUnitsPerSecond;
    const uint64_t value = (seconds << 32) + fraction;
    NtpTimestamp wire{};
    std::memcpy(wire.data(), &value, wire.size());  // little-endian host: reversing gives wire order
    ReverseBytes8(wire);
    return wire;
}

FileTime NtpToFileTime(const NtpTimestamp& wire) {
    NtpTimestamp host = wire;
    ReverseBytes8(host);
    uint64_t value = 0;
    std::memcpy(&value, host.data(), host.size());
    const uint64_t seconds = value >> 32;
    const uint64_t fraction = value & 0xFFFFFFFFULL;
    return kFileTime1900 + seconds * kFileTimeUnitsPerSecond +
           fraction * kFileTimeUnitsPerSecond / kFractionScale;
}

SntpPacket BuildSntpRequest(FileTime now) {
    SntpPacket packet{};
    packet[0] = kClientHeader;
    const NtpTimestamp transmit = FileTimeToNtp(now);
    std::copy(transmit.begin(), transmit.end(), packet.begin() + kTransmitOffset);
    return packet;
}

std::optional<UtcTimeInjection> EvaluateSntpAnswer(std::span<const uint8_t> answer, const SntpPacket& request,
                                                   FileTime receivedAt) {
    if (answer.size() < kSntpPacketSize) return std::nullopt;
    if ((answer[0] & kModeMask) != kModeServer) return std::nullopt;
    if ((answer[0] >> 6) == kLeapUnsynchronised) return std::nullopt;  // the server has no time to give
    // The server copies our transmit time into its originate field: anything else is not our answer.
    const NtpTimestamp originate = TimestampAt(answer, kOriginateOffset);
    if (originate != TimestampAt(request, kTransmitOffset)) return std::nullopt;
    const NtpTimestamp receiveWire = TimestampAt(answer, kReceiveOffset);
    const NtpTimestamp transmitWire = TimestampAt(answer, kTransmitOffset);
    if (transmitWire == NtpTimestamp{}) return std::nullopt;

    const FileTime t1 = NtpToFileTime(originate);
    const FileTime t2 = NtpToFileTime(receiveWire);
    const FileTime t3 = NtpToFileTime(transmitWire);
    const FileTime t4 = receivedAt;
    if (t3 < kFileTime1970 || t3 < t2 || t4 < t1) return std::nullopt;

    // Round-trip delay is the time on our side minus the time the server held the request.
    const uint64_t ourSide = t4 - t1;
    const uint64_t held = t3 - t2;
    const uint64_t delayMs = (ourSide > held ? ourSide - held : 0) / kFileTimeUnitsPerMs;
    const uint64_t spreadMs = std::min<uint64_t>(delayMs, 0xFFFFFFFFULL);

    UtcTimeInjection injection;
    injection.utcMs = (t3 - kFileTime1970) / kFileTimeUnitsPerMs;
    injection.uncertaintyMs = static_cast<uint32_t>(spreadMs >> 1);
    return injection;
}

}  // namespace geolumen
