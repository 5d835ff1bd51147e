// Clients of the sensor: records, settings and their refusals, the one report interval and accuracy,
// and the idle policy, whose StopIdle and ResumeIdle calls must always balance.
#include <gtest/gtest.h>

#include <random>

// The value table below copies empty values out of initializer lists; g++ 12 with the sanitizers warns
// that the empty alternative "may be used uninitialized", which it cannot be.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "support/sensor_fixture.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;
using test_support::SensorDdiFixture;

constexpr HRESULT kNotFound = MakeHresult(0x80070490);
constexpr HRESULT kNoRecord = MakeHresult(0x8007054F);

class SensorClientsTest : public SensorDdiFixture {
  protected:
    HRESULT SetInterval(IWDFFile* client, uint32_t ms) {
        return SetProperty(client, SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, ms);
    }
    std::pair<uint32_t, uint32_t> Criteria() {
        return {ddi->Session().ReportInterval(), ddi->Session().Accuracy()};
    }
};

TEST_F(SensorClientsTest, SmallestIntervalAndHighestAccuracyWin) {
    auto a = Connect();
    auto b = Connect();
    auto c = Connect(false);
    EXPECT_EQ(Criteria(), std::pair(1000u, 0u)) << "nobody asked: 1000 ms";
    ASSERT_EQ(SetInterval(a.Get(), 5000), S_OK);
    ASSERT_EQ(SetInterval(b.Get(), 2000), S_OK);
    ASSERT_EQ(SetProperty(b.Get(), SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, int32_t{1}), S_OK);
    ASSERT_EQ(SetInterval(c.Get(), 0), S_OK) << "0: no wish";
    EXPECT_EQ(Criteria(), std::pair(2000u, 1u));
    EXPECT_EQ(Property(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL), PropValue{uint32_t{2000}});
    EXPECT_EQ(Property(SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY), PropValue{uint32_t{1}});
    ASSERT_EQ(ddi->OnClientDisconnect(b.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(Criteria(), std::pair(5000u, 0u));
    ASSERT_EQ(ddi->OnClientDisconnect(a.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(Criteria(), std::pair(1000u, 0u)) << "c asked for nothing";
    ASSERT_EQ(ddi->OnClientDisconnect(c.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(Criteria(), std::pair(1000u, 0u)) << "the last one leaves the criteria as they are";
}

TEST_F(SensorClientsTest, EachSettingIsAcceptedOrRefusedWithItsCode) {
    auto client = Connect();
    const PROPERTYKEY unknown{SENSOR_PROPERTY_COMMON_GUID, 77};
    const PROPERTYKEY I = SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL,
                      A = SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY;
    // Values set in one call -> the call's result and the error of each refused key.
    const struct {
        const char* legend;
        std::vector<std::pair<PROPERTYKEY, PropValue>> set;
        HRESULT result;
        std::vector<std::pair<PROPERTYKEY, HRESULT>> refused;
    } rows[] = {
        {"nothing", {}, S_OK, {}},
        {"interval 999", {{I, uint32_t{999}}}, S_FALSE, {{I, E_INVALIDARG}}},
        {"interval 1000", {{I, uint32_t{1000}}}, S_OK, {}},
        {"interval 0", {{I, uint32_t{0}}}, S_OK, {}},
        {"interval empty", {{I, PropValue{}}}, S_FALSE, {{I, E_ACCESSDENIED}}},
        {"interval signed", {{I, int32_t{2000}}}, S_FALSE, {{I, E_INVALIDARG}}},
        {"interval double", {{I, 2000.0}}, S_FALSE, {{I, E_INVALIDARG}}},
        {"accuracy unsigned 1", {{A, uint32_t{1}}}, S_OK, {}},
        {"accuracy signed 0", {{A, int32_t{0}}}, S_OK, {}},
        {"accuracy 2", {{A, uint32_t{2}}}, S_FALSE, {{A, E_INVALIDARG}}},
        {"accuracy empty", {{A, PropValue{}}}, S_FALSE, {{A, E_INVALIDARG}}},
        {"accuracy text", {{A, std::string("1")}}, S_FALSE, {{A, E_INVALIDARG}}},
        {"nmea on alone", {{SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{1}}}, S_OK, {}},
        {"nmea 5", {{SENSOR_PROPERTY_PRIVATE_NMEA, uint32_t{5}}}, S_OK, {}},
        {"nmea signed",
         {{SENSOR_PROPERTY_PRIVATE_NMEA, int32_t{1}}},
         S_FALSE,
         {{SENSOR_PROPERTY_PRIVATE_NMEA, E_INVALIDARG}}},
        {"restart", {{SENSOR_PROPERTY_PRIVATE_RESTART, uint32_t{1}}}, S_OK, {}},
        {"restart signed",
         {{SENSOR_PROPERTY_PRIVATE_RESTART, int32_t{1}}},
         S_FALSE,
         {{SENSOR_PROPERTY_PRIVATE_RESTART, E_INVALIDARG}}},
        {"unknown, then a good interval",
         {{unknown, uint32_t{1}}, {I, uint32_t{2000}}},
         S_FALSE,
         {{unknown, kNotFound}}},
        {"a good interval, then unknown",
         {{I, uint32_t{2000}}, {unknown, uint32_t{1}}},
         S_FALSE,
         {{unknown, kNotFound}}},
        {"read-only key",
         {{SENSOR_PROPERTY_STATE, uint32_t{0}}},
         S_FALSE,
         {{SENSOR_PROPERTY_STATE, kNotFound}}},
    };
    for (const auto& row : rows) {
        ComPtr<IPortableDeviceValues> values, results;
        ASSERT_EQ(CreatePortableDeviceValues(values.ReleaseAndGetAddressOf()), S_OK);
        for (const auto& [key, value] : row.set) (void)values->SetValue(key, value);
        EXPECT_EQ(ddi->OnSetProperties(client.Get(), kSensorObjectId, values.Get(),
                                       results.ReleaseAndGetAddressOf()),
                  row.result)
            << row.legend;
        uint32_t n = 0;
        ASSERT_EQ(results->GetCount(&n), S_OK);
        EXPECT_EQ(n, row.refused.size()) << row.legend;
        for (const auto& [key, hr] : row.refused) {
            PropValue value;
            EXPECT_EQ(results->GetValue(key, &value), S_OK) << row.legend;
            EXPECT_EQ(value, PropValue{ErrorValue{hr}}) << row.legend;
        }
    }
    EXPECT_EQ(ops->deletes, 1) << "one restart";
    EXPECT_TRUE(ddi->NmeaEnabled());
    EXPECT_EQ(Property(SENSOR_PROPERTY_PRIVATE_RESTART), PropValue{uint32_t{1}});

    ComPtr<IPortableDeviceValues> results;
    auto stranger = MakeCom<HostFile>();
    EXPECT_EQ(SetInterval(stranger.Get(), 2000), S_FALSE);
    EXPECT_EQ(SetProperty(stranger.Get(), SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, uint32_t{1}, &results),
              S_FALSE);
    PropValue value;
    ASSERT_EQ(results->GetValue(SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, &value), S_OK);
    EXPECT_EQ(value, PropValue{ErrorValue{kNoRecord}});
    EXPECT_EQ(ddi->OnSetProperties(client.Get(), kSensorObjectId, nullptr, results.ReleaseAndGetAddressOf()),
              E_INVALIDARG);
}

// Connects, disconnects, subscribes and unsubscribes in a row, each with the result it must give; then
// whether a complete fix sets the data-ready event. Every subscribe counts, with or without a record; a
// disconnect leaves the count alone.
TEST_F(SensorClientsTest, SubscribeCountsAndDisconnectResults) {
    enum Op { kConnect, kDisconnect, kSubscribe, kUnsubscribe };
    enum Who { kA, kB, kStranger, kNull };
    struct Step {
        Op op;
        Who who;
        HRESULT result;
    };
    struct Row {
        const char* legend;
        std::vector<Step> steps;
        uint32_t subscribers, connected;
        bool dataEvent;
    };
    const Row rows[] = {
        {"subscribe without connect gets events, then unsubscribes",
         {{kSubscribe, kStranger, S_OK}},
         1,
         0,
         true},
        {"... and its unsubscribe is taken back",
         {{kSubscribe, kStranger, S_OK}, {kUnsubscribe, kStranger, S_OK}},
         0,
         0,
         false},
        {"nobody subscribed: unsubscribe is unexpected", {{kUnsubscribe, kA, E_UNEXPECTED}}, 0, 0, false},
        {"two subscribes of one client count twice",
         {{kConnect, kA, S_OK}, {kSubscribe, kA, S_OK}, {kSubscribe, kA, S_OK}, {kUnsubscribe, kA, S_OK}},
         1,
         1,
         true},
        {"a disconnect without a record while another is connected succeeds",
         {{kConnect, kA, S_OK}, {kDisconnect, kStranger, S_OK}},
         0,
         1,
         false},
        {"a disconnect leaves the subscriber count",
         {{kConnect, kA, S_OK}, {kSubscribe, kA, S_OK}, {kDisconnect, kA, S_OK}},
         1,
         0,
         true},
        {"nobody connected: disconnect is unexpected",
         {{kConnect, kA, S_OK}, {kDisconnect, kA, S_OK}, {kDisconnect, kA, E_UNEXPECTED}},
         0,
         0,
         false},
        {"null clients", {{kConnect, kNull, S_FALSE}, {kDisconnect, kNull, S_FALSE}}, 0, 0, false},
        {"a second connect adds nothing",
         {{kConnect, kA, S_OK}, {kConnect, kA, S_OK}, {kConnect, kB, S_OK}},
         0,
         2,
         false},
    };
    for (const Row& row : rows) {
        // Each row on a sensor and a device of its own.
        TearDown();
        device = MakeCom<test_support::FakeSensorDevice>();
        dataReady.ResetEvent();
        SetUp();
        const ComPtr<IWDFFile> files[] = {MakeCom<HostFile>(), MakeCom<HostFile>(), MakeCom<HostFile>(),
                                          nullptr};
        for (const Step& step : row.steps) {
            IWDFFile* file = files[step.who].Get();
            const HRESULT hr = step.op == kConnect      ? ddi->OnClientConnect(file, kSensorObjectId)
                               : step.op == kDisconnect ? ddi->OnClientDisconnect(file, kSensorObjectId)
                               : step.op == kSubscribe
                                   ? ddi->OnClientSubscribeToEvents(file, kSensorObjectId)
                                   : ddi->OnClientUnsubscribeFromEvents(file, kSensorObjectId);
            EXPECT_EQ(hr, step.result) << row.legend << ", step " << (&step - row.steps.data());
        }
        EXPECT_EQ(ddi->SubscriberCount(), row.subscribers) << row.legend;
        EXPECT_EQ(ddi->ConnectedClientCount(), row.connected) << row.legend;
        EXPECT_EQ(device->References(), row.connected != 0 ? 1 : 0) << row.legend << ": one StopIdle at most";
        ddi->ApplyPositionReport(test_support::CompleteFix());
        EXPECT_EQ(dataReady.IsSet(), row.dataEvent) << row.legend;
    }
}

// The arbitration a disconnect without a record runs: the others' settings are applied again.
TEST_F(SensorClientsTest, UnknownDisconnectArbitratesTheOthers) {
    auto a = Connect();
    ASSERT_EQ(SetInterval(a.Get(), 5000), S_OK);
    ddi->Session().SetCriteria(1000, 0);  // as if the session had been steered elsewhere
    auto stranger = MakeCom<HostFile>();
    EXPECT_EQ(ddi->OnClientDisconnect(stranger.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(Criteria(), std::pair(5000u, 0u));
}

TEST_F(SensorClientsTest, LongIntervalLetsTheDeviceIdleBetweenReports) {
    auto client = Connect();
    EXPECT_EQ(device->References(), 1) << "connect keeps the device awake";
    ASSERT_EQ(SetInterval(client.Get(), 20000), S_OK);  // the change counts once
    EXPECT_EQ(timer->sets, 0);
    ddi->UpdateIdlePolicy();  // first data event after it: the second call
    EXPECT_EQ(device->References(), 0) << "idle window";
    ASSERT_TRUE(timer->due.has_value());
    EXPECT_EQ(*timer->due, 17000ms);
    EXPECT_EQ(timer->window, 100ms);
    ddi->UpdateIdlePolicy();
    ddi->UpdateIdlePolicy();
    EXPECT_EQ(timer->sets, 1) << "armed once while set";
    FireIdleTimer();
    EXPECT_EQ(device->References(), 1) << "woken before the next report";
    EXPECT_FALSE(ddi->IdleWindowOpen());

    ddi->UpdateIdlePolicy();
    ddi->UpdateIdlePolicy();
    EXPECT_EQ(device->References(), 0);
    ASSERT_EQ(SetInterval(client.Get(), 1000), S_OK) << "short again during the window";
    EXPECT_EQ(device->References(), 1);
    EXPECT_FALSE(timer->due.has_value()) << "cancelled";
}

TEST_F(SensorClientsTest, RadioOffMeansNoIdleCallsAtAll) {
    ddi->Session().currentRadioState = 1;
    ddi->Session().requestedRadioState = 1;
    auto client = Connect();
    ASSERT_EQ(SetInterval(client.Get(), 20000), S_OK);
    for (int i = 0; i < 4; ++i) ddi->UpdateIdlePolicy();
    ASSERT_EQ(ddi->OnClientDisconnect(client.Get(), kSensorObjectId), S_OK);
    EXPECT_EQ(device->StopIdleCalls(), 0);
    EXPECT_EQ(device->ResumeIdleCalls(), 0);
}

TEST_F(SensorClientsTest, IdleReferencesNeverGoBelowZeroInAnyOrder) {
    std::mt19937 random(20261209);
    std::vector<ComPtr<IWDFFile>> clients;
    uint64_t lastCookie = 0;
    int windows = 0;
    for (int step = 0; step < 5000; ++step) {
        switch (random() % 7) {
            case 0:
                clients.push_back(Connect(random() % 2));
                break;
            case 1:
                if (!clients.empty()) {
                    const size_t i = random() % clients.size();
                    (void)ddi->OnClientDisconnect(clients[i].Get(), kSensorObjectId);
                    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
                }
                break;
            case 2:
                if (!clients.empty()) {
                    (void)SetInterval(clients[random() % clients.size()].Get(), random() % 2 ? 20000 : 1000);
                }
                break;
            case 3:
            case 4:
                ddi->UpdateIdlePolicy();
                break;
            case 5:
                if (timer->due) {
                    lastCookie = timer->cookie;
                    FireIdleTimer();
                }
                break;
            case 6:
                ddi->IdleTimerCallback(lastCookie);
                break;  // late, maybe stale
        }
        ASSERT_EQ(device->UnmatchedResumes(), 0) << "step " << step;
        const int expected = clients.empty() ? 0 : (ddi->IdleWindowOpen() ? 0 : 1);
        ASSERT_EQ(device->References(), expected) << "step " << step;
        windows += ddi->IdleWindowOpen();
    }
    EXPECT_GT(windows, 100) << "the walk opened idle windows";
}

TEST(ThreadTimer, FiresOnceWithItsCookieAndNotAfterCancel) {
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint64_t> fired;
    {
        ThreadTimer timer([&](uint64_t cookie) {
            std::lock_guard lock(m);
            fired.push_back(cookie);
            cv.notify_all();
        });
        timer.Set(1h, 100ms, 1);
        timer.Cancel();
        timer.Set(0ms, 100ms, 2);
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return !fired.empty(); }));
        lock.unlock();
        timer.Set(1h, 100ms, 3);
    }  // destroyed while armed: no callback, no hang
    EXPECT_EQ(fired, (std::vector<uint64_t>{2}));
}

}  // namespace
}  // namespace geolumen
