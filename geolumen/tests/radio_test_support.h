#pragma once
// A fake driver behind the device-interface channel for the radio tests: it keeps a current and a previous
// radio state, answers the four radio controls, records every control it receives, and can be held at a
// gate to play a slow device. Each test gets its own run directory, which the radio code finds through
// GEOLUMEN_RUN_DIR.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/exports.h"
#include "driver/queue.h"
#include "platform/device_interface_server.h"
#include "radio/radio_device.h"
#include "radio/radio_manager.h"

namespace geolumen::testing {

// Longest a test waits for something another thread does; only a hang ever reaches it.
inline constexpr auto kRadioWaitBound = std::chrono::seconds(20);

// A run directory of its own under the temporary folder, removed at the end.
class TempRunDir {
  public:
    TempRunDir() {
        char pattern[] = "/tmp/geolumen-radio-XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        EXPECT_NE(dir, nullptr);
        path_ = dir ? dir : "/tmp";
    }
    ~TempRunDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// "G6008", "G600C" for gets; "S A000=1", "S A004=0" for sets.
inline std::string DescribeRadioControl(uint32_t code, const std::vector<uint8_t>& input) {
    char text[32];
    if (input.size() == 4) {
        const uint32_t v = input[0] | input[1] << 8 | input[2] << 16 | static_cast<uint32_t>(input[3]) << 24;
        std::snprintf(text, sizeof(text), "S %04X=%d", code & 0xFFFF, static_cast<int32_t>(v));
    } else {
        std::snprintf(text, sizeof(text), "G%04X", code & 0xFFFF);
    }
    return text;
}

class FakeRadioDriver {
  public:
    explicit FakeRadioDriver(const std::filesystem::path& runDir)
        : server_({[this](uint64_t, const ChannelRequest& r) { return Serve(r); }, nullptr}) {
        EXPECT_EQ(server_.Publish(runDir, kRadioDeviceInterface), 0);
    }

    [[nodiscard]] std::vector<std::string> Controls() {
        std::lock_guard lock(mutex_);
        return controls_;
    }
    void ClearControls() {
        std::lock_guard lock(mutex_);
        controls_.clear();
    }
    void SetStates(uint32_t current, uint32_t previous) {
        std::lock_guard lock(mutex_);
        current_ = current;
        previous_ = previous;
    }
    [[nodiscard]] uint32_t Current() {
        std::lock_guard lock(mutex_);
        return current_;
    }
    // Every control completes with this status (and no output) while it is a failure.
    void FailWith(HRESULT status) {
        std::lock_guard lock(mutex_);
        failure_ = status;
    }
    // Set controls wait at the gate until it opens.
    void CloseGate() {
        std::lock_guard lock(mutex_);
        gateOpen_ = false;
    }
    void OpenGate() {
        std::lock_guard lock(mutex_);
        gateOpen_ = true;
        changed_.notify_all();
    }
    // Waits until a set control is held at the gate.
    [[nodiscard]] bool WaitHeld() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kRadioWaitBound, [&] { return held_ > 0; });
    }
    [[nodiscard]] const std::filesystem::path& Entry() const { return server_.Entry(); }
    void Stop() { server_.Stop(); }

  private:
    ChannelReply Serve(const ChannelRequest& request) {
        std::unique_lock lock(mutex_);
        controls_.push_back(DescribeRadioControl(request.code, request.input));
        if (FAILED(failure_)) return {failure_, {}};
        const RadioControl* control = FindRadioControl(request.code);
        if (!control) return {HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), {}};
        if (!control->set) {
            const uint32_t v = control->previous ? previous_ : current_;
            return {S_OK,
                    {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                     static_cast<uint8_t>(v >> 24)}};
        }
        if (request.input.size() != 4) return {E_INVALIDARG, {}};
        ++held_;
        changed_.notify_all();
        changed_.wait_for(lock, kRadioWaitBound, [&] { return gateOpen_; });
        --held_;
        const uint32_t v = request.input[0] | request.input[1] << 8 | request.input[2] << 16 |
                           static_cast<uint32_t>(request.input[3]) << 24;
        (control->previous ? previous_ : current_) = v;
        return {S_OK, {}};
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> controls_;
    uint32_t current_ = 0;
    uint32_t previous_ = 0;
    HRESULT failure_ = S_OK;
    bool gateOpen_ = true;
    int held_ = 0;
    DeviceInterfaceServer server_;  // last: it stops before the state it serves goes
};

// Records every notification as "add GNSS" or "change DornaveLocation 1".
class RecordingSink final : public ComObject<IMediaRadioManagerNotifySink> {
  public:
    HRESULT OnInstanceAdd(IRadioInstance* instance) override {
        BSTR name = nullptr;
        (void)instance->GetFriendlyName(0, &name);
        Add(std::string("add ") + (name ? name : "?"));
        SysFreeString(name);
        return S_OK;
    }
    HRESULT OnInstanceRemove(BSTR signature) override {
        Add(std::string("remove ") + signature);
        return S_OK;
    }
    HRESULT OnInstanceRadioChange(BSTR signature, DEVICE_RADIO_STATE state) override {
        Add(std::string("change ") + signature + " " + std::to_string(state));
        if (onChange) onChange();
        return S_OK;
    }

    [[nodiscard]] std::vector<std::string> Seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    [[nodiscard]] bool WaitFor(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kRadioWaitBound, [&] { return seen_.size() >= count; });
    }

    std::function<void()> onChange;

  private:
    void Add(std::string line) {
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(line));
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> seen_;
};

// A manager made the way radio management makes it, through the library's class object.
inline ComPtr<IMediaRadioManager> CreateManager() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(DllGetClassObject(&CLSID_GeolumenRadioManager, &IClassFactory::kIid,
                                reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
              S_OK);
    ComPtr<IMediaRadioManager> manager;
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IMediaRadioManager::kIid,
                                          reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())),
                  S_OK);
    }
    return manager;
}

inline ComPtr<IConnectionPoint> PointOf(const ComPtr<IMediaRadioManager>& manager) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(manager.As(container), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(
        container->FindConnectionPoint(IMediaRadioManagerNotifySink::kIid, point.ReleaseAndGetAddressOf()),
        S_OK);
    return point;
}

inline ComPtr<IRadioInstance> InstanceOf(const ComPtr<IMediaRadioManager>& manager) {
    ComPtr<IRadioInstanceCollection> collection;
    EXPECT_EQ(manager->GetRadioInstances(collection.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IRadioInstance> instance;
    EXPECT_EQ(collection->GetAt(0, instance.ReleaseAndGetAddressOf()), S_OK);
    return instance;
}

// Waits, within a bound, until the library holds no object any more.
inline bool LibraryLetGo() {
    for (int i = 0; i < 4000 && DllCanUnloadNow() != S_OK; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return DllCanUnloadNow() == S_OK;
}

// Gives the test its own run directory through the environment the radio code reads.
class RadioChannelTest : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("GEOLUMEN_RUN_DIR", runDir_.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("GEOLUMEN_RUN_DIR"); }

    TempRunDir runDir_;
};

}  // namespace geolumen::testing
