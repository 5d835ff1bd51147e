#pragma once
// Fakes for the driver's tests: a sensor interface and a USB link that record what the device asks of
// them into one shared call log, and a fixture that gives each test a fresh module state.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver_globals.h"
#include "driver/exports.h"
#include "driver/main_device.h"
#include "platform/driver_host.h"
#include "sensor/sensor_ddi.h"

namespace geolumen::testing {

class CallLog {
  public:
    void Add(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    [[nodiscard]] std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    [[nodiscard]] int Count(const std::string& call) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& c : calls_) n += c == call;
        return n;
    }
    // Position of the first `call`, or -1.
    [[nodiscard]] int IndexOf(const std::string& call) const {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < calls_.size(); ++i) {
            if (calls_[i] == call) return static_cast<int>(i);
        }
        return -1;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

// A sensor interface whose radio state is one number per flag, and whose state and data are scripted.
class FakeSensorDdi final : public ComObject<ISensorDdi> {
  public:
    explicit FakeSensorDdi(CallLog& log) : log_(log) {}

    HRESULT InitializeSensorDdi(IWDFDevice*, cMainDevice* owner) override {
        owner_ = owner;
        log_.Add("ddi init");
        return S_OK;
    }
    void SetEventHandles(Event* dataReady, Event* stateChange) override {
        dataReady_ = dataReady;
        stateChange_ = stateChange;
    }
    void StartLocationSession() override { log_.Add("session start"); }
    void StopLocationSession() override { log_.Add("session stop"); }
    HRESULT CopyDataValues(IPortableDeviceValues* target, uint64_t* report) override {
        // Every copy stands for a new report.
        if (report) *report = ++reports_;
        // One data field: latitude as a double, key pid 2 of an arbitrary set.
        return target->SetValue(PROPERTYKEY{WdfGuid(1, 2, 3, 4, 5), 2}, 52.5);
    }
    uint32_t GetSensorState() override { return state.load(); }
    void UpdateIdlePolicy() override { log_.Add("idle policy"); }
    HRESULT GetRadioStateIoctl(IWDFIoRequest* request, bool previous) override {
        ComPtr<IWDFMemory> memory;
        request->GetOutputMemory(memory.ReleaseAndGetAddressOf());
        size_t size = 0;
        void* buffer = memory ? memory->GetDataBuffer(&size) : nullptr;
        if (buffer && size == 4) {
            const uint32_t value = previous ? previousRadio.load() : currentRadio.load();
            std::memcpy(buffer, &value, 4);
        }
        return S_OK;
    }
    HRESULT SetRadioStateIoctl(IWDFIoRequest* request, bool previous) override {
        ComPtr<IWDFMemory> memory;
        request->GetInputMemory(memory.ReleaseAndGetAddressOf());
        size_t size = 0;
        void* buffer = memory ? memory->GetDataBuffer(&size) : nullptr;
        int32_t value = 0;
        if (!buffer || size != 4) return E_INVALIDARG;
        std::memcpy(&value, buffer, 4);
        if (value > 6) return E_INVALIDARG;
        (previous ? previousRadio : currentRadio) = static_cast<uint32_t>(value);
        return S_OK;
    }

    cMainDevice* owner_ = nullptr;
    Event* dataReady_ = nullptr;
    Event* stateChange_ = nullptr;
    std::atomic<uint32_t> state{SENSOR_STATE_READY};
    std::atomic<uint32_t> currentRadio{0};
    std::atomic<uint32_t> previousRadio{0};

  private:
    CallLog& log_;
    uint64_t reports_ = 0;
};

class FakeUsbLink final : public UsbLink {
  public:
    explicit FakeUsbLink(CallLog& log) : log_(log) {}
    bool StartResponseReader() override {
        log_.Add("reader start");
        return readerStarts;
    }
    void StopResponseReader() override { log_.Add("reader stop"); }
    HRESULT ConfigureUsbTarget(IWDFDevice2* device2) override {
        log_.Add(device2 ? "target configure" : "target configure without device");
        return configureResult;
    }
    HRESULT SetupContinuousReader() override {
        log_.Add("continuous reader");
        return S_OK;
    }
    HRESULT StartInterruptReader() override {
        log_.Add("pipe start");
        return S_OK;
    }
    void DeleteUsbTarget() override { log_.Add("target delete"); }
    void StopMessageStack() override { log_.Add("stack stop"); }

    bool readerStarts = true;
    HRESULT configureResult = S_OK;

