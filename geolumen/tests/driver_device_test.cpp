#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>

#include "driver/main_driver.h"
#include "driver/queue.h"
#include "driver_test_support.h"

namespace geolumen::testing {
namespace {

using namespace std::chrono_literals;
constexpr auto kMustHappen = 10s;

// Collects what the class extension posts, for tests that wait on the event thread.
class PostRecorder {
  public:
    PostRecorder() {
        (void)SetSensorPostListener([this](const SensorPost& post) {
            std::lock_guard lock(mutex_);
            posts_.push_back(post);
            cv_.notify_all();
        });
    }
    ~PostRecorder() { (void)SetSensorPostListener(nullptr); }

    // The next post, or nullopt when none comes within the bound.
    std::optional<SensorPost> Next() {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, kMustHappen, [this] { return !posts_.empty(); })) return std::nullopt;
        auto post = posts_.front();
        posts_.pop_front();
        return post;
    }
    size_t Pending() {
        std::lock_guard lock(mutex_);
        return posts_.size();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<SensorPost> posts_;
};

class DeviceTest : public DriverTest {
  protected:
    // Loads the driver and adds a device.
    std::unique_ptr<DriverHost> AddedHost() {
        auto host =
            std::make_unique<DriverHost>(StaticDriverEntry(), "USB\\VID_1234&PID_5678\\TEST0", nullptr);
        EXPECT_EQ(host->LoadDriver(), S_OK);
        EXPECT_EQ(host->AddDevice(), S_OK);
        return host;
    }
    // Loads, adds and starts a device.
    std::unique_ptr<DriverHost> StartedHost() {
        auto host = AddedHost();
        EXPECT_EQ(host->StartDevice(), S_OK);
        return host;
    }
};

// A framework driver that hands back no device.
class NoDeviceDriver final : public ComObject<IWDFDriver> {
  public:
    HRESULT DeleteWdfObject() override { return S_OK; }
    HRESULT CreateDevice(IWDFDeviceInitialize*, IUnknown*, IWDFDevice** device) override {
        *device = nullptr;
        return S_OK;
    }
};

TEST_F(DeviceTest, DeviceAddRefusesMissingArgumentsAndMissingDevice) {
    auto driver = MakeCom<cMainDriver>();
    auto init = MakeCom<HostDeviceInit>("X");
    auto fx = MakeCom<HostDriver>();
    EXPECT_EQ(driver->OnDeviceAdd(nullptr, init.Get()), E_UNEXPECTED);
    EXPECT_EQ(driver->OnDeviceAdd(fx.Get(), nullptr), E_UNEXPECTED);
    auto none = MakeCom<NoDeviceDriver>();
    EXPECT_EQ(driver->OnDeviceAdd(none.Get(), init.Get()), E_POINTER);
}

TEST_F(DeviceTest, DeviceAddSetsOptionsIdleSettingsAndPnpState) {
    auto driver = MakeCom<cMainDriver>();
    auto init = MakeCom<HostDeviceInit>("USB\\VID_1234&PID_5678\\TEST0");
    auto fx = MakeCom<HostDriver>();
    ASSERT_EQ(driver->OnDeviceAdd(fx.Get(), init.Get()), S_OK);
    EXPECT_EQ(init->LockingConstraint(), WdfSynchronizationScopeNone);
    EXPECT_TRUE(init->PowerPolicyOwner());
    auto device = fx->Device();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->InstanceId(), "USB\\VID_1234&PID_5678\\TEST0");
    EXPECT_TRUE(device->PnpNotDisableableCommitted());
    WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS idle{};
    ASSERT_TRUE(device->IdleSettingsAssigned(&idle));
    // size 32, cannot wake (1), D3 (4), 100 ms = 0x64, user control allowed (2), disabled, no wake-up
    // power-up, system-managed time-out (1); eight little-endian 32-bit words.
    const uint8_t expected[32] = {0x20, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 0x64, 0, 0, 0,
                                  2,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1,    0, 0, 0};
    EXPECT_EQ(std::memcmp(&idle, expected, sizeof expected), 0);
    (void)device->DeleteWdfObject();
}

TEST_F(DeviceTest, PrepareHardwareBuildsInOrderAndPublishesTheQueue) {
    auto host = StartedHost();
    auto device = host->Device();
    auto queue = device->DefaultQueue();
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->Dispatch(), WdfIoQueueDispatchParallel);
    EXPECT_TRUE(queue->AllowsZeroLength());
    ASSERT_EQ(device->DeviceInterfaces().size(), 1u);
    EXPECT_EQ(device->DeviceInterfaces()[0], kRadioDeviceInterface);
    EXPECT_EQ(log.Calls(), (std::vector<std::string>{"ddi init", "reader start", "target configure",
                                                     "continuous reader", "pipe start", "session start"}));
    ASSERT_TRUE(lastDdi);
    EXPECT_NE(lastDdi->dataReady_, nullptr);
    EXPECT_NE(lastDdi->stateChange_, nullptr);
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 1u);
    EXPECT_EQ(host->RemoveDevice(false), S_OK);
}

