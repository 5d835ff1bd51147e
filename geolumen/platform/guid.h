// 128-bit identifiers of interfaces, classes, property sets and the sensor's persistent id, with the
// brace-enclosed text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" the device store keeps.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace geolumen {

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;

inline constexpr GUID GUID_NULL{};

// Parses exactly the 38-character brace-enclosed form; hex digits of either case. Anything else -> nullopt.
[[nodiscard]] std::optional<GUID> ParseGuid(std::string_view text);

// Formats as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case digits.
[[nodiscard]] std::string FormatGuid(const GUID& guid);

// A fresh random identifier (version 4 layout), for ids created on first use.
[[nodiscard]] GUID NewGuid();

// Orders identifiers so they can key ordered maps.
struct GuidLess {
    [[nodiscard]] bool operator()(const GUID& a, const GUID& b) const;
};

}  // namespace geolumen
