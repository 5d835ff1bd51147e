#include "location/location_reports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "halyx/location_service.h"
#include "support/halyx_bytes.h"
#include "support/location_fixture.h"

namespace geolumen {
namespace {

// A decoded report as the codec leaves it, filled with 0xAA first so unset fields are not mistaken for zeros.
halyx_loc_position_report BlankReport(uint32_t status) {
    halyx_loc_position_report r;
    std::memset(&r, 0xAA, sizeof r);
    r.status = status;
    r.session_id = 1;
    r.latitude_valid = r.longitude_valid = r.error_radius_valid = r.speed_valid = 0;
    r.altitude_ellipsoid_valid = r.altitude_sea_level_valid = r.vertical_uncertainty_valid = 0;
    r.heading_valid = r.magnetic_deviation_valid = r.technology_mask_valid = r.dop_valid = r.utc_ms_valid = 0;
    return r;
}

// The hand-written report of every field (48.125, -11.5, ... as ExpectFullFix lists them), decoded.
halyx_loc_position_report FullReport(uint32_t status) {
    const auto wire = test::FullPositionReport();
    halyx_loc_position_report r = BlankReport(status);
    EXPECT_EQ(
        halyx_decode_tlvs(halyx_location_service_desc(2, 6, 4), kHalyxKindIndication, kHalyxLocPositionReport,
                          wire.data(), static_cast<uint32_t>(wire.size()), &r, sizeof r),
        0);
    r.status = status;
    return r;
}

class PositionReportTest : public ::testing::Test {
  protected:
    uint64_t now = 100000;
    LocationReports reports{[this] { return now; }};

