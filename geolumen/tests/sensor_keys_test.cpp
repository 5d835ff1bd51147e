// The sensor's key tables: order, sets and ids as clients are told them, and the names tools print.
#include "sensor/sensor_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace geolumen {
namespace {

TEST(SensorKeys, TablesInClientOrder) {
    // Set and id of every row, written out from the published key list.
    const GUID C = SENSOR_PROPERTY_COMMON_GUID, P = SENSOR_PROPERTY_PRIVATE_GUID;
    const PROPERTYKEY properties[] = {{C, 9},
                                      {C, 19},
                                      {C, 6},
                                      {C, 8},
                                      {C, 12},
                                      {C, 13},
                                      {C, 7},
                                      {C, 5},
                                      {C, 3},
                                      {C, 2},
                                      {P, 3},
                                      {WPD_FUNCTIONAL_OBJECT_PROPERTIES_V1, 2},
                                      {WPD_OBJECT_PROPERTIES_V1, 2},
                                      {P, 2}};
    ASSERT_EQ(std::size(properties), kSensorPropertyKeys.size());
    for (size_t i = 0; i < kSensorPropertyKeys.size(); ++i) {
        EXPECT_EQ(kSensorPropertyKeys[i].key, properties[i]) << "property row " << i + 1;
    }
    const uint32_t locationPids[] = {5, 4, 22, 11, 13, 2, 3, 8, 12, 17, 20, 19, 21, 39, 18, 6, 7, 14, 38};
    EXPECT_EQ(kSensorDataFieldKeys[0].key, (PROPERTYKEY{SENSOR_DATA_TYPE_COMMON_GUID, 2}));
    ASSERT_EQ(std::size(locationPids) + 1, kSensorDataFieldKeys.size());
    for (size_t i = 0; i < std::size(locationPids); ++i) {
        EXPECT_EQ(kSensorDataFieldKeys[i + 1].key,
                  (PROPERTYKEY{SENSOR_DATA_TYPE_LOCATION_GUID, locationPids[i]}))
            << "data row " << i + 2;
    }
    EXPECT_EQ(kSensorEvents[0], SENSOR_EVENT_DATA_UPDATED);
    EXPECT_EQ(kSensorEvents[1], SENSOR_EVENT_STATE_CHANGED);
}

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

TEST(PortableValues, VariantTypeOfEachAlternative) {
    EXPECT_EQ(PropVarType(PropValue{}), VT_EMPTY);
    EXPECT_EQ(PropVarType(PropValue{GUID_NULL}), VT_CLSID);
    EXPECT_EQ(PropVarType(PropValue{uint32_t{1}}), VT_UI4);
    EXPECT_EQ(PropVarType(PropValue{int32_t{1}}), VT_I4);
    EXPECT_EQ(PropVarType(PropValue{1.0}), VT_R8);
    EXPECT_EQ(PropVarType(PropValue{std::string("x")}), VT_LPWSTR);
    EXPECT_EQ(PropVarType(PropValue{FileTimeValue{1}}), VT_FILETIME);
    EXPECT_EQ(PropVarType(PropValue{ByteVector{1}}), VT_VECTOR | VT_UI1);
    EXPECT_EQ(PropVarType(PropValue{ErrorValue{E_FAIL}}), VT_ERROR);
    EXPECT_EQ(PropVarType(PropValue{1.0f}), VT_R4);
}

}  // namespace
}  // namespace geolumen