TEST_F(DeviceTest, SensorPartFailuresFailPreparationAndLeaveNoThread) {
    const char* const cases[] = {"sensor interface", "class extension", "event thread"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i]);
        failSensorDdi = i == 0;
        failClassExtension = i == 1;
        failThread = i == 2;
        const size_t threadsBefore = ThreadBaseline();
        auto host = AddedHost();
        EXPECT_TRUE(FAILED(host->StartDevice())) << "a device without its sensor parts reported success";
        EXPECT_FALSE(DriverGlobals::Get().SensorDdi());
        EXPECT_EQ(log.Count("reader start"), 0) << "USB started for a device that failed";
        EXPECT_EQ(host->RemoveDevice(false), S_OK);
        EXPECT_EQ(host->UnloadDriver(), S_OK);
        EXPECT_LE(SettledThreadCount(threadsBefore), threadsBefore);
    }
}

TEST_F(DeviceTest, FailedResponseReaderOrUsbSetUpFailsPreparation) {
    usbReaderStarts = false;
    auto host = AddedHost();
    EXPECT_TRUE(FAILED(host->StartDevice()));
    EXPECT_EQ(log.Count("target configure"), 0);
    (void)host->RemoveDevice(false);

    usbReaderStarts = true;
    usbConfigureResult = E_UNEXPECTED;  // e.g. a last interface with two endpoints
    auto second = AddedHost();
    EXPECT_EQ(second->StartDevice(), E_UNEXPECTED);
    EXPECT_EQ(log.Count("continuous reader"), 0);
}

TEST_F(DeviceTest, RepeatedPreparationFirstReleasesThePreviousOne) {
    auto host = StartedHost();
    auto device = host->Device();
    const size_t threadsAfterFirst = ThreadBaseline();
    auto firstDdi = lastDdi;
    ASSERT_EQ(device->Hardware()->OnPrepareHardware(device.Get()), S_OK);
    // One reader start, one stop before the second start: never two readers at once.
    const auto calls = log.Calls();
    int readers = 0, most = 0;
    for (const auto& call : calls) {
        if (call == "reader start") most = std::max(most, ++readers);
        if (call == "reader stop") --readers;
    }
    EXPECT_EQ(most, 1);
    EXPECT_EQ(log.Count("reader start"), 2);
    EXPECT_EQ(log.Count("target delete"), 1);
    EXPECT_NE(lastDdi.Get(), firstDdi.Get());
    EXPECT_EQ(DriverGlobals::Get().SensorDdi().Get(), static_cast<ISensorDdi*>(lastDdi.Get()));
    EXPECT_LE(SettledThreadCount(threadsAfterFirst), threadsAfterFirst) << "a second event thread appeared";
    EXPECT_EQ(host->RemoveDevice(false), S_OK);
}

TEST_F(DeviceTest, OrderlyRemovalStopsTheSessionBeforeTheReader) {
    auto host = StartedHost();
    EXPECT_EQ(host->RemoveDevice(false), S_OK);
    EXPECT_GE(log.IndexOf("session stop"), 0);
    EXPECT_LT(log.IndexOf("session stop"), log.IndexOf("reader stop"));
    EXPECT_LT(log.IndexOf("reader stop"), log.IndexOf("target delete"));
    EXPECT_LT(log.IndexOf("target delete"), log.IndexOf("stack stop"));
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 0u);
    EXPECT_FALSE(DriverGlobals::Get().SensorDdi());
}

TEST_F(DeviceTest, SurpriseRemovalRefusesCallbacksYetReleaseStopsTheSession) {
    auto host = StartedHost();
    auto device = host->Device();
    auto pnp = device->Pnp();
    pnp->OnSurpriseRemoval(device.Get());
    EXPECT_TRUE(DriverGlobals::Get().DeviceRemoved.load());
    const auto before = log.Calls().size();
    // Refused callbacks touch nothing: no session stop from D0 exit, no data-reporting change.
    EXPECT_EQ(pnp->OnD0Exit(device.Get(), WdfPowerDeviceD3), MakeHresult(0x8007045Bu));
    EXPECT_EQ(pnp->OnD0Entry(device.Get(), WdfPowerDeviceD3), MakeHresult(0x8007045Bu));
    EXPECT_EQ(device->SelfManagedIo()->OnSelfManagedIoSuspend(device.Get()), MakeHresult(0x8007045Bu));
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 1u);
    EXPECT_EQ(log.Calls().size(), before);

    EXPECT_EQ(device->Hardware()->OnReleaseHardware(device.Get()), S_OK);
    EXPECT_EQ(log.Count("session stop"), 1);
    EXPECT_LT(log.IndexOf("session stop"), log.IndexOf("reader stop"));
    // Release clears the shutdown bit, so the device could be prepared again.
    EXPECT_EQ(pnp->OnD0Entry(device.Get(), WdfPowerDeviceD3), S_OK);
}

