// The whole data road in one process: the driver on the simulated module, a client that connects and
// subscribes through the sensor callbacks, and the fix the module sends arriving in the posted data
// event and in a data-field read with its exact values.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "driver_test_support.h"
#include "platform/sensor_driver.h"
#include "sensor/sensor_ddi.h"
#include "sim/sim_location_service.h"
#include "sim/sim_usb_target.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;
using testing::DriverTest;
using testing::StaticDriverEntry;

constexpr auto kRoadBound = 10s;

// Waits for `done` to hold, checking it whenever the module or the driver may have moved; false when
// it did not hold within kRoadBound.
template <class Done>
bool Eventually(Done done) {
    const auto until = std::chrono::steady_clock::now() + kRoadBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class SensorRoadTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        DriverGlobals::Get().SetParts(testing::RealSensorParts());
        (void)SetSensorPostListener([this](const SensorPost& post) {
            if (post.kind != SensorPost::Kind::kEvent) return;
            // Copied at post time: the event thread reuses its value set for the next event.
            ComPtr<IPortableDeviceValues> values;
            if (FAILED(post.events->GetAt(0, values.ReleaseAndGetAddressOf()))) return;
            std::vector<std::pair<PROPERTYKEY, PropValue>> copy;
            uint32_t n = 0;
            (void)values->GetCount(&n);
            for (uint32_t i = 0; i < n; ++i) {
                PROPERTYKEY key{};
                PropValue value;
                if (SUCCEEDED(values->GetAt(i, &key, &value))) copy.emplace_back(key, value);
            }
            std::lock_guard lock(mutex);
            posts.push_back(std::move(copy));
            posted.notify_all();
        });
    }

    std::mutex mutex;
    std::condition_variable posted;
    std::vector<std::vector<std::pair<PROPERTYKEY, PropValue>>> posts;
};

TEST_F(SensorRoadTest, ASubscribedClientGetsTheSimulatedFixExactly) {
    sim::SimModule module;
    sim::SimLocationService service(module);
    auto target = std::make_shared<sim::SimUsbTarget>(module);
    DriverHost host(StaticDriverEntry(), "USB\\VID_0000&PID_0000\\ROAD", nullptr);
    host.SetUsbTarget(target);
    ASSERT_EQ(host.LoadDriver(), S_OK);
    ASSERT_EQ(host.AddDevice(), S_OK);
    ASSERT_EQ(host.StartDevice(), S_OK);

    ComPtr<ISensorDriver> driver;
    ASSERT_EQ(DriverGlobals::Get().SensorDdi().As(driver), S_OK);
    auto client = MakeCom<HostFile>();
    ASSERT_EQ(driver->OnClientConnect(client.Get(), kSensorObjectId), S_OK);
    ASSERT_EQ(driver->OnClientSubscribeToEvents(client.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(host.Device()->StopIdleCount(), 1) << "kept awake while a client is connected";
    ComPtr<IPortableDeviceValues> set, results;
    ASSERT_EQ(CreatePortableDeviceValues(set.ReleaseAndGetAddressOf()), S_OK);
    (void)set->SetValue(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, uint32_t{2000});
    ASSERT_EQ(
        driver->OnSetProperties(client.Get(), kSensorObjectId, set.Get(), results.ReleaseAndGetAddressOf()),
        S_OK);
    ASSERT_TRUE(Eventually([&] { return service.SessionRunning() && service.SessionInterval() == 2000; }))
        << "the module's session follows the client's interval";

    // Binary-exact values, so every conversion on the way must keep them as they are.
    sim::SimPosition fix;
    fix.latitude = -33.8740234375;
    fix.longitude = 151.2109375;
    fix.errorRadius = 4.5f;
    fix.speed = 2.5f;
    fix.altitudeEllipsoid = 60.25f;
    fix.altitudeSeaLevel = 38.75f;
    fix.verticalUncertainty = 6.0f;
    fix.heading = 270.5f;
    fix.technologyMask = 0x1;
    fix.dop = std::array<float, 3>{1.5f, 0.75f, 1.25f};
    fix.utcMs = 1700000000000ULL;
    service.SendPosition(fix);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(posted.wait_for(lock, kRoadBound, [&] { return !posts.empty(); })) << "no data event";
    }
    const std::pair<PROPERTYKEY, PropValue> golden[] = {
        {SENSOR_EVENT_PARAMETER_EVENT_ID, SENSOR_EVENT_DATA_UPDATED},
        {SENSOR_DATA_TYPE_LATITUDE_DEGREES, -33.8740234375},
        {SENSOR_DATA_TYPE_LONGITUDE_DEGREES, 151.2109375},
        {SENSOR_DATA_TYPE_ERROR_RADIUS_METERS, 4.5},
        {SENSOR_DATA_TYPE_SPEED_KNOTS, static_cast<double>(2.5f * 1.9438612f)},
        {SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_METERS, 60.25},
        {SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_METERS, 38.75},
        {SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_ERROR_METERS, 6.0},
        {SENSOR_DATA_TYPE_TRUE_HEADING_DEGREES, 270.5},
        {SENSOR_DATA_TYPE_POSITION_DILUTION_OF_PRECISION, 1.5},
        {SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION, 0.75},
        {SENSOR_DATA_TYPE_VERTICAL_DILUTION_OF_PRECISION, 1.25},
        {SENSOR_DATA_TYPE_FIX_TYPE, int32_t{1}},
        // 1700000000000 ms after 1970: 116444736000000000 + 1700000000000 x 10000.
        {SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{116444736000000000ULL + 17000000000000000ULL}},
        {SENSOR_DATA_TYPE_NMEA_SENTENCE, std::string()},
    };
    std::vector<std::pair<PROPERTYKEY, PropValue>> first;
    {
        std::lock_guard lock(mutex);
        first = posts.front();
    }
    auto find = [](const auto& values, const PROPERTYKEY& key) -> std::optional<PropValue> {
        for (const auto& [k, v] : values) {
            if (k == key) return v;
        }
        return std::nullopt;
    };
    for (const auto& [key, value] : golden) EXPECT_EQ(find(first, key), value) << SensorKeyName(key);
    EXPECT_EQ(first.size(), 1u + kSensorDataFieldKeys.size() + 2u) << "event id, 20 fields, 2 error fields";

    // A read gives what the event carried.
    ComPtr<IPortableDeviceKeyCollection> keys;
    ASSERT_EQ(CreatePortableDeviceKeyCollection(keys.ReleaseAndGetAddressOf()), S_OK);
    (void)keys->Add(SENSOR_DATA_TYPE_LATITUDE_DEGREES);
    ComPtr<IPortableDeviceValues> read;
    ASSERT_EQ(
        driver->OnGetDataFields(client.Get(), kSensorObjectId, keys.Get(), read.ReleaseAndGetAddressOf()),
        S_OK);
    PropValue latitude;
    ASSERT_EQ(read->GetValue(SENSOR_DATA_TYPE_LATITUDE_DEGREES, &latitude), S_OK);
    EXPECT_EQ(latitude, PropValue{-33.8740234375});

    ASSERT_EQ(driver->OnClientUnsubscribeFromEvents(client.Get(), kSensorObjectId), S_OK);
    ASSERT_EQ(driver->OnClientDisconnect(client.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(host.Device()->StopIdleCount(), 0) << "free to idle once the last client is gone";
    EXPECT_EQ(host.RemoveDevice(false), S_OK);
    EXPECT_EQ(host.UnloadDriver(), S_OK);
}

}  // namespace
}  // namespace geolumen
