// The decoder fed cut and random bytes: it must return a code, never read or write out of bounds (the
// sanitizer build checks that), and never leave a count above its maximum. Buffers are sized exactly so
// that any overrun lands outside an allocation.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "halyx/location_service.h"
#include "support/halyx_bytes.h"

namespace geolumen {
namespace {

using test::Append;
using test::FullPositionReport;
using test::HexBytes;

const halyx_service_desc* Loc() { return halyx_location_service_desc(2, 6, 4); }

// Every result a decode may give.
bool IsCodecResult(int rc) {
    return rc == 0 || (rc <= kHalyxIdlErrArrayOverflow && rc >= kHalyxIdlErrUnknownTlv);
}

// Decodes `wire` from a buffer of exactly its size into a buffer of exactly the structure's size.
int DecodeExact(std::uint32_t kind, std::uint16_t id, const std::vector<std::uint8_t>& wire,
                std::vector<std::uint8_t>& out) {
    std::uint32_t size = 0;
    if (halyx_message_struct_size(Loc(), kind, id, &size) != 0) return 1;
    out.assign(size, 0xAA);
    const std::vector<std::uint8_t> exact(wire.begin(), wire.end());
    return halyx_decode_tlvs(Loc(), kind, id, exact.empty() ? nullptr : exact.data(),
                             static_cast<std::uint32_t>(exact.size()), out.data(), size);
}

// The counts a successful decode leaves must be within their arrays, strings terminated.
void ExpectWithinBounds(std::uint16_t id, const std::vector<std::uint8_t>& out) {
    if (id == kHalyxLocSatelliteReport) {
        halyx_loc_satellite_report r;
        std::memcpy(&r, out.data(), sizeof r);
        EXPECT_LE(r.satellite_count, kHalyxLocMaxSatellites);
    } else if (id == kHalyxLocNmeaReport) {
        EXPECT_NE(std::memchr(out.data(), 0, out.size()), nullptr);
    }
}

std::vector<std::uint8_t> FullSatelliteReport() {
    auto wire = HexBytes("01 01 00 00 | 10 C1 08 50");  // 1 + 80 x 28 = 0x8C1
    for (int i = 1; i <= 80; ++i)
        Append(wire, test::SatelliteEntry(0xE3, 1, static_cast<std::uint16_t>(i), 45.0f, 180.0f, 38.5f));
    return wire;
}

struct Sample {
    std::uint32_t kind;
    std::uint16_t id;
    std::vector<std::uint8_t> wire;
};

std::vector<Sample> Samples() {
    return {
        {kHalyxKindIndication, kHalyxLocPositionReport, FullPositionReport()},
        {kHalyxKindIndication, kHalyxLocSatelliteReport, FullSatelliteReport()},
        {kHalyxKindIndication, kHalyxLocNmeaReport, HexBytes("01 06 00 24 47 50 47 47 41")},
        {kHalyxKindIndication, kHalyxLocInjectOrbitPart, HexBytes("01 04 00 00 00 00 00 10 02 00 03 00")},
        {kHalyxKindResponse, kHalyxLocStartSession, HexBytes("02 04 00 01 00 17 00")},
        {kHalyxKindRequest, kHalyxLocInjectOrbitPart,
         HexBytes(
             "01 04 00 01 08 00 00 02 02 00 03 00 03 02 00 03 00 04 03 00 01 00 AB 10 04 00 00 00 00 00")},
    };
}

TEST(CodecRobustness, EveryCutOfARealMessageEndsInACode) {
    std::vector<std::uint8_t> out;
    for (const Sample& s : Samples()) {
        ASSERT_EQ(DecodeExact(s.kind, s.id, s.wire, out), 0) << s.id;
        for (std::size_t cut = 0; cut < s.wire.size(); ++cut) {
            const std::vector<std::uint8_t> head(s.wire.begin(), s.wire.begin() + static_cast<long>(cut));
            const int rc = DecodeExact(s.kind, s.id, head, out);
            ASSERT_TRUE(IsCodecResult(rc)) << s.id << " cut " << cut << " rc " << rc;
            if (rc == 0) ExpectWithinBounds(s.id, out);
        }
    }
}

TEST(CodecRobustness, CutInsideASatelliteEntryIsALengthError) {
    const auto wire = FullSatelliteReport();
    std::vector<std::uint8_t> out;
    // Any cut after the count byte (offset 8) and before the end leaves the 0x10 TLV longer than the rest.
    for (std::size_t cut = 8; cut < wire.size(); cut += 13) {
        const std::vector<std::uint8_t> head(wire.begin(), wire.begin() + static_cast<long>(cut));
        EXPECT_EQ(DecodeExact(kHalyxKindIndication, kHalyxLocSatelliteReport, head, out), kHalyxIdlErrLength)
            << cut;
    }
}

TEST(CodecRobustness, FlippedBytesOfRealMessagesEndInACode) {
    std::mt19937 rng(20240611);  // fixed seed: a failure replays
    std::vector<std::uint8_t> out;
    for (const Sample& s : Samples()) {
        for (int round = 0; round < 3000; ++round) {
            auto wire = s.wire;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int f = 0; f < flips; ++f) wire[rng() % wire.size()] = static_cast<std::uint8_t>(rng());
            const int rc = DecodeExact(s.kind, s.id, wire, out);
            ASSERT_TRUE(IsCodecResult(rc)) << s.id << " round " << round;
            if (rc == 0) ExpectWithinBounds(s.id, out);
        }
    }
}

TEST(CodecRobustness, RandomBytesForEveryMessageEndInACode) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> out;
    for (int round = 0; round < 20000; ++round) {
        const std::uint32_t kind = rng() % 3;
        const std::uint16_t id = static_cast<std::uint16_t>(0x20 + rng() % 0x40);
        std::vector<std::uint8_t> wire(rng() % 64);
        for (auto& b : wire) b = static_cast<std::uint8_t>(rng());
        // Small TLV types and lengths more often, so that walks get past the first header.
        if (wire.size() >= 3 && rng() % 2) {
            wire[0] = static_cast<std::uint8_t>(rng() % 0x28);
            wire[1] = static_cast<std::uint8_t>(rng() % wire.size());
            wire[2] = 0;
        }
        const int rc = DecodeExact(kind, id, wire, out);
        ASSERT_TRUE(rc == 1 || IsCodecResult(rc)) << round;  // 1: no such message of that kind
        if (rc == 0) ExpectWithinBounds(id, out);
    }
}

}  // namespace
}  // namespace geolumen
