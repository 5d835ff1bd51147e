#include "support/sensor_fixture.h"

#include <charconv>
#include <cstring>

namespace geolumen::test_support {

HRESULT MemoryPropertyStore::GetNamedValueU32(const char* name, uint32_t* value) {
    auto it = values_.find(name);
    if (it == values_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    const std::string& text = it->second;
    if (text.rfind("u32:", 0) != 0) return E_INVALIDARG;
    auto [ptr, ec] = std::from_chars(text.data() + 4, text.data() + text.size(), *value);
    return ec == std::errc() && ptr == text.data() + text.size() ? S_OK : E_INVALIDARG;
}

HRESULT MemoryPropertyStore::SetNamedValueU32(const char* name, uint32_t value) {
    values_[name] = "u32:" + std::to_string(value);
    return S_OK;
}

HRESULT MemoryPropertyStore::GetNamedValueText(const char* name, char* buffer, size_t size) {
    auto it = values_.find(name);
    if (it == values_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    const std::string& text = it->second;
    if (text.rfind("sz:", 0) != 0) return E_INVALIDARG;
    if (text.size() - 3 + 1 > size) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, text.c_str() + 3, text.size() - 3 + 1);
    return S_OK;
}

HRESULT MemoryPropertyStore::SetNamedValueText(const char* name, const char* value) {
    values_[name] = std::string("sz:") + value;
    return S_OK;
}

HRESULT FakeSensorDevice::RetrieveDevicePropertyStore(WDF_PROPERTY_STORE_DISPOSITION,
                                                      IWDFNamedPropertyStore** out) {
    if (storeFails) return E_ACCESSDENIED;
    *out = MakeCom<MemoryPropertyStore>(store).Detach();
    return S_OK;
}

HRESULT FakeSensorDevice::StopIdle(bool) {
    ++stops;
    ++references;
    return S_OK;
}

void FakeSensorDevice::ResumeIdle() {
    ++resumes;
    // Never below zero: one that finds no reference is counted apart.
    int n = references.load();
    while (n > 0 && !references.compare_exchange_weak(n, n - 1)) {
    }
    if (n == 0) ++unmatched;
}

void SensorDdiFixture::SetUp() {
    DriverGlobals::Get().Reset();
    DriverGlobals::Get().SetSelfManagedIoRunning(true);
    ASSERT_EQ(CreateSensor(), S_OK);
}

void SensorDdiFixture::TearDown() {
    ddi.Reset();
    EXPECT_EQ(device->UnmatchedResumes(), 0) << "the device's idle references went below zero";
    DriverGlobals::Get().Reset();
}

HRESULT SensorDdiFixture::CreateSensor() {
    ddi.Reset();
    SensorDdiConfig config;
    config.createOps = [this] {
        auto ops = std::make_unique<NullSessionOps>();
        this->ops = ops.get();
        return ops;
    };
    config.createTimer = [this](TimerCallback) {
        auto timer = std::make_unique<ManualTimer>();
        this->timer = timer.get();
        return timer;
    };
    config.sessionStartDelay = std::chrono::milliseconds(0);
    ddi = MakeCom<cSensorDDI>(config);
    const HRESULT hr = ddi->Initialize(device.Get(), &busy, "USB\\VID_0000&PID_0000\\TEST");
    ddi->SetEventHandles(&dataReady, &stateChange);
    return hr;
}

ComPtr<IWDFFile> SensorDdiFixture::Connect(bool subscribe) {
    auto file = MakeCom<HostFile>();
    EXPECT_EQ(ddi->OnClientConnect(file.Get(), kSensorObjectId), S_OK);
    if (subscribe) {
        EXPECT_EQ(ddi->OnClientSubscribeToEvents(file.Get(), kSensorObjectId), S_OK);
    }
    return ComPtr<IWDFFile>(file.Get());
}

HRESULT SensorDdiFixture::SetProperty(IWDFFile* client, const PROPERTYKEY& key, const PropValue& value,
                                      ComPtr<IPortableDeviceValues>* results) {
    ComPtr<IPortableDeviceValues> values;
    EXPECT_EQ(CreatePortableDeviceValues(values.ReleaseAndGetAddressOf()), S_OK);
    (void)values->SetValue(key, value);
    ComPtr<IPortableDeviceValues> out;
    const HRESULT hr =
        ddi->OnSetProperties(client, kSensorObjectId, values.Get(), out.ReleaseAndGetAddressOf());
    if (results) *results = out;
    return hr;
}

PropValue SensorDdiFixture::Property(const PROPERTYKEY& key) {
    PropValue value;
    EXPECT_EQ(ddi->GetPropertyValue(key, &value), S_OK);
    return value;
}

PropValue SensorDdiFixture::Data(const PROPERTYKEY& key) {
    PropValue value;
    EXPECT_EQ(ddi->GetDataValue(key, &value), S_OK);
    return value;
}

void SensorDdiFixture::FireIdleTimer() {
    uint64_t cookie = 0;
    {
        std::lock_guard lock(timer->mutex);
        ASSERT_TRUE(timer->due.has_value()) << "the idle timer is not set";
        timer->due.reset();
        cookie = timer->cookie;
    }
    ddi->IdleTimerCallback(cookie);
}

LocationFix CompleteFix() {
    LocationFix fix;
    fix.latitude = 48.5;
    fix.longitude = -123.25;
    fix.errorRadius = 5.0f;
    fix.speed = 10.0f;
    fix.altitudeEllipsoid = 560.0f;
    fix.altitudeSeaLevel = 512.0f;
    fix.verticalUncertainty = 8.0f;
    fix.heading = 90.0f;
    fix.magneticHeading = 93.0f;
    fix.magneticDeviation = 3.0f;
    fix.pdop = 2.0f;
    fix.hdop = 1.25f;
    fix.vdop = 1.5f;
    fix.utcMs = 1000;
    fix.fixIndicator = 0;
    fix.engineUnavailable = 0;
    fix.technologyMask = 0x1;
    return fix;
}

}  // namespace geolumen::test_support
