// The device's event-posting thread: the only caller of the class extension's PostEvent and
// PostStateChange. The sensor interface only sets the two events.
#include "driver/main_device.h"
#include "platform/trace.h"

namespace geolumen {

namespace {

// The numbers of the reports the event thread posted.
class PostedReports {
  public:
    // Whether `report` is one not posted yet; counts and traces the reports skipped on the way to it.
    [[nodiscard]] bool Take(uint64_t report) {
        if (report == last_) return false;
        // Numbers only grow while one sensor interface lives; a new one starts again from 1.
        const uint64_t skipped = report > last_ ? report - last_ - 1 : 0;
        last_ = report;
        if (skipped != 0) {
            superseded_ += skipped;
            GEOLUMEN_TRACE(
                TRACE_LEVEL_INFORMATION, TRACE_SENSOR, "%llu reports superseded before posting (%llu in all)",
                static_cast<unsigned long long>(skipped), static_cast<unsigned long long>(superseded_));
        }
        return true;
    }

  private:
    uint64_t last_ = 0;
    uint64_t superseded_ = 0;
};

}  // namespace

void cMainDevice::SensorEventThread() {
    ComPtr<IPortableDeviceValues> values;
    if (FAILED(CreatePortableDeviceValues(values.ReleaseAndGetAddressOf()))) return;
    // The one value set is refilled for every event, so one collection that holds it serves them all.
    ComPtr<IPortableDeviceValuesCollection> events;
    if (FAILED(CreatePortableDeviceValuesCollection(events.ReleaseAndGetAddressOf())) ||
        FAILED(events->Add(values.Get()))) {
        return;
    }

    // Data-ready is one auto-reset event: a report that lands while the thread is on its way to copy the
    // previous one is copied with it, and its own wake-up then finds nothing new. Each report's number
    // says whether it went out already (never posted twice) and how many were overwritten unseen.
    PostedReports posted;
    for (;;) {
        // Lowest index first: a data event pending together with a state change goes out before it.
        const DWORD which = WaitForAny({&dataReady_, &stateChange_, &eventThreadExit_}, INFINITE);
        if (which == WAIT_OBJECT_0) {
            auto ddi = DriverGlobals::Get().SensorDdi();
            if (!ddi) continue;
            // Not cleared: the keys are the same every time, and replacing each value in place keeps the
            // room its text and byte arrays took, so a data event allocates nothing once it has run.
            uint64_t report = 0;
            HRESULT hr = values->SetValue(SENSOR_EVENT_PARAMETER_EVENT_ID, SENSOR_EVENT_DATA_UPDATED);
            if (SUCCEEDED(hr)) hr = ddi->CopyDataValues(values.Get(), &report);
            if (SUCCEEDED(hr) && !posted.Take(report)) continue;
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
