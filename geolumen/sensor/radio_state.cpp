// The radio state of the sensor: the four radio controls, applying a requested state to the sensor state,
// data reporting and idle control, and keeping the states in the device property store across restarts.
//
// Only 0 (on) and 1 (off) are ever current. The controls accept the other values radio management knows
// (up to 6) as a request and answer success, but such a request changes nothing: a current state the
// radio manager reads as "not controllable" would refuse every later switch.
#include <cstring>

#include "driver/driver_globals.h"
#include "platform/trace.h"
#include "sensor/sensor_busy.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {
namespace {

constexpr const char* kRadioStateValueName = "SENSOR_PROPERTY_RADIO_STATE";
constexpr const char* kPreviousRadioStateValueName = "SENSOR_PROPERTY_PREVIOUS_RADIO_STATE";

constexpr uint32_t kRadioOn = 0;
constexpr uint32_t kRadioOff = 1;
// The highest value of radio management's radio states.
constexpr int32_t kMaxRadioStateValue = 6;
constexpr size_t kRadioValueBytes = 4;

// The request's buffer when it is exactly one radio state; null otherwise.
void* RadioValueBuffer(IWDFIoRequest* request, bool output) {
    if (!request) return nullptr;
    ComPtr<IWDFMemory> memory;
    if (output) {
        request->GetOutputMemory(memory.ReleaseAndGetAddressOf());
    } else {
        request->GetInputMemory(memory.ReleaseAndGetAddressOf());
    }
    size_t size = 0;
    void* buffer = memory ? memory->GetDataBuffer(&size) : nullptr;
    return buffer && size == kRadioValueBytes ? buffer : nullptr;
}

ComPtr<IWDFNamedPropertyStore> OpenStore(IWDFDevice* device, HRESULT* hr) {
    ComPtr<IWDFNamedPropertyStore> store;
    *hr = device ? device->RetrieveDevicePropertyStore(WdfPropertyStoreCreateIfMissing,
                                                       store.ReleaseAndGetAddressOf())
                 : E_UNEXPECTED;
    if (SUCCEEDED(*hr) && !store) *hr = E_UNEXPECTED;
    return store;
}

}  // namespace

HRESULT cSensorDDI::GetRadioStateIoctl(IWDFIoRequest* request, bool previous) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    // A buffer of any other size gets nothing, and the caller learns it got nothing.
    void* buffer = RadioValueBuffer(request, true);
    if (!buffer) return E_INVALIDARG;
    const uint32_t value = previous ? session_.previousRadioState.load() : session_.currentRadioState.load();
    std::memcpy(buffer, &value, sizeof(value));
    return S_OK;
}

HRESULT cSensorDDI::SetRadioStateIoctl(IWDFIoRequest* request, bool previous) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    const void* buffer = RadioValueBuffer(request, false);
    if (!buffer) return E_INVALIDARG;
    int32_t value = 0;
    std::memcpy(&value, buffer, sizeof(value));
    if (value < 0 || value > kMaxRadioStateValue) return E_INVALIDARG;
    std::lock_guard lock(mainLock_);
    if (previous) {
        session_.previousRadioState = static_cast<uint32_t>(value);
    } else {
        session_.requestedRadioState = static_cast<uint32_t>(value);
    }
    GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_RADIO, "%s radio state set to %d",
                   previous ? "previous" : "requested", value);
    ArbitrateClientSettings();
    return S_OK;
}

HRESULT cSensorDDI::ApplyRadioState() {
    std::lock_guard lock(mainLock_);
    HRESULT hr = S_OK;
    HRESULT storeHr = S_OK;
    ComPtr<IWDFNamedPropertyStore> store;
    const uint32_t requested = session_.requestedRadioState;
    if (requested != session_.currentRadioState) {
        if (requested != kRadioOn && requested != kRadioOff) {
            // Not a state this radio can be in: the request is dropped and the radio stays as it is.
            session_.requestedRadioState = session_.currentRadioState.load();
            return E_UNEXPECTED;
        }
        session_.currentRadioState = requested;
        const bool clients = !clients_.empty();
        // Data reporting follows the radio whatever the sensor state: a radio switched on while the sensor
        // already reads "initializing" reports again.
        DriverGlobals::Get().SetRadioOn(requested == kRadioOn);
        if (requested == kRadioOn) {
            if (sensorState_ != SENSOR_STATE_INITIALIZING) SetSensorState(SENSOR_STATE_INITIALIZING);
            if (clients && !StopIdle()) return E_NOINTERFACE;
        } else {
            SetSensorState(SENSOR_STATE_NOT_AVAILABLE);
            if (clients) AllowIdleNow();
        }
        GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_RADIO, "radio %s",
                       requested == kRadioOn ? "on" : "off");
        store = OpenStore(device_.Get(), &storeHr);
        if (FAILED(storeHr)) return storeHr;
        hr = store->SetNamedValueU32(kRadioStateValueName, requested);
        if (FAILED(hr)) return hr;
    }
    if (!store) store = OpenStore(device_.Get(), &storeHr);
    if (FAILED(storeHr)) return storeHr;
    return store->SetNamedValueU32(kPreviousRadioStateValueName, session_.previousRadioState);
}

HRESULT cSensorDDI::RestoreRadioState() {
    ComPtr<IWDFDevice> device;
    {
        std::lock_guard lock(mainLock_);
        device = device_;
    }
    // Whatever the store holds, data reporting and the sensor state follow the radio state in memory at the
    // end; a radio restored as off keeps data off through the device's start.
    struct Apply {
        cSensorDDI& ddi;
        ~Apply() {
            const bool on = ddi.session_.currentRadioState == kRadioOn;
            DriverGlobals::Get().SetRadioOn(on);
            if (!on) ddi.SetSensorState(SENSOR_STATE_NOT_AVAILABLE);
        }
    } apply{*this};
    HRESULT hr = S_OK;
    ComPtr<IWDFNamedPropertyStore> store = OpenStore(device.Get(), &hr);
    if (FAILED(hr)) return hr;

    uint32_t value = 0;
    hr = store->GetNamedValueU32(kRadioStateValueName, &value);
    // Only a state the radio can be in is taken back; anything else is replaced by the one in memory.
    if (SUCCEEDED(hr) && (value == kRadioOn || value == kRadioOff)) {
        session_.currentRadioState = value;
        session_.requestedRadioState = value;
    } else {
        hr = store->SetNamedValueU32(kRadioStateValueName, session_.currentRadioState);
    }
    HRESULT previous = store->GetNamedValueU32(kPreviousRadioStateValueName, &value);
    if (SUCCEEDED(previous) && value <= static_cast<uint32_t>(kMaxRadioStateValue)) {
        session_.previousRadioState = value;
    } else {
        previous = store->SetNamedValueU32(kPreviousRadioStateValueName, session_.previousRadioState);
    }
    return FAILED(hr) ? hr : previous;
}

}  // namespace geolumen