TEST_F(DeviceTest, D0EntryWithoutSensorInterfaceSucceedsAndStartsNothing) {
    failSensorDdi = true;
    auto host = AddedHost();
    auto device = host->Device();
    EXPECT_TRUE(FAILED(device->Hardware()->OnPrepareHardware(device.Get())));
    EXPECT_EQ(device->Pnp()->OnD0Entry(device.Get(), WdfPowerDeviceD3), S_OK);
    EXPECT_EQ(log.Count("session start"), 0);
    EXPECT_EQ(device->Hardware()->OnReleaseHardware(device.Get()), S_OK);
}

TEST_F(DeviceTest, EventThreadPostsDataUpdatedWithTheDataFields) {
    PostRecorder posts;
    auto host = StartedHost();
    ASSERT_TRUE(lastDdi);
    lastDdi->dataReady_->Set();
    auto post = posts.Next();
    ASSERT_TRUE(post);
    EXPECT_EQ(post->kind, SensorPost::Kind::kEvent);
    EXPECT_EQ(post->sensorId, "SarnovyLocation");
    ComPtr<IPortableDeviceValues> values;
    ASSERT_EQ(post->events->GetAt(0, values.ReleaseAndGetAddressOf()), S_OK);
    uint32_t count = 0;
    ASSERT_EQ(values->GetCount(&count), S_OK);
    ASSERT_EQ(count, 2u);  // the event id, then the one data field of the fake
    PROPERTYKEY key{};
    PropValue value;
    ASSERT_EQ(values->GetAt(0, &key, &value), S_OK);
    EXPECT_EQ(key, SENSOR_EVENT_PARAMETER_EVENT_ID);
    EXPECT_EQ(std::get<GUID>(value), SENSOR_EVENT_DATA_UPDATED);
    ASSERT_EQ(values->GetAt(1, &key, &value), S_OK);
    EXPECT_EQ(std::get<double>(value), 52.5);
    EXPECT_EQ(host->RemoveDevice(false), S_OK);
    EXPECT_EQ(log.Count("idle policy"), 1);
}

TEST_F(DeviceTest, StateChangesArePostedOnlyForReadyNotAvailableAndInitializing) {
    PostRecorder posts;
    auto host = StartedHost();
    // Each state change is followed by a data event as a marker, set once the thread has taken the state
    // change: one thread posts both in order, so a state post, if any, arrives before the marker.
    const struct {
        uint32_t state;
        bool posted;
    } table[] = {{0, true}, {1, true}, {2, false}, {3, true}, {4, false}, {5, false}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.state);
        lastDdi->state = row.state;
        lastDdi->stateChange_->Set();
        while (lastDdi->stateChange_->IsSet()) std::this_thread::yield();
        lastDdi->dataReady_->Set();
        auto first = posts.Next();
        ASSERT_TRUE(first);
        if (row.posted) {
            EXPECT_EQ(first->kind, SensorPost::Kind::kStateChange);
            EXPECT_EQ(first->state, row.state);
            EXPECT_EQ(first->sensorId, "SarnovyLocation");
            first = posts.Next();
            ASSERT_TRUE(first);
        }
        EXPECT_EQ(first->kind, SensorPost::Kind::kEvent);
    }
    EXPECT_EQ(host->RemoveDevice(false), S_OK);
}

TEST_F(DeviceTest, UnloadIsRefusedWhileObjectsLive) {
    auto host = StartedHost();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(host->RemoveDevice(false), S_OK);
    EXPECT_EQ(host->UnloadDriver(), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(DeviceTest, ClassObjectLookup) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(&CLSID_GeolumenDriver, &IClassFactory::kIid, nullptr), E_POINTER);
    EXPECT_EQ(DllGetClassObject(&IClassFactory::kIid, &IClassFactory::kIid, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(&CLSID_GeolumenDriver, &IClassFactory::kIid,
                                reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
              S_OK);
    auto outer = MakeCom<HostFile>();
    void* driver = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IDriverEntry::kIid, &driver), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a live class factory must keep the library";
    ASSERT_EQ(factory->LockServer(true), S_OK);
    factory.Reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    // Released through a fresh factory: the lock belongs to the module, not the object.
    ASSERT_EQ(DllGetClassObject(&CLSID_GeolumenDriver, &IClassFactory::kIid,
                                reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
              S_OK);
    ASSERT_EQ(factory->LockServer(false), S_OK);
    factory.Reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(DllRegisterServer(), S_OK);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
}

}  // namespace
}  // namespace geolumen::testing
