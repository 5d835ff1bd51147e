// Byte helpers for message-stack tests: hand-written hex frames and structure fills.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace geolumen::test {

// "01 0A ff" -> {0x01, 0x0A, 0xFF}; blanks and '|' separate nothing and are ignored.
inline std::vector<std::uint8_t> HexBytes(std::string_view text) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (const char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (v < 0) {
            if (c == ' ' || c == '|' || c == '\n') continue;
            throw std::invalid_argument("bad hex text");
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd hex digit count");
    return out;
}

// Appends b to a.
inline void Append(std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
}

// Clears every byte, padding included, so whole-structure comparisons are exact. (Filled in place: a
// structure returned by value need not keep its padding bytes.)
template <class T>
void Zero(T& t) {
    std::memset(&t, 0, sizeof t);
}

// Fills every byte with 0xAA, so a decoder that leaves any byte unwritten shows it.
template <class T>
void Poison(T& t) {
    std::memset(&t, 0xAA, sizeof t);
}

}  // namespace geolumen::test
