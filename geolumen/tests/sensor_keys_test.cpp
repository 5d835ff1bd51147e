// The names tools print for the sensor's keys.
#include "sensor/sensor_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace geolumen {
namespace {

TEST(SensorKeys, NamesRoundTripAndKeepTheirSpelling) {
    std::set<std::string> names;
    auto check = [&](const SensorKeyRow& row) {
        ASSERT_NE(SensorKeyName(row.key), nullptr);
        EXPECT_STREQ(SensorKeyName(row.key), row.name);
        EXPECT_EQ(SensorKeyFromName(row.name), row.key) << row.name;
        EXPECT_TRUE(names.insert(row.name).second) << "duplicate name " << row.name;
    };
    for (const auto& row : kSensorPropertyKeys) check(row);
    for (const auto& row : kSensorDataFieldKeys) check(row);

    EXPECT_STREQ(SensorKeyName(SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION),
                 "SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION");
    EXPECT_STREQ(SensorKeyName(SENSOR_DATA_TYPE_LATITUDE_DEGREES), "SENSOR_DATA_TYPE_LATITUDE_DEGREES");
    EXPECT_STREQ(SensorKeyName(SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_ERROR_METERS),
                 "SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_ERROR_METERS");
    EXPECT_EQ(SensorKeyName(PROPERTYKEY{SENSOR_DATA_TYPE_LOCATION_GUID, 99}), nullptr);
    EXPECT_EQ(SensorKeyName(PKEY_NULL), nullptr);
    EXPECT_FALSE(SensorKeyFromName("SENSOR_DATA_TYPE_HORIZONTAL_DILUTION_OF_PRECISION").has_value());
    EXPECT_FALSE(SensorKeyFromName("").has_value());
}

}  // namespace
}  // namespace geolumen
