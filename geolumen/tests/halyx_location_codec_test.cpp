// Requests the driver sends and indications it handles, against frames written out by hand.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "halyx/location_service.h"
#include "support/halyx_bytes.h"

namespace geolumen {
namespace {

using test::Append;
using test::FullPositionReport;
using test::HexBytes;
using test::Poison;
using test::SatelliteEntry;
using test::Zero;

const halyx_service_desc* Loc() { return halyx_location_service_desc(2, 6, 4); }

// Request `id` encoded from `msg`; empty when the encoder fails.
template <class T>
std::vector<std::uint8_t> Encoded(std::uint16_t id, const T& msg) {
    std::vector<std::uint8_t> out(2300, 0xEE);
    std::uint32_t len = 0;
    const int rc = halyx_encode_tlvs(Loc(), kHalyxKindRequest, id, &msg, out.data(),
                                     static_cast<std::uint32_t>(out.size()), &len);
    EXPECT_EQ(rc, 0) << id;
    out.resize(rc == 0 ? len : 0);
    return out;
}

// Encodes `msg`, expects `wire` exactly, then decodes `wire` back and expects `msg` byte for byte.
template <class T>
void ExpectRoundTrip(std::uint16_t id, const T& msg, const std::vector<std::uint8_t>& wire) {
    EXPECT_EQ(Encoded(id, msg), wire);
    std::uint32_t maxLen = 0;
    ASSERT_EQ(halyx_max_encoded_length(Loc(), kHalyxKindRequest, id, &maxLen), 0);
    EXPECT_LE(wire.size(), maxLen);
    T back;
    Poison(back);
    ASSERT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindRequest, id, wire.data(),
                                static_cast<std::uint32_t>(wire.size()), &back, sizeof back),
              0);
    EXPECT_EQ(std::memcmp(&back, &msg, sizeof msg), 0);
}

// The same for a `T` cleared to zero, padding included, then filled by `fill`.
template <class T, class Fill>
void ExpectRoundTrip(std::uint16_t id, Fill fill, const char* wire) {
    SCOPED_TRACE(wire);
    T m;
    Zero(m);
    fill(m);
    ExpectRoundTrip(id, m, HexBytes(wire));
}

TEST(LocationRequests, SmallRequests) {
    // 3 + 8 = 11 bytes, the message's longest encoding.
    ExpectRoundTrip<halyx_loc_register_events_req>(
        kHalyxLocRegisterEvents, [](auto& m) { m.event_mask = 0x73; }, "01 08 00 73 00 00 00 00 00 00 00");
    ExpectRoundTrip<halyx_loc_stop_session_req>(
        kHalyxLocStopSession, [](auto& m) { m.session_id = 1; }, "01 01 00 01");
    // 1700000000000 = 0x0000018BCFE56800, 5000 = 0x1388.
    ExpectRoundTrip<halyx_loc_utc_time_req>(
        kHalyxLocInjectUtcTime,
        [](auto& m) {
            m.utc_ms = 1700000000000ull;
            m.uncertainty_ms = 5000;
        },
        "01 08 00 00 68 E5 CF 8B 01 00 00 | 02 04 00 88 13 00 00");
    ExpectRoundTrip<halyx_loc_delete_assist_req>(
        kHalyxLocDeleteAssistData, [](auto& m) { m.delete_all = 1; }, "01 01 00 01");
    // The requests of the opening.
    ExpectRoundTrip<halyx_loc_request_4a>(
        kHalyxLocRequest4A, [](auto& m) { m.value = 2; }, "01 04 00 02 00 00 00");
    ExpectRoundTrip<halyx_loc_request_54>(
        kHalyxLocRequest54,
        [](auto& m) {
            m.option_10_valid = 1;
            m.option_10 = 1;
        },
        "10 01 00 01");
    ExpectRoundTrip<halyx_loc_request_55>(
        kHalyxLocRequest55, [](auto& m) { m.value = 2; }, "01 08 00 02 00 00 00 00 00 00 00");
}

TEST(LocationRequests, StartSessionInAscendingTlvOrder) {
    halyx_loc_start_session_req m;
    Zero(m);
    m.session_id = 1;
    m.option_10_valid = 1;
    m.option_10 = 1;
    m.accuracy_level_valid = 1;
    m.accuracy_level = 3;
    m.option_12_valid = 1;
    m.option_12 = 1;
    m.interval_ms_valid = 1;
    m.interval_ms = 1000;  // 0x3E8
    // 4 + 4 x 7 = 32 bytes.
    ExpectRoundTrip(
        kHalyxLocStartSession, m,
        HexBytes("01 01 00 01 | 10 04 00 01 00 00 00 | 11 04 00 03 00 00 00 | 12 04 00 01 00 00 00 |"
                 "13 04 00 E8 03 00 00"));
}