    bool Process(const halyx_loc_position_report& r) {
        reports.StorePositionReport(r);
        return reports.ProcessPositionReport();
    }
};

TEST_F(PositionReportTest, AbsentFieldsGetTheirMarks) {
    ASSERT_TRUE(Process(BlankReport(kSessionStatusFinal)));
    const LocationFix fix = reports.CopyLocationFix();
    EXPECT_EQ(fix.latitude, 1.7976931348623157e308);
    EXPECT_EQ(fix.longitude, 1.7976931348623157e308);
    for (float v :
         {fix.errorRadius, fix.speed, fix.altitudeEllipsoid, fix.altitudeSeaLevel, fix.verticalUncertainty,
          fix.heading, fix.magneticHeading, fix.magneticDeviation, fix.pdop, fix.hdop, fix.vdop}) {
        EXPECT_EQ(v, 3.4028235e38f);
    }
    EXPECT_EQ(fix.technologyMask, 0xFFFFFFFFU);
    EXPECT_EQ(fix.utcMs, 0U);
}

TEST_F(PositionReportTest, ZeroLatitudeIsAbsentAndHeadingAloneGivesNoMagneticHeading) {
    halyx_loc_position_report r = FullReport(kSessionStatusFinal);
    r.latitude = 0.0;
    r.magnetic_deviation_valid = 0;
    ASSERT_TRUE(Process(r));
    const LocationFix fix = reports.CopyLocationFix();
    EXPECT_EQ(fix.latitude, kAbsentDouble);
    EXPECT_EQ(fix.longitude, -11.5);
    EXPECT_EQ(fix.heading, 90.0f);
    EXPECT_EQ(fix.magneticHeading, kAbsentFloat);
    EXPECT_EQ(fix.magneticDeviation, kAbsentFloat);
}

TEST_F(PositionReportTest, EngineUnavailablePublishesZerosWithTheFlag) {
    ASSERT_TRUE(Process(FullReport(kSessionStatusEngineUnavailable)));
    const LocationFix fix = reports.CopyLocationFix();
    EXPECT_EQ(fix.engineUnavailable, 1);
    EXPECT_EQ(fix.latitude, 0.0);
    EXPECT_EQ(fix.errorRadius, 0.0f);
    EXPECT_EQ(fix.technologyMask, 0U);
}

TEST_F(PositionReportTest, IntermediateFixesWaitTwoSecondsAfterAFinalOne) {
    struct Row {
        const char* legend;
        uint32_t status;
        uint64_t at;
        bool published;
    };
    const std::vector<Row> rows = {
        {"intermediate before any final fix", kSessionStatusIntermediate, 100000, true},
        {"final fix", kSessionStatusFinal, 200000, true},
        {"intermediate 1500 ms later", kSessionStatusIntermediate, 201500, false},
        {"intermediate 1999 ms later", kSessionStatusIntermediate, 201999, false},
        {"intermediate 2000 ms later", kSessionStatusIntermediate, 202000, true},
        {"intermediate 2500 ms later", kSessionStatusIntermediate, 202500, true},
        {"failure status 2", 2, 203000, false},
    };
    for (const auto& row : rows) {
        now = row.at;
        EXPECT_EQ(Process(FullReport(row.status)), row.published) << row.legend;
        if (row.published) {
            EXPECT_EQ(reports.CopyLocationFix().fixIndicator,
                      row.status == kSessionStatusIntermediate ? 1U : 0U)
                << row.legend;
        }
    }
}

TEST_F(PositionReportTest, AReportArrivingDuringAConversionIsKeptForTheNext) {
    halyx_loc_position_report first = FullReport(kSessionStatusFinal);
    first.utc_ms = 1;
    halyx_loc_position_report second = FullReport(kSessionStatusFinal);
    second.utc_ms = 2;
    reports.StorePositionReport(first);
    ASSERT_TRUE(reports.ProcessPositionReport());
    EXPECT_EQ(reports.CopyLocationFix().utcMs, 1U);
    reports.StorePositionReport(second);  // goes to the other buffer
    ASSERT_TRUE(reports.ProcessPositionReport());
    EXPECT_EQ(reports.CopyLocationFix().utcMs, 2U);
}

TEST_F(PositionReportTest, ReportsStoredWhileOthersAreConvertedAreNeverTorn) {
    // Each report carries one number n in three fields; a fix that mixes two reports shows it at once.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (uint64_t n = 1; !stop; ++n) {
            halyx_loc_position_report r = FullReport(kSessionStatusFinal);
            r.latitude = static_cast<double>(n);
            r.longitude = static_cast<double>(n);
            r.utc_ms = n;
            reports.StorePositionReport(r);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        if (!reports.ProcessPositionReport()) continue;
        const LocationFix fix = reports.CopyLocationFix();
        if (fix.latitude == kAbsentDouble) continue;  // a buffer not yet written
        ASSERT_EQ(fix.latitude, fix.longitude);
        ASSERT_EQ(fix.latitude, static_cast<double>(fix.utcMs));
    }
    stop = true;
    writer.join();
}

halyx_loc_satellite_info Satellite(uint32_t mask, uint32_t system, uint16_t id, float el, float az,
                                   float snr) {
    halyx_loc_satellite_info s;
    std::memset(&s, 0xAA, sizeof s);
    s.valid_mask = mask;
    s.system = system;
    s.satellite_id = id;
    s.elevation = el;
    s.azimuth = az;
    s.snr = snr;
    return s;
}

TEST(SatelliteReportTest, NumbersSatellitesBySystemAndMarksAbsentValues) {
    auto r = std::make_unique<halyx_loc_satellite_report>();
    r->satellites_valid = 1;
    r->satellite_count = 5;
    r->satellites[0] = Satellite(0xE3, 1, 12, 45.0f, 180.0f, 38.5f);  // all valid
    r->satellites[1] = Satellite(0x03, 5, 65, 9, 9, 9);               // only system and id: 65 + 64 = 129
    r->satellites[2] = Satellite(0x03, 3, 100, 9, 9, 9);              // 100 - 87 = 13
    r->satellites[3] = Satellite(0x03, 2, 7, 9, 9, 9);                // unknown system: PRN only
    r->satellites[4] = Satellite(0x01, 1, 8, 9, 9, 9);                // id not valid: neither
    SatelliteReport out;
    ASSERT_TRUE(ConvertSatelliteReport(*r, out));
    EXPECT_EQ(out.count, 5U);
    test_support::ExpectFirstTwoSatellites(out);
    EXPECT_EQ(out.satelliteId[2], 13);
    EXPECT_EQ(out.satelliteId[3], 0);
    EXPECT_EQ(out.prn[3], 7);
    EXPECT_EQ(out.satelliteId[4], 0);
    EXPECT_EQ(out.prn[4], 0);
}

TEST(SatelliteReportTest, MissingEmptyOrOverlongListsGiveNothing) {
    auto r = std::make_unique<halyx_loc_satellite_report>();
    r->satellites_valid = 1;
    r->satellite_count = 2;
    r->satellites[0] = Satellite(0xE3, 1, 12, 45.0f, 180.0f, 38.5f);
    SatelliteReport out;
    for (const uint32_t count : {0U, 81U, 255U}) {
        r->satellite_count = count;
        EXPECT_FALSE(ConvertSatelliteReport(*r, out)) << count;
        EXPECT_EQ(out.count, 0U);
        EXPECT_EQ(out.prn[0], 0);
    }
    r->satellite_count = 1;
    r->satellites_valid = 0;
    EXPECT_FALSE(ConvertSatelliteReport(*r, out)) << "no list";
}

}  // namespace
}  // namespace geolumen
