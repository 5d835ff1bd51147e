// The device's event-posting thread: the only caller of the class extension's PostEvent and
// PostStateChange. The sensor interface only sets the two events.
#include "driver/main_device.h"
#include "platform/trace.h"

namespace geolumen {

void cMainDevice::SensorEventThread() {
    ComPtr<IPortableDeviceValues> values;
    if (FAILED(CreatePortableDeviceValues(values.ReleaseAndGetAddressOf()))) return;
    // The one value set is refilled for every event, so one collection that holds it serves them all.
    ComPtr<IPortableDeviceValuesCollection> events;
    if (FAILED(CreatePortableDeviceValuesCollection(events.ReleaseAndGetAddressOf())) ||
        FAILED(events->Add(values.Get()))) {
        return;
    }

    for (;;) {
        // Lowest index first: a data event pending together with a state change goes out before it.
        const DWORD which = WaitForAny({&dataReady_, &stateChange_, &eventThreadExit_}, INFINITE);
        if (which == WAIT_OBJECT_0) {
            auto ddi = DriverGlobals::Get().SensorDdi();
            if (!ddi) continue;
            // Not cleared: the keys are the same every time, and replacing each value in place keeps the
            // room its text and byte arrays took, so a data event allocates nothing once it has run.
            HRESULT hr = values->SetValue(SENSOR_EVENT_PARAMETER_EVENT_ID, SENSOR_EVENT_DATA_UPDATED);
            if (SUCCEEDED(hr)) hr = ddi->CopyDataValues(values.Get());
            if (SUCCEEDED(hr)) {
                PostSensorEvents(kSensorObjectId, events.Get());
                ddi->UpdateIdlePolicy();
            } else {
                GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_SENSOR, "data event not posted: 0x%08X",
                               static_cast<unsigned>(hr));
            }
        } else if (which == WAIT_OBJECT_0 + 1) {
            auto ddi = DriverGlobals::Get().SensorDdi();
            if (!ddi) continue;
            const uint32_t state = ddi->GetSensorState();
            if (state == SENSOR_STATE_READY || state == SENSOR_STATE_NOT_AVAILABLE ||
                state == SENSOR_STATE_INITIALIZING) {
                PostSensorStateChange(kSensorObjectId, state);
            }
        } else {
            // The exit event, or a failed wait.
            return;
        }
    }
}

void cMainDevice::PostSensorEvents(const char* sensorId, IPortableDeviceValuesCollection* events) {
    HRESULT hr = S_OK;
    auto classExtension = ClassExtension();
    if (classExtension) hr = classExtension->PostEvent(sensorId, events);
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_SENSOR, "event post failed: 0x%08X",
                       static_cast<unsigned>(hr));
    }
}

void cMainDevice::PostSensorStateChange(const char* sensorId, uint32_t state) {
    auto classExtension = ClassExtension();
    if (!classExtension) return;
    const HRESULT hr = classExtension->PostStateChange(sensorId, state);
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_SENSOR, "state post failed: 0x%08X",
                       static_cast<unsigned>(hr));
    }
}

}  // namespace geolumen