TEST(LocationRequests, StartSessionWithoutOptionalsSendsOnlyTheMandatoryTlv) {
    halyx_loc_start_session_req m;
    Zero(m);
    m.session_id = 1;
    m.interval_ms = 5000;  // valid byte 0: not sent
    EXPECT_EQ(Encoded(kHalyxLocStartSession, m), HexBytes("01 01 00 01"));
}

TEST(LocationRequests, LastOrbitPartOfThree) {
    // 2049 bytes = 0x801 in parts of 1024, 1024, 1; the third carries one byte 0xAB.
    halyx_loc_orbit_part_req m;
    Zero(m);
    m.total_size = 2049;
    m.part_count = 3;
    m.part_number = 3;
    m.data_len = 1;
    m.data[0] = 0xAB;
    m.option_10_valid = 1;
    m.option_10 = 0;
    // 7 + 5 + 5 + (3 + 2 + 1) + 7 = 30 bytes.
    ExpectRoundTrip(kHalyxLocInjectOrbitPart, m,
                    HexBytes("01 04 00 01 08 00 00 | 02 02 00 03 00 | 03 02 00 03 00 | 04 03 00 01 00 AB |"
                             "10 04 00 00 00 00 00"));
}

TEST(LocationRequests, FullOrbitPartTakesTheLongestEncoding) {
    halyx_loc_orbit_part_req m;
    Zero(m);
    m.total_size = 2049;
    m.part_count = 3;
    m.part_number = 1;
    m.data_len = 1024;
    for (int i = 0; i < 1024; ++i) m.data[i] = static_cast<std::uint8_t>(i);
    m.option_10_valid = 1;
    // TLV 0x04: value = u16 count 1024 (00 04) + 1024 bytes = 1026 = 0x402.
    auto wire = HexBytes("01 04 00 01 08 00 00 | 02 02 00 03 00 | 03 02 00 01 00 | 04 02 04 00 04");
    for (int i = 0; i < 1024; ++i) wire.push_back(static_cast<std::uint8_t>(i));
    Append(wire, HexBytes("10 04 00 00 00 00 00"));
    ASSERT_EQ(wire.size(), 1053u);  // 7 + 5 + 5 + 1029 + 7
    ExpectRoundTrip(kHalyxLocInjectOrbitPart, m, wire);
}

TEST(LocationRequests, InjectPositionSendsOnlyValidTlvs) {
    halyx_loc_inject_position_req m;
    Zero(m);
    m.latitude_valid = 1;
    m.latitude = 48.125;  // 1.50390625 x 2^5: 0x4048100000000000
    m.longitude_valid = 1;
    m.longitude = 11.5;     // 1.4375 x 2^3: 0x4027000000000000
    m.error_radius = 7.0f;  // not valid: not sent
    m.option_13_valid = 1;
    m.option_13 = 63;
    m.altitude_valid = 1;
    m.altitude = 512.0f;  // 2^9: 0x44000000
    auto wire = HexBytes(
        "10 08 00 00 00 00 00 00 10 48 40 | 11 08 00 00 00 00 00 00 00 27 40 | 13 01 00 3F |"
        "16 04 00 00 00 00 44");
    EXPECT_EQ(Encoded(kHalyxLocInjectPosition, m), wire);
    m.error_radius = 0.0f;  // decoding leaves the field of an absent TLV zero
    ExpectRoundTrip(kHalyxLocInjectPosition, m, wire);
}

TEST(LocationRequests, DeleteAssistanceDataPerSatellite) {
    halyx_loc_delete_assist_req m;
    Zero(m);
    m.satellites_valid = 1;
    m.satellite_count = 64;
    // Members one by one: assigning whole entries would not keep their padding zero.
    for (int i = 0; i < 32; ++i) {
        m.satellites[i].satellite_id = static_cast<std::uint16_t>(1 + i);
        m.satellites[i].system = 1;
        m.satellites[32 + i].satellite_id = static_cast<std::uint16_t>(65 + i);
        m.satellites[32 + i].system = 5;
    }
    m.option_11_valid = 1;
    m.option_11 = 0x7FFFF;
    m.option_12_valid = 1;
    m.option_12 = 1023;
    m.option_13_valid = 1;
    m.option_13 = 2047;
    const auto wire = test::DeletePerSatelliteRequest();
    ASSERT_EQ(wire.size(), 481u);
    ExpectRoundTrip(kHalyxLocDeleteAssistData, m, wire);
}

