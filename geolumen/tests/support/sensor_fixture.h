#pragma once
// A sensor interface on fakes: a framework device with an in-memory property store and an idle control
// that counts its references (and notes every ResumeIdle that found none), an idle timer that tests fire
// by hand, and a location client that does nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "driver/driver_globals.h"
#include "platform/wdf_host.h"
#include "sensor/sensor_ddi.h"

namespace geolumen::test_support {

class MemoryPropertyStore final : public ComObject<IWDFNamedPropertyStore> {
  public:
    // Values as the file store keeps them: "u32:N" or "sz:text".
    explicit MemoryPropertyStore(std::map<std::string, std::string>& values) : values_(values) {}
    HRESULT GetNamedValueU32(const char* name, uint32_t* value) override;
    HRESULT SetNamedValueU32(const char* name, uint32_t value) override;
    HRESULT GetNamedValueText(const char* name, char* buffer, size_t size) override;
    HRESULT SetNamedValueText(const char* name, const char* value) override;

  private:
    std::map<std::string, std::string>& values_;
};

class FakeSensorDevice final : public ComObject<IWDFDevice, IWDFDevice2> {
  public:
    HRESULT DeleteWdfObject() override { return S_OK; }
    void GetDefaultIoQueue(IWDFIoQueue** queue) override { *queue = nullptr; }
    HRESULT CreateIoQueue(IUnknown*, bool, WDF_IO_QUEUE_DISPATCH_TYPE, bool, bool, IWDFIoQueue**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateDeviceInterface(const GUID&, const char*) override { return E_NOTIMPL; }
    void SetPnpState(WDF_PNP_STATE, bool) override {}
    void CommitPnpState() override {}
    HRESULT RetrieveDevicePropertyStore(WDF_PROPERTY_STORE_DISPOSITION,
                                        IWDFNamedPropertyStore** store) override;
    HRESULT StopIdle(bool) override;
    void ResumeIdle() override;

    std::map<std::string, std::string> store;  // the device property store
    bool storeFails = false;
    // Kept-awake references now, the calls made, and ResumeIdle calls that found no reference (must stay 0).
    [[nodiscard]] int References() const { return references; }
    [[nodiscard]] int StopIdleCalls() const { return stops; }
    [[nodiscard]] int ResumeIdleCalls() const { return resumes; }
    [[nodiscard]] int UnmatchedResumes() const { return unmatched; }

  private:
    std::atomic<int> references{0}, stops{0}, resumes{0}, unmatched{0};
};

// The idle timer; a test fires it with FireIdleTimer.
class ManualTimer final : public OneShotTimer {
  public:
    void Set(std::chrono::milliseconds due, std::chrono::milliseconds window, uint64_t cookie) override {
        std::lock_guard lock(mutex);
        this->due = due;
        this->window = window;
        this->cookie = cookie;
        ++sets;
    }
    void Cancel() override {
        std::lock_guard lock(mutex);
        due.reset();
        ++cancels;
    }
    std::mutex mutex;
    std::optional<std::chrono::milliseconds> due;
    std::chrono::milliseconds window{0};
    uint64_t cookie = 0;
    int sets = 0;
    int cancels = 0;
};

// A location client that does nothing; the sensor tests hand it reports directly.
class NullSessionOps final : public LocationSessionOps {
  public:
    LocationSessionEvents& Events() override { return events; }
    int OpenLocationClient(bool, std::stop_token) override { return 0; }
    int CloseLocationClient() override { return 0; }
    int StartPositionSession(uint32_t, uint32_t) override { return 0; }
    int StopPositionSession() override { return 0; }
    void ChangeSessionCriteria(uint32_t, uint32_t) override {}
    int ReopenLocationClient(uint32_t, uint32_t, bool, std::stop_token) override { return 0; }
    int DeleteAssistanceData(uint16_t) override { return ++deletes, 0; }
    void HandleTimeRequest(const std::string&, std::stop_token) override {}
    void HandleOrbitRequest(const std::string&, std::stop_token) override {}
    void InjectCoarsePosition() override {}
    bool ProcessPositionReport() override { return false; }
    bool ProcessSatelliteReport() override { return false; }
    void CopyLocationFix(LocationFix& out) override { out = fix; }
    void CopySatelliteReport(SatelliteReport& out) override { out = satellites; }
    bool IsSuplEnabled(const std::string&) override { return false; }

    LocationSessionEvents events;
    LocationFix fix;
    SatelliteReport satellites;
    std::atomic<int> deletes{0};
};

class SensorDdiFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh sensor on `device` (tests re-create it to restart the driver); the result of Initialize.
    HRESULT CreateSensor();
    // A client that connected (and, with `subscribe`, subscribed).
    ComPtr<IWDFFile> Connect(bool subscribe = true);
    // Sets one property from `client`; the call's result.
    HRESULT SetProperty(IWDFFile* client, const PROPERTYKEY& key, const PropValue& value,
                        ComPtr<IPortableDeviceValues>* results = nullptr);
    [[nodiscard]] PropValue Property(const PROPERTYKEY& key);
    [[nodiscard]] PropValue Data(const PROPERTYKEY& key);
    // Fires the idle timer as its thread would, with the cookie of its last arming.
    void FireIdleTimer();

    ComPtr<FakeSensorDevice> device = MakeCom<FakeSensorDevice>();
    BusyState busy;
    Event dataReady{Event::Reset::kAuto};
    Event stateChange{Event::Reset::kAuto};
    NullSessionOps* ops = nullptr;  // owned by the sensor
    ManualTimer* timer = nullptr;   // owned by the sensor
    ComPtr<cSensorDDI> ddi;
};

// A fix with every field the sensor reads: latitude 48.5, longitude -123.25, error radius 5, speed 10,
// altitudes 560 / 512, vertical uncertainty 8, heading 90, magnetic heading 93, DOP 2 / 1.25 / 1.5,
// final, mask 0x1, 1000 ms after 1970.
[[nodiscard]] LocationFix CompleteFix();

}  // namespace geolumen::test_support
