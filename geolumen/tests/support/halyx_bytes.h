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

// A final position report with every TLV the driver reads: 115 payload bytes.
inline std::vector<std::uint8_t> FullPositionReport() {
    return HexBytes(
        "01 04 00 00 00 00 00 |"                          // status 0
        "02 01 00 01 |"                                   // session id 1
        "10 08 00 00 00 00 00 00 10 48 40 |"              // latitude 48.125
        "11 08 00 00 00 00 00 00 00 27 C0 |"              // longitude -11.5 (sign bit set)
        "12 04 00 00 00 A0 40 |"                          // error radius 5.0 = 0x40A00000
        "18 04 00 00 00 C0 3F |"                          // speed 1.5 = 0x3FC00000
        "1A 04 00 00 00 0C 44 |"                          // altitude 560.0 = 1.09375 x 2^9
        "1B 04 00 00 00 00 44 |"                          // altitude 512.0
        "1C 04 00 00 00 00 41 |"                          // vertical 8.0
        "20 04 00 00 00 B4 42 |"                          // heading 90.0 = 1.40625 x 2^6
        "22 04 00 00 00 40 40 |"                          // deviation 3.0
        "23 04 00 05 00 00 00 |"                          // technology mask 5
        "24 0C 00 00 00 00 40 00 00 A0 3F 00 00 C0 3F |"  // PDOP 2.0, HDOP 1.25, VDOP 1.5
        "25 08 00 00 68 E5 CF 8B 01 00 00");              // UTC 1700000000000
}

// The request to delete the assistance data of the 32 satellites of system 1 (ids 1-32) and of system 5
// (ids 65-96), with options 0x7FFFF, 1023 and 2047: 481 payload bytes.
inline std::vector<std::uint8_t> DeletePerSatelliteRequest() {
    // TLV 0x10: u8 count 0x40 + 64 entries of 7 bytes (u16 id, u32 system, u8) = 449 = 0x1C1.
    auto wire = HexBytes("01 01 00 00 | 10 C1 01 40");
    for (int i = 0; i < 64; ++i) {
        const int id = i < 32 ? 1 + i : 65 + (i - 32);
        const int system = i < 32 ? 1 : 5;
        Append(wire, {static_cast<std::uint8_t>(id), 0, static_cast<std::uint8_t>(system), 0, 0, 0, 0});
    }
    Append(wire, HexBytes("11 08 00 FF FF 07 00 00 00 00 00 | 12 04 00 FF 03 00 00 | 13 04 00 FF 07 00 00"));
    return wire;  // 4 + 452 + 11 + 7 + 7 = 481
}

// One 28-byte satellite entry on the wire.
inline std::vector<std::uint8_t> SatelliteEntry(std::uint32_t mask, std::uint32_t system, std::uint16_t id,
                                                float elevation, float azimuth, float snr) {
    std::vector<std::uint8_t> e;
    auto put = [&e](const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        e.insert(e.end(), b, b + n);
    };
    put(&mask, 4);
    put(&system, 4);
    put(&id, 2);
    Append(e, {0, 0, 0, 0, 0, 0});  // u8, u32, u8
    put(&elevation, 4);
    put(&azimuth, 4);
    put(&snr, 4);
    return e;
}

}  // namespace geolumen::test