TEST(LocationRequests, RequestsWithoutTlvsEncodeToNothing) {
    std::uint8_t out[4];
    std::uint32_t len = 99;
    ASSERT_EQ(halyx_encode_tlvs(Loc(), kHalyxKindRequest, 0x32, nullptr, out, sizeof out, &len), 0);
    EXPECT_EQ(len, 0u);
}

// ---- Responses ------------------------------------------------------------------------------------------

TEST(LocationResponses, ResultAndErrorAreSignExtended) {
    struct Case {
        const char* wire;
        std::int32_t result;
        std::int32_t error;
    };
    const Case cases[] = {
        {"02 04 00 00 00 00 00", 0, 0},
        {"02 04 00 01 00 01 00", 1, 1},
        {"02 04 00 01 00 17 00", 1, 23},
        {"02 04 00 01 00 FF FF", 1, -1},  // 0xFFFF as a signed 16-bit value
    };
    for (const Case& c : cases) {
        const auto wire = HexBytes(c.wire);
        halyx_result r;
        Poison(r);
        ASSERT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindResponse, kHalyxLocStartSession, wire.data(),
                                    static_cast<std::uint32_t>(wire.size()), &r, sizeof r),
                  0)
            << c.wire;
        EXPECT_EQ(r.result, c.result) << c.wire;
        EXPECT_EQ(r.error, c.error) << c.wire;
    }
}

TEST(LocationResponses, EveryRequestHasAResultResponseOfSevenBytes) {
    for (std::uint16_t id = 0x20; id <= 0x5F; ++id) {
        if (id >= 0x24 && id <= 0x31) continue;
        std::uint32_t size = 0, max = 0;
        ASSERT_EQ(halyx_message_struct_size(Loc(), kHalyxKindResponse, id, &size), 0) << id;
        ASSERT_EQ(halyx_max_encoded_length(Loc(), kHalyxKindResponse, id, &max), 0) << id;
        EXPECT_EQ(size, 8u);
        EXPECT_EQ(max, 7u);
    }
}

// ---- Indications ----------------------------------------------------------------------------------------

// Poisons `r`, then decodes indication `id` from `wire` into it.
template <class T>
[[nodiscard]] int DecodeIndication(std::uint16_t id, const std::vector<std::uint8_t>& wire, T& r) {
    Poison(r);
    return halyx_decode_tlvs(Loc(), kHalyxKindIndication, id, wire.data(),
                             static_cast<std::uint32_t>(wire.size()), &r, sizeof r);
}

TEST(LocationIndications, FullPositionReport) {
    const auto wire = FullPositionReport();
    ASSERT_EQ(wire.size(), 115u);
    halyx_loc_position_report r;
    ASSERT_EQ(DecodeIndication(kHalyxLocPositionReport, wire, r), 0);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.session_id, 1);
    EXPECT_EQ(r.latitude_valid, 1);
    EXPECT_EQ(r.latitude, 48.125);
    EXPECT_EQ(r.longitude, -11.5);
    EXPECT_EQ(r.error_radius, 5.0f);
    EXPECT_EQ(r.speed, 1.5f);
    EXPECT_EQ(r.altitude_ellipsoid, 560.0f);
    EXPECT_EQ(r.altitude_sea_level, 512.0f);
    EXPECT_EQ(r.vertical_uncertainty, 8.0f);
    EXPECT_EQ(r.heading, 90.0f);
    EXPECT_EQ(r.magnetic_deviation_valid, 1);
    EXPECT_EQ(r.magnetic_deviation, 3.0f);
    EXPECT_EQ(r.technology_mask, 5u);
    EXPECT_EQ(r.dop_valid, 1);
    EXPECT_EQ(r.dop.pdop, 2.0f);
    EXPECT_EQ(r.dop.hdop, 1.25f);
    EXPECT_EQ(r.dop.vdop, 1.5f);
    EXPECT_EQ(r.utc_ms, 1700000000000ull);
    // Reserved bytes come back zeroed, not left as they were.
    for (const std::uint8_t b : r.reserved) ASSERT_EQ(b, 0);
}

TEST(LocationIndications, MinimalPositionReportLeavesOptionalsInvalid) {
    const auto wire = HexBytes("01 04 00 07 00 00 00 | 02 01 00 01");
    halyx_loc_position_report r;
    ASSERT_EQ(DecodeIndication(kHalyxLocPositionReport, wire, r), 0);
    EXPECT_EQ(r.status, 7u);
    EXPECT_EQ(r.latitude_valid, 0);
    EXPECT_EQ(r.heading_valid, 0);
    EXPECT_EQ(r.utc_ms_valid, 0);
    EXPECT_EQ(r.dop_valid, 0);
}

