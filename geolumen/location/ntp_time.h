#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "location/file_time.h"

namespace geolumen {

using NtpTimestamp = std::array<uint8_t, 8>;
using SntpPacket = std::array<uint8_t, 48>;

inline constexpr size_t kSntpPacketSize = 48;

void ReverseBytes8(NtpTimestamp& bytes);

// Wire form: big-endian seconds since 1900, then a big-endian fraction. The fraction is scaled by
// 2^32 - 1 both ways, as the module's servers have always been fed; the error is below a nanosecond.
[[nodiscard]] NtpTimestamp FileTimeToNtp(FileTime time);
[[nodiscard]] FileTime NtpToFileTime(const NtpTimestamp& wire);

// Client request: leap indicator 0, version 4, mode 3, and our transmit time, nothing else.
[[nodiscard]] SntpPacket BuildSntpRequest(FileTime now);

struct UtcTimeInjection {
    uint64_t utcMs = 0;
    uint32_t uncertaintyMs = 0;
};

// Checks one answer against the request we sent and computes what to inject: the server's transmit
// time, and half the round-trip delay as uncertainty. Nothing for anything that is not the server's
// answer to exactly this request.
[[nodiscard]] std::optional<UtcTimeInjection> EvaluateSntpAnswer(std::span<const uint8_t> answer,
                                                                 const SntpPacket& request,
                                                                 FileTime receivedAt);

}  // namespace geolumen