  private:
    CallLog& log_;
};

// The exports of the statically linked driver, for a host in this process.
inline DriverEntryPoints StaticDriverEntry() {
    return DriverEntryPoints{&DllGetClassObject, &DllCanUnloadNow, &Microsoft_WDF_UMDF_Version};
}

// Threads of this process now.
inline size_t ThreadCount();

// The thread count to compare with after a test: measured once a thread has come and gone, since a
// sanitizer's run-time starts a helper thread of its own with the first thread of the process.
inline size_t ThreadBaseline() {
    std::thread([] {}).join();
    return ThreadCount();
}

// A thread just joined can still be listed for a moment (the join returns before the kernel has quite
// finished with it), so the count is read until it holds still; a thread left running stays counted.
inline size_t ThreadCount() {
    const auto count = [] {
        size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
        return n;
    };
    constexpr int kSettleReads = 100;  // 100 x 5 ms: far longer than any thread takes to go
    constexpr auto kSettlePause = std::chrono::milliseconds(5);
    size_t n = count();
    for (int i = 0; i < kSettleReads; ++i) {
        std::this_thread::sleep_for(kSettlePause);
        const size_t again = count();
        if (again == n) break;
        n = again;
    }
    return n;
}

// A thread that was joined, or whose std::async result was taken, can still be listed for a moment
// while the kernel finishes it; on a loaded machine that moment is long enough to be seen. Waits that
// long, never more than this bound, for the count to come back down.
inline constexpr auto kThreadExitBound = std::chrono::seconds(2);

// The thread count once ending threads are gone, or after kThreadExitBound. Compared with a baseline by
// "at most": the baseline may itself have caught the thread it started on its way out.
inline size_t SettledThreadCount(size_t baseline) {
    const auto until = std::chrono::steady_clock::now() + kThreadExitBound;
    size_t n = ThreadCount();
    while (n > baseline && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        n = ThreadCount();
    }
    return n;
}

// The default parts with the real sensor interface, whose session starts without the usual delay.
inline DeviceParts RealSensorParts() {
    DeviceParts parts = DeviceParts::Defaults();
    parts.createSensorDdi = [](ISensorDdi** out) -> HRESULT {
        SensorDdiConfig config;
        config.sessionStartDelay = std::chrono::milliseconds(0);
        *out = MakeCom<cSensorDDI>(config).Detach();
        return S_OK;
    };
    return parts;
}

// Each test starts from a freshly loaded module, with fakes that log into `log`, and a private store.
class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DriverGlobals::Get().Reset();
        stateDir_ = std::filesystem::temp_directory_path() /
                    ("geolumen-driver-test-" + std::to_string(::getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        setenv("GEOLUMEN_STATE_DIR", stateDir_.c_str(), 1);
        DeviceParts parts = DeviceParts::Defaults();
        parts.createSensorDdi = [this](ISensorDdi** out) -> HRESULT {
            if (failSensorDdi) return E_OUTOFMEMORY;
            auto ddi = MakeCom<FakeSensorDdi>(log);
            lastDdi = ddi;
            *out = ddi.Detach();
            return S_OK;
        };
        parts.createUsbLink = [this](cMainDevice&) -> std::unique_ptr<UsbLink> {
            auto link = std::make_unique<FakeUsbLink>(log);
            link->readerStarts = usbReaderStarts;
            link->configureResult = usbConfigureResult;
            return link;
        };
        auto defaults = parts;
        parts.createClassExtension = [this, defaults](ISensorClassExtension** out) {
            return failClassExtension ? E_FAIL : defaults.createClassExtension(out);
        };
        parts.startThread = [this, defaults](std::thread& thread, std::function<void()> body) {
            return !failThread && defaults.startThread(thread, std::move(body));
        };
        DriverGlobals::Get().SetParts(parts);
    }
    void TearDown() override {
        (void)SetSensorPostListener(nullptr);
        lastDdi.Reset();
        DriverGlobals::Get().Reset();
        std::error_code ec;
        std::filesystem::remove_all(stateDir_, ec);
        unsetenv("GEOLUMEN_STATE_DIR");
    }

    CallLog log;
    ComPtr<FakeSensorDdi> lastDdi;
    bool failSensorDdi = false;
    bool failClassExtension = false;
    bool failThread = false;
    bool usbReaderStarts = true;
    HRESULT usbConfigureResult = S_OK;
    std::filesystem::path stateDir_;
};

}  // namespace geolumen::testing