TEST(LocationIndications, PositionReportUnusedTlvsOfAnyLengthAreSkipped) {
    // 0x13 (5 bytes), 0x21 (empty) and 0x2B (9 bytes) are not in the list; the TLVs around them decode.
    auto wire = HexBytes(
        "02 01 00 01 | 13 05 00 01 02 03 04 05 | 20 04 00 00 00 B4 42 | 21 00 00 |"
        "2B 09 00 01 02 03 04 05 06 07 08 09 | 01 04 00 01 00 00 00");
    halyx_loc_position_report r;
    ASSERT_EQ(DecodeIndication(kHalyxLocPositionReport, wire, r), 0);
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.heading, 90.0f);
    EXPECT_EQ(r.magnetic_deviation_valid, 0);
}

TEST(LocationIndications, SatelliteReportOfTwo) {
    // TLV 0x10 value: count 2 + 2 x 28 = 57 = 0x39.
    auto wire = HexBytes("01 01 00 00 | 10 39 00 02");
    // 45.0 = 0x42340000, 180.0 = 0x43340000, 38.5 = 0x421A0000.
    Append(
        wire,
        HexBytes(
            "E3 00 00 00 01 00 00 00 0C 00 | 00 | 00 00 00 00 | 00 | 00 00 34 42 00 00 34 43 00 00 1A 42"));
    Append(
        wire,
        HexBytes(
            "03 00 00 00 05 00 00 00 41 00 | 00 | 00 00 00 00 | 00 | 00 00 00 00 00 00 00 00 00 00 00 00"));
    ASSERT_EQ(wire.size(), 64u);
    halyx_loc_satellite_report r;
    ASSERT_EQ(DecodeIndication(kHalyxLocSatelliteReport, wire, r), 0);
    EXPECT_EQ(r.satellites_valid, 1);
    ASSERT_EQ(r.satellite_count, 2u);
    EXPECT_EQ(r.satellites[0].valid_mask, 0xE3u);
    EXPECT_EQ(r.satellites[0].system, 1u);
    EXPECT_EQ(r.satellites[0].satellite_id, 12);
    EXPECT_EQ(r.satellites[0].elevation, 45.0f);
    EXPECT_EQ(r.satellites[0].azimuth, 180.0f);
    EXPECT_EQ(r.satellites[0].snr, 38.5f);
    EXPECT_EQ(r.satellites[1].valid_mask, 3u);
    EXPECT_EQ(r.satellites[1].system, 5u);
    EXPECT_EQ(r.satellites[1].satellite_id, 65);
    EXPECT_EQ(r.satellites[2].valid_mask, 0u);  // beyond the count: zeroed
}

TEST(LocationIndications, FullSatelliteReportIsTheServicesLongestMessage) {
    auto wire = HexBytes("01 01 00 00 | 10 C1 08 50");  // 1 + 80 x 28 = 2241 = 0x8C1; count 0x50 = 80
    for (std::uint16_t i = 0; i < 80; ++i)
        Append(wire, SatelliteEntry(0xE3, 1, static_cast<std::uint16_t>(i + 1), i, 2.0f * i, 30.0f));
    ASSERT_EQ(wire.size(), kHalyxLocMaxMessageLength);  // 4 + 3 + 2241 = 2248
    halyx_loc_satellite_report r;
    ASSERT_EQ(DecodeIndication(kHalyxLocSatelliteReport, wire, r), 0);
    ASSERT_EQ(r.satellite_count, 80u);
    EXPECT_EQ(r.satellites[79].satellite_id, 80);
    EXPECT_EQ(r.satellites[79].azimuth, 158.0f);
}

TEST(LocationIndications, NmeaSentenceIsTheWholeValue) {
    const auto wire = HexBytes("01 06 00 24 47 50 47 47 41");  // "$GPGGA"
    halyx_loc_nmea_report r;
    ASSERT_EQ(DecodeIndication(kHalyxLocNmeaReport, wire, r), 0);
    EXPECT_STREQ(r.sentence, "$GPGGA");
}

TEST(LocationIndications, RequestsOfTheModemDecodeWithoutPayload) {
    // Time, orbit and position requests: their payloads are not read; an empty one or one with only
    // optional TLVs is accepted.
    const auto optional = HexBytes("10 02 00 01 02");
    for (const std::uint16_t id : {kHalyxLocTimeRequest, kHalyxLocOrbitRequest, kHalyxLocPositionRequest}) {
        std::vector<std::uint8_t> out(800, 0xAA);
        EXPECT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, id, nullptr, 0, out.data(), 800), 0) << id;
        EXPECT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, id, optional.data(), 5, out.data(), 800), 0)
            << id;
        EXPECT_EQ(out[0], 0);
    }
}

