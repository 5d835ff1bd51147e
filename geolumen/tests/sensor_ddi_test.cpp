// The sensor object as the class extension sees it: supported objects, keys and events in their order,
// property and data-field reads, the persistent id, the radio state read back at start, and refusal once
// the device shuts down.
#include <gtest/gtest.h>

#include "support/sensor_fixture.h"

namespace geolumen {
namespace {

using test_support::SensorDdiFixture;

class SensorDdiTest : public SensorDdiFixture {
  protected:
    std::vector<PROPERTYKEY> KeysOf(IPortableDeviceKeyCollection* keys) {
        std::vector<PROPERTYKEY> out;
        uint32_t n = 0;
        EXPECT_EQ(keys->GetCount(&n), S_OK);
        for (uint32_t i = 0; i < n; ++i) {
            PROPERTYKEY key{};
            EXPECT_EQ(keys->GetAt(i, &key), S_OK);
            out.push_back(key);
        }
        return out;
    }
    ComPtr<IPortableDeviceKeyCollection> Keys(std::initializer_list<PROPERTYKEY> list) {
        ComPtr<IPortableDeviceKeyCollection> keys;
        EXPECT_EQ(CreatePortableDeviceKeyCollection(keys.ReleaseAndGetAddressOf()), S_OK);
        for (const auto& key : list) (void)keys->Add(key);
        return keys;
    }
    GUID PersistentId() { return std::get<GUID>(Property(SENSOR_PROPERTY_PERSISTENT_UNIQUE_ID)); }
};

TEST_F(SensorDdiTest, SupportedKeysAndEventsComeInTableOrder) {
    // Set and id of every key, written out from the published key lists.
    const GUID C = SENSOR_PROPERTY_COMMON_GUID, P = SENSOR_PROPERTY_PRIVATE_GUID;
    const std::vector<PROPERTYKEY> properties = {{C, 9},
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
    std::vector<PROPERTYKEY> fields = {{SENSOR_DATA_TYPE_COMMON_GUID, 2}};
    for (uint32_t pid : {5, 4, 22, 11, 13, 2, 3, 8, 12, 17, 20, 19, 21, 39, 18, 6, 7, 14, 38}) {
        fields.push_back({SENSOR_DATA_TYPE_LOCATION_GUID, pid});
    }
    ComPtr<IPortableDeviceKeyCollection> keys;
    ASSERT_EQ(ddi->OnGetSupportedProperties(kSensorObjectId, keys.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(KeysOf(keys.Get()), properties);
    ASSERT_EQ(ddi->OnGetSupportedDataFields("any id", keys.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(KeysOf(keys.Get()), fields);

    GUID* events = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(ddi->OnGetSupportedEvents(kSensorObjectId, &events, &count), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(events[0], SENSOR_EVENT_DATA_UPDATED);
    EXPECT_EQ(events[1], SENSOR_EVENT_STATE_CHANGED);
    CoTaskMemFree(events);
    EXPECT_EQ(ddi->OnProcessWpdMessage(nullptr, nullptr, nullptr), S_OK);
}

TEST_F(SensorDdiTest, TheOneSensorObjectHoldsEveryPropertyWithItsDefault) {
    // Golden defaults, in table order.
    const std::pair<PROPERTYKEY, PropValue> golden[] = {
        {SENSOR_PROPERTY_FRIENDLY_NAME, std::string("Sarnovy Module Location Sensor")},
        {SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, uint32_t{0}},
        {SENSOR_PROPERTY_MANUFACTURER, std::string("Sarnovy Incorporated")},
        {SENSOR_PROPERTY_SERIAL_NUMBER, std::string("A87A0A6B-0A67-4ACD-B275-83BEC68BEEF8")},
        {SENSOR_PROPERTY_MIN_REPORT_INTERVAL, uint32_t{1000}},
        {SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, uint32_t{1000}},
        {SENSOR_PROPERTY_MODEL, std::string("Integrated Location Sensor")},
        {SENSOR_PROPERTY_PERSISTENT_UNIQUE_ID, PersistentId()},
        {SENSOR_PROPERTY_STATE, uint32_t{3}},
        {SENSOR_PROPERTY_TYPE, SENSOR_TYPE_LOCATION_GPS},
        {SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{1}},
        {WPD_FUNCTIONAL_OBJECT_CATEGORY, SENSOR_CATEGORY_LOCATION},
        {WPD_OBJECT_ID, std::string("SarnovyLocation")},
        {SENSOR_PROPERTY_PRIVATE_RESTART, uint32_t{1}},
    };
    ComPtr<IPortableDeviceValuesCollection> objects;
    ASSERT_EQ(ddi->OnGetSupportedSensorObjects(objects.ReleaseAndGetAddressOf()), S_OK);
    uint32_t n = 0;
    ASSERT_EQ(objects->GetCount(&n), S_OK);
    ASSERT_EQ(n, 1u);
    ComPtr<IPortableDeviceValues> values;
    ASSERT_EQ(objects->GetAt(0, values.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(values->GetCount(&n), S_OK);
    ASSERT_EQ(n, std::size(golden));
    for (uint32_t i = 0; i < n; ++i) {
        PROPERTYKEY key{};
        PropValue value;
        ASSERT_EQ(values->GetAt(i, &key, &value), S_OK);
        EXPECT_EQ(key, golden[i].first) << "row " << i + 1;
        EXPECT_EQ(value, golden[i].second) << SensorKeyName(key);
    }
}

TEST_F(SensorDdiTest, ReadsAnswerPerKeyAndSkipNullKeys) {
    const PROPERTYKEY unknown{SENSOR_PROPERTY_COMMON_GUID, 99};
    auto keys = Keys({SENSOR_PROPERTY_PRIVATE_NMEA, SENSOR_PROPERTY_STATE, PKEY_NULL,
                      PROPERTYKEY{SENSOR_PROPERTY_COMMON_GUID, 0}, unknown});
    ComPtr<IPortableDeviceValues> values;
    ASSERT_EQ(ddi->OnGetProperties(nullptr, kSensorObjectId, keys.Get(), values.ReleaseAndGetAddressOf()),
              S_FALSE);
    uint32_t n = 0;
    ASSERT_EQ(values->GetCount(&n), S_OK);
    EXPECT_EQ(n, 3u) << "null keys are skipped";
    PropValue value;
    ASSERT_EQ(values->GetValue(SENSOR_PROPERTY_PRIVATE_NMEA, &value), S_OK);
    EXPECT_EQ(value, PropValue{uint32_t{1}}) << "reads 1 while synthesis is off";
    ASSERT_EQ(values->GetValue(SENSOR_PROPERTY_STATE, &value), S_OK);
    EXPECT_EQ(value, PropValue{uint32_t{3}});
    ASSERT_EQ(values->GetValue(unknown, &value), S_OK);
    EXPECT_EQ(value, PropValue{ErrorValue{HRESULT_FROM_WIN32(ERROR_NOT_FOUND)}});

    // Data fields: defaults, and an error field that is never announced but is answered.
    keys = Keys({SENSOR_DATA_TYPE_TIMESTAMP, SENSOR_DATA_TYPE_LATITUDE_DEGREES});
    ASSERT_EQ(ddi->OnGetDataFields(nullptr, kSensorObjectId, keys.Get(), values.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(values->GetValue(SENSOR_DATA_TYPE_TIMESTAMP, &value), S_OK);
    EXPECT_EQ(value, PropValue{});
    ASSERT_EQ(values->GetValue(SENSOR_DATA_TYPE_LATITUDE_DEGREES, &value), S_OK);
    EXPECT_EQ(value, PropValue{uint32_t{0}});
    ddi->ApplyPositionReport(test_support::CompleteFix());
    keys = Keys({SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_ERROR_METERS});
    ASSERT_EQ(ddi->OnGetDataFields(nullptr, kSensorObjectId, keys.Get(), values.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(values->GetValue(SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_ERROR_METERS, &value), S_OK);
    EXPECT_EQ(value, PropValue{8.0});

    EXPECT_EQ(ddi->OnGetDataFields(nullptr, kSensorObjectId, nullptr, values.ReleaseAndGetAddressOf()),
              E_INVALIDARG);
    EXPECT_EQ(ddi->OnGetProperties(nullptr, kSensorObjectId, keys.Get(), nullptr), E_INVALIDARG);
}

TEST_F(SensorDdiTest, PersistentIdIsKeptAndReplacedWhenMissingOrUnreadable) {
    const GUID first = PersistentId();
    ASSERT_TRUE(device->store.count("SarnovyLocation"));
    EXPECT_EQ(device->store["SarnovyLocation"], "sz:" + FormatGuid(first));
    ASSERT_EQ(CreateSensor(), S_OK);
    EXPECT_EQ(PersistentId(), first) << "kept across a driver restart";

    // Stored value -> whether the same id comes back.
    const struct {
        const char* legend;
        std::optional<std::string> stored;
        bool kept;
    } rows[] = {
        {"deleted", std::nullopt, false},
        {"not an identifier", "sz:{garbage}", false},
        {"a number instead of text", "u32:7", false},
        {"too long for an identifier", "sz:" + std::string(200, 'A'), false},
        {"lower-case digits", "sz:{0a1b2c3d-4e5f-6a7b-8c9d-0e1f2a3b4c5d}", true},
    };
    for (const auto& row : rows) {
        if (row.stored) {
            device->store["SarnovyLocation"] = *row.stored;
        } else {
            device->store.erase("SarnovyLocation");
        }
        const auto before = row.stored ? ParseGuid(row.stored->substr(3)) : std::nullopt;
        ASSERT_EQ(CreateSensor(), S_OK) << row.legend;
        const GUID id = PersistentId();
        EXPECT_EQ(before.has_value() && id == *before, row.kept) << row.legend;
        EXPECT_NE(id, first) << row.legend;
        EXPECT_EQ(ParseGuid(device->store["SarnovyLocation"].substr(3)), id) << row.legend << ": stored";
        ComPtr<IPortableDeviceKeyCollection> keys;
        EXPECT_EQ(ddi->GetSupportedPropertyKeys(keys.ReleaseAndGetAddressOf()), S_OK)
            << row.legend << ": the sensor keeps its properties";
        EXPECT_EQ(std::get<std::string>(Property(SENSOR_PROPERTY_FRIENDLY_NAME)),
                  "Sarnovy Module Location Sensor");
    }
}

TEST_F(SensorDdiTest, SecondInitialisationIsRefusedAndChangesNothing) {
    const GUID id = PersistentId();
    EXPECT_EQ(ddi->Initialize(device.Get(), &busy, "other"), E_UNEXPECTED);
    EXPECT_EQ(PersistentId(), id);
    EXPECT_EQ(ddi->GetDeviceInstanceId(), "USB\\VID_0000&PID_0000\\TEST");
    auto fresh = MakeCom<cSensorDDI>();
    EXPECT_EQ(fresh->Initialize(nullptr, &busy, "x"), E_UNEXPECTED);
    PropValue value;
    EXPECT_EQ(fresh->GetPropertyValue(SENSOR_PROPERTY_STATE, &value), E_UNEXPECTED) << "no store";
    EXPECT_EQ(fresh->CopyDataValues(nullptr), E_POINTER);
}

TEST_F(SensorDdiTest, CallbacksAreRefusedOnceShutdownHasBegun) {
    auto client = Connect();
    busy.BeginShutdown();
    const HRESULT busyCode = MakeHresult(0x8007045B);
    ComPtr<IPortableDeviceKeyCollection> keys;
    ComPtr<IPortableDeviceValues> values;
    ComPtr<IPortableDeviceValuesCollection> objects;
    EXPECT_EQ(ddi->OnGetSupportedSensorObjects(objects.ReleaseAndGetAddressOf()), busyCode);
    EXPECT_EQ(ddi->OnGetSupportedProperties(kSensorObjectId, keys.ReleaseAndGetAddressOf()), busyCode);
    EXPECT_EQ(ddi->OnGetSupportedDataFields(kSensorObjectId, keys.ReleaseAndGetAddressOf()), busyCode);
    GUID* events = reinterpret_cast<GUID*>(1);
    uint32_t count = 7;
    EXPECT_EQ(ddi->OnGetSupportedEvents(kSensorObjectId, &events, &count), busyCode);
    EXPECT_EQ(events, nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(
        ddi->OnGetProperties(client.Get(), kSensorObjectId, keys.Get(), values.ReleaseAndGetAddressOf()),
        busyCode);
    EXPECT_EQ(
        ddi->OnGetDataFields(client.Get(), kSensorObjectId, keys.Get(), values.ReleaseAndGetAddressOf()),
        busyCode);
    EXPECT_EQ(SetProperty(client.Get(), SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, uint32_t{2000}), busyCode);
    EXPECT_EQ(ddi->OnClientConnect(client.Get(), kSensorObjectId), busyCode);
    EXPECT_EQ(ddi->OnClientSubscribeToEvents(client.Get(), kSensorObjectId), busyCode);
    EXPECT_EQ(ddi->OnClientUnsubscribeFromEvents(client.Get(), kSensorObjectId), busyCode);
    EXPECT_EQ(ddi->OnClientDisconnect(client.Get(), kSensorObjectId), busyCode);
    EXPECT_EQ(ddi->ConnectedClientCount(), 1u) << "a refused disconnect changes nothing";
    busy.ClearShutdown();
    EXPECT_EQ(ddi->OnClientDisconnect(client.Get(), kSensorObjectId), S_OK);
}

}  // namespace
}  // namespace geolumen
