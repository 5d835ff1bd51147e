// Location data and sensor state: the data fields a report writes, the state table row by row with the
// events each row sets, satellites as byte images, the NMEA field, and whole-report updates.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "sensor/nmea.h"
#include "support/sensor_fixture.h"

namespace geolumen {
namespace {

using test_support::CompleteFix;
using test_support::SensorDdiFixture;

class SensorDataTest : public SensorDdiFixture {
  protected:
    void SetUp() override {
        SensorDdiFixture::SetUp();
        client = Connect();
    }
    // Puts the sensor into `state` and forgets the events that cost.
    void StartIn(uint32_t state) {
        ddi->SetSensorState(state);
        dataReady.ResetEvent();
        stateChange.ResetEvent();
    }
    ComPtr<IWDFFile> client;
};

TEST_F(SensorDataTest, CompleteFixWritesEveryField) {
    ddi->ApplyPositionReport(CompleteFix());
    // Expected values from the fix by hand: speed is float(10 x 1.9438612); the time stamp is the file time
    // of 1970 (116444736000000000) plus 1000 ms x 10000.
    const std::pair<PROPERTYKEY, PropValue> golden[] = {
        {SENSOR_DATA_TYPE_LATITUDE_DEGREES, 48.5},
        {SENSOR_DATA_TYPE_LONGITUDE_DEGREES, -123.25},
        {SENSOR_DATA_TYPE_ERROR_RADIUS_METERS, 5.0},
        {SENSOR_DATA_TYPE_SPEED_KNOTS, static_cast<double>(10.0f * 1.9438612f)},
        {SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_METERS, 560.0},
        {SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_METERS, 512.0},
        {SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_ERROR_METERS, 8.0},
        {SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_ERROR_METERS, 8.0},
        {SENSOR_DATA_TYPE_TRUE_HEADING_DEGREES, 90.0},
        {SENSOR_DATA_TYPE_MAGNETIC_HEADING_DEGREES, 93.0},
        {SENSOR_DATA_TYPE_POSITION_DILUTION_OF_PRECISION, 2.0},
        {SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION, 1.25},
        {SENSOR_DATA_TYPE_VERTICAL_DILUTION_OF_PRECISION, 1.5},
        {SENSOR_DATA_TYPE_FIX_TYPE, int32_t{1}},
        {SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{116444736010000000ULL}},
        {SENSOR_DATA_TYPE_NMEA_SENTENCE, std::string()},
    };
    for (const auto& [key, value] : golden) EXPECT_EQ(Data(key), value) << SensorKeyName(key);
    EXPECT_DOUBLE_EQ(std::get<double>(Data(SENSOR_DATA_TYPE_SPEED_KNOTS)), 19.43861198425293);
}

TEST_F(SensorDataTest, AbsentFieldsBecomeEmptyOrZeroAndKeepWhatTheyKeep) {
    ddi->ApplyPositionReport(CompleteFix());
    LocationFix fix = CompleteFix();
    fix.speed = fix.heading = fix.magneticHeading = kAbsentFloat;
    fix.hdop = std::numeric_limits<float>::quiet_NaN();
    fix.altitudeSeaLevel = std::numeric_limits<float>::infinity();
    fix.utcMs = 0;
    fix.fixIndicator = 1;
    ddi->ApplyPositionReport(fix);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_SPEED_KNOTS), PropValue{0.0}) << "0.0, not empty";
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_TRUE_HEADING_DEGREES), PropValue{0.0});
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_MAGNETIC_HEADING_DEGREES), PropValue{0.0});
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION), PropValue{}) << "not a number";
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_METERS), PropValue{}) << "infinite";
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_TIMESTAMP), PropValue{FileTimeValue{116444736010000000ULL}})
        << "time 0 keeps";
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_FIX_TYPE), PropValue{int32_t{6}}) << "intermediate";
    fix.fixIndicator = 4;
    ddi->ApplyPositionReport(fix);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_FIX_TYPE), PropValue{int32_t{6}}) << "unknown indicator keeps";
}

