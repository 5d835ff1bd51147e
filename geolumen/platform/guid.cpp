#include "platform/guid.h"

#include <cstdio>
#include <random>
#include <tuple>

namespace geolumen {
namespace {

constexpr std::size_t kGuidTextLength = 38;  // braces + 32 digits + 4 dashes

[[nodiscard]] int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos]; false on any non-digit.
[[nodiscard]] bool ReadHex(std::string_view text, std::size_t pos, int digits, std::uint64_t& out) {
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = HexValue(text[pos + static_cast<std::size_t>(i)]);
        if (v < 0) return false;
        out = (out << 4) | static_cast<std::uint64_t>(v);
    }
    return true;
}

}  // namespace

std::optional<GUID> ParseGuid(std::string_view text) {
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}') return std::nullopt;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
    GUID g;
    std::uint64_t v = 0;
    if (!ReadHex(text, 1, 8, v)) return std::nullopt;
    g.Data1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 10, 4, v)) return std::nullopt;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 15, 4, v)) return std::nullopt;
    g.Data3 = static_cast<std::uint16_t>(v);
    // Data4: two bytes before the last dash, six after it.
    constexpr std::size_t kByteStart[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteStart[i], 2, v)) return std::nullopt;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

std::string FormatGuid(const GUID& g) {
    char buf[kGuidTextLength + 1];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return std::string(buf, kGuidTextLength);
}

GUID NewGuid() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    const std::uint64_t hi = engine();
    const std::uint64_t lo = engine();
    GUID g;
    g.Data1 = static_cast<std::uint32_t>(hi >> 32);
    g.Data2 = static_cast<std::uint16_t>(hi >> 16);
    g.Data3 = static_cast<std::uint16_t>((hi & 0x0FFFu) | 0x4000u);  // version 4
    for (std::size_t i = 0; i < 8; ++i) g.Data4[i] = static_cast<std::uint8_t>(lo >> (56 - 8 * i));
    g.Data4[0] = static_cast<std::uint8_t>((g.Data4[0] & 0x3Fu) | 0x80u);  // variant 1
    return g;
}

bool GuidLess::operator()(const GUID& a, const GUID& b) const {
    return std::tie(a.Data1, a.Data2, a.Data3, a.Data4) < std::tie(b.Data1, b.Data2, b.Data3, b.Data4);
}

}  // namespace geolumen
