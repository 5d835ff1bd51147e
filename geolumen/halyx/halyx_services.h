#pragma once
// The service numbers the driver speaks: the multiplex header's service byte and the number in a service's
// description are the same value.
#include <cstdint>

namespace geolumen {

inline constexpr std::uint8_t kHalyxControlService = 0x00;
inline constexpr std::uint8_t kHalyxLocationService = 0x10;

}  // namespace geolumen