TEST_F(SensorDataTest, StateTableRowByRow) {
    enum class Fix { kEngineUnavailable, kComplete, kNoRadius, kNoLatitude, kOtherTechnology, kNoMask };
    const struct {
        uint32_t from;
        Fix fix;
        uint32_t to;
        bool stateEvent;
        bool dataEvent;
    } rows[] = {
        {0, Fix::kEngineUnavailable, 1, true, false},
        {3, Fix::kEngineUnavailable, 1, true, false},
        {1, Fix::kEngineUnavailable, 1, false, false},
        {3, Fix::kComplete, 0, true, true},
        {1, Fix::kComplete, 0, true, true},
        {0, Fix::kComplete, 0, false, true},
        {0, Fix::kNoRadius, 3, true, false},
        {1, Fix::kNoLatitude, 3, true, false},
        {3, Fix::kNoRadius, 3, false, false},
        {3, Fix::kOtherTechnology, 3, false, false},
        {0, Fix::kNoMask, 0, false, true},
    };
    for (const auto& row : rows) {
        StartIn(row.from);
        LocationFix fix = CompleteFix();
        switch (row.fix) {
            case Fix::kEngineUnavailable:
                fix.engineUnavailable = 1;
                break;
            case Fix::kComplete:
                break;
            case Fix::kNoRadius:
                fix.errorRadius = kAbsentFloat;
                break;
            case Fix::kNoLatitude:
                fix.latitude = kAbsentDouble;
                break;
            case Fix::kOtherTechnology:
                fix.technologyMask = 0x2;
                break;
            case Fix::kNoMask:
                fix.technologyMask = kAbsentTechnologyMask;
                break;
        }
        ddi->ApplyPositionReport(fix);
        const auto legend =
            "from " + std::to_string(row.from) + " fix " + std::to_string(static_cast<int>(row.fix));
        EXPECT_EQ(ddi->GetSensorState(), row.to) << legend;
        EXPECT_EQ(Property(SENSOR_PROPERTY_STATE), PropValue{row.to}) << legend;
        EXPECT_EQ(stateChange.IsSet(), row.stateEvent) << legend;
        EXPECT_EQ(dataReady.IsSet(), row.dataEvent) << legend;
    }
}

TEST_F(SensorDataTest, EventsOnlyWithASubscriberAndNothingWhileReportingIsOff) {
    ASSERT_EQ(ddi->OnClientUnsubscribeFromEvents(client.Get(), kSensorObjectId), S_OK);
    ddi->ApplyPositionReport(CompleteFix());
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_READY);
    EXPECT_FALSE(stateChange.IsSet());
    EXPECT_FALSE(dataReady.IsSet());

    ASSERT_EQ(ddi->OnClientSubscribeToEvents(client.Get(), kSensorObjectId), S_OK);
    // Reporting off (device suspended), then the radio off with reporting on (as after a start with the
    // radio state 1 restored): no field, state or event changes either way.
    for (const bool radioOff : {false, true}) {
        DriverGlobals::Get().DataReportingEnabled = radioOff ? 1 : 0;
        ddi->Session().currentRadioState = radioOff ? 1 : 0;
        LocationFix fix = CompleteFix();
        fix.latitude = 1.0;
        fix.engineUnavailable = 1;
        ddi->ApplyPositionReport(fix);
        fix.engineUnavailable = 0;
        ddi->ApplyPositionReport(fix);
        SatelliteReport none;
        ddi->ApplySatelliteReport(none);
        EXPECT_EQ(Data(SENSOR_DATA_TYPE_LATITUDE_DEGREES), PropValue{48.5}) << radioOff;
        EXPECT_EQ(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW), PropValue{uint32_t{0}}) << "still the default";
        EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_READY) << radioOff;
        EXPECT_FALSE(dataReady.IsSet()) << radioOff;
    }
}