TEST(LocationIndications, ResultIndicationsCarryTheirStatus) {
    const auto wire = HexBytes("01 04 00 05 00 00 00");
    for (std::uint16_t id = 0x32; id <= 0x5F; ++id) {
        std::uint32_t size = 0;
        ASSERT_EQ(halyx_message_struct_size(Loc(), kHalyxKindIndication, id, &size), 0);
        std::vector<std::uint8_t> out(size, 0xAA);
        ASSERT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, id, wire.data(), 7, out.data(), size), 0)
            << id;
        halyx_loc_result_ind r;
        std::memcpy(&r, out.data(), sizeof r);
        EXPECT_EQ(r.status, 5u) << id;
    }
}

TEST(LocationIndications, OrbitPartResultEchoesThePartNumber) {
    const auto wire = HexBytes("01 04 00 00 00 00 00 | 10 02 00 03 00");
    halyx_loc_orbit_part_result_ind r;
    ASSERT_EQ(DecodeIndication(kHalyxLocInjectOrbitPart, wire, r), 0);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.part_number_valid, 1);
    EXPECT_EQ(r.part_number, 3);
}

// ---- Description facts ------------------------------------------------------------------------------------

TEST(LocationDescription, OnlyVersionTwoSixOfLibraryFourIsKnown) {
    EXPECT_NE(halyx_location_service_desc(2, 6, 4), nullptr);
    EXPECT_EQ(halyx_location_service_desc(2, 5, 4), nullptr);
    EXPECT_EQ(halyx_location_service_desc(3, 6, 4), nullptr);
    EXPECT_EQ(halyx_location_service_desc(2, 6, 5), nullptr);
}

TEST(LocationDescription, AccessorsReportTheServiceFacts) {
    std::uint32_t v = 0;
    ASSERT_EQ(halyx_idl_version(Loc(), &v), 0);
    EXPECT_EQ(v, 2u);
    ASSERT_EQ(halyx_service_number(Loc(), &v), 0);
    EXPECT_EQ(v, 0x10u);
    ASSERT_EQ(halyx_max_message_length(Loc(), &v), 0);
    EXPECT_EQ(v, 2248u);
    EXPECT_EQ(Loc()->request_count, 50);
    EXPECT_EQ(Loc()->response_count, 50);
    EXPECT_EQ(Loc()->indication_count, 60);
    EXPECT_EQ(Loc()->type_table->message_count, 111);
}

TEST(LocationDescription, StructureSizesAndLongestEncodingsAsListed) {
    struct Case {
        std::uint32_t kind;
        std::uint16_t id;
        std::uint32_t size;
        std::uint32_t max;
    };
    // A sample across the tables, including messages the driver never uses.
    const Case cases[] = {
        {kHalyxKindRequest, 0x20, 4, 7},          {kHalyxKindRequest, 0x22, 104, 103},
        {kHalyxKindRequest, 0x34, 1116, 1075},    {kHalyxKindRequest, 0x43, 8, 11},
        {kHalyxKindRequest, 0x44, 1576, 929},     {kHalyxKindRequest, 0x5C, 2008, 2009},
        {kHalyxKindRequest, 0x5F, 4, 7},          {kHalyxKindIndication, 0x24, 240, 224},
        {kHalyxKindIndication, 0x25, 2568, 2248}, {kHalyxKindIndication, 0x27, 1112, 1068},
        {kHalyxKindIndication, 0x43, 304, 304},   {kHalyxKindIndication, 0x5F, 12, 19},
    };
    for (const Case& c : cases) {
        std::uint32_t size = 0, max = 0;
        ASSERT_EQ(halyx_message_struct_size(Loc(), c.kind, c.id, &size), 0) << c.id;
        ASSERT_EQ(halyx_max_encoded_length(Loc(), c.kind, c.id, &max), 0) << c.id;
        EXPECT_EQ(size, c.size) << c.id;
        EXPECT_EQ(max, c.max) << c.id;
    }
    std::uint32_t size = 0;
    EXPECT_EQ(halyx_message_struct_size(Loc(), kHalyxKindRequest, 0x24, &size), kHalyxIdlErrUnknownMessage);
    EXPECT_EQ(halyx_message_struct_size(Loc(), kHalyxKindIndication, 0x23, &size),
              kHalyxIdlErrUnknownMessage);
}

}  // namespace
}  // namespace geolumen
