#pragma once

#include <chrono>
#include <cstdint>

namespace geolumen {

// File time: 100-ns units since 1601-01-01 00:00 UTC, the unit the module's time arithmetic uses.
using FileTime = uint64_t;

inline constexpr uint64_t kFileTimeUnitsPerSecond = 10'000'000;
inline constexpr uint64_t kFileTimeUnitsPerMs = 10'000;
// 1601-01-01 to 1900-01-01: 109207 days of 86400 s.
inline constexpr FileTime kFileTime1900 = 94'354'848'000'000'000ULL;
// 1601-01-01 to 1970-01-01: 134774 days of 86400 s.
inline constexpr FileTime kFileTime1970 = 116'444'736'000'000'000ULL;

// Milliseconds since 1970. A time before 1970 gives 0 rather than wrapping around to a far future.
[[nodiscard]] constexpr uint64_t UnixMsFromFileTime(FileTime time) {
    return time < kFileTime1970 ? 0 : (time - kFileTime1970) / kFileTimeUnitsPerMs;
}

// The current system time as a file time.
[[nodiscard]] inline FileTime SystemFileTimeNow() {
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return kFileTime1970 + static_cast<uint64_t>(since1970.count() / 100);
}

}  // namespace geolumen