TEST_F(SensorDataTest, SatellitesBecomeByteImagesOfTheirArrays) {
    SatelliteReport report;
    report.count = 1;
    report.azimuth[0] = 90.0;
    report.elevation[0] = 45.0;
    report.snr[0] = 38.5;
    report.satelliteId[0] = 5;
    report.prn[0] = 5;
    ddi->ApplySatelliteReport(report);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW), PropValue{int32_t{1}});
    // 90.0 as a little-endian double: 0x4056800000000000.
    const ByteVector azimuth{0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x56, 0x40};
    const ByteVector id{0x05, 0x00, 0x00, 0x00};
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH), PropValue{azimuth});
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID), PropValue{id});
    EXPECT_EQ(std::get<ByteVector>(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO)).size(), 8u);
    EXPECT_FALSE(dataReady.IsSet()) << "a satellite report signals nothing";

    report.count = 200;  // more than the arrays hold: cut to them
    ddi->ApplySatelliteReport(report);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW), PropValue{int32_t{80}});
    EXPECT_EQ(std::get<ByteVector>(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS)).size(), 320u);

    report.count = 0;
    ddi->ApplySatelliteReport(report);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW), PropValue{int32_t{0}});
    for (const auto& key :
         {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH, SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ELEVATION,
          SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO, SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID,
          SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS}) {
        EXPECT_EQ(Data(key), PropValue{}) << SensorKeyName(key);
    }
}

TEST_F(SensorDataTest, NmeaFieldHoldsTheLatestReportsSentencesWhileSwitchedOn) {
    EXPECT_EQ(SetProperty(client.Get(), SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{1}), S_OK);
    EXPECT_TRUE(ddi->NmeaEnabled());
    ops->fix = CompleteFix();
    ddi->OnLocationReport(kReportKindPosition);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_NMEA_SENTENCE), PropValue{BuildFixSentences(CompleteFix())});
    EXPECT_NE(std::get<std::string>(Data(SENSOR_DATA_TYPE_NMEA_SENTENCE)), "");
    ops->satellites.count = 0;
    ddi->OnLocationReport(kReportKindSatellites);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_NMEA_SENTENCE), PropValue{BuildSatelliteSentences(ops->satellites)});
    ddi->OnLocationReport(99);  // ignored

    EXPECT_EQ(SetProperty(client.Get(), SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{0}), S_OK);
    ddi->OnLocationReport(kReportKindSatellites);
    EXPECT_EQ(Data(SENSOR_DATA_TYPE_NMEA_SENTENCE), PropValue{std::string()});
    EXPECT_EQ(Property(SENSOR_PROPERTY_PRIVATE_NMEA), PropValue{uint32_t{1}}) << "the switch always reads 1";
}

TEST_F(SensorDataTest, ACopyNeverMixesTwoReports) {
    ASSERT_EQ(SetProperty(client.Get(), SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{1}), S_OK);
    LocationFix a = CompleteFix();
    LocationFix b = CompleteFix();
    b.latitude = -33.5;
    b.longitude = 151.25;
    b.errorRadius = 9.0f;
    const std::string nmeaA = BuildFixSentences(a);
    const std::string nmeaB = BuildFixSentences(b);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) ddi->ApplyPositionReport(i % 2 ? a : b);
        done = true;
    });
    int copies = 0;
    while (!done) {
        ComPtr<IPortableDeviceValues> copy;
        ASSERT_EQ(CreatePortableDeviceValues(copy.ReleaseAndGetAddressOf()), S_OK);
        ASSERT_EQ(ddi->CopyDataValues(copy.Get()), S_OK);
        PropValue lat, lon, radius, nmea;
        ASSERT_EQ(copy->GetValue(SENSOR_DATA_TYPE_LATITUDE_DEGREES, &lat), S_OK);
        ASSERT_EQ(copy->GetValue(SENSOR_DATA_TYPE_LONGITUDE_DEGREES, &lon), S_OK);
        ASSERT_EQ(copy->GetValue(SENSOR_DATA_TYPE_ERROR_RADIUS_METERS, &radius), S_OK);
        ASSERT_EQ(copy->GetValue(SENSOR_DATA_TYPE_NMEA_SENTENCE, &nmea), S_OK);
        if (lat == PropValue{uint32_t{0}}) continue;  // before the first report
        const bool isA = lat == PropValue{a.latitude};
        EXPECT_EQ(lon, PropValue{isA ? a.longitude : b.longitude});
        EXPECT_EQ(radius, PropValue{static_cast<double>(isA ? a.errorRadius : b.errorRadius)});
        EXPECT_EQ(nmea, PropValue{isA ? nmeaA : nmeaB});
        ++copies;
    }
    writer.join();
    EXPECT_GT(copies, 0);
}

}  // namespace
}  // namespace geolumen
