#include "driver/driver_globals.h"

#include <system_error>

#include "driver/device_usb_link.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {

DeviceParts DeviceParts::Defaults() {
    DeviceParts parts;
    parts.createSensorDdi = [](ISensorDdi** out) -> HRESULT {
        if (!out) return E_POINTER;
        *out = MakeCom<cSensorDDI>().Detach();
        return S_OK;
    };
    parts.createClassExtension = [](ISensorClassExtension** out) { return CreateSensorClassExtension(out); };
    parts.createUsbLink = [](cMainDevice&) -> std::unique_ptr<UsbLink> {
        return std::make_unique<DeviceUsbLink>();
    };
    parts.startThread = [](std::thread& thread, std::function<void()> body) {
        try {
            thread = std::thread(std::move(body));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    };
    return parts;
}

DriverGlobals::DriverGlobals() : parts_(DeviceParts::Defaults()) {}

DriverGlobals& DriverGlobals::Get() {
    static DriverGlobals globals;
    return globals;
}

void DriverGlobals::Reset() {
    {
        std::lock_guard lock(reportingMutex_);
        selfManagedIoRunning_ = false;
        radioOn_ = true;
        DataReportingEnabled = 0;
    }
    DeviceRemoved = false;
    std::lock_guard lock(mutex_);
    sensorDdi_.Reset();
    parts_ = DeviceParts::Defaults();
}

void DriverGlobals::SetSelfManagedIoRunning(bool running) {
    std::lock_guard lock(reportingMutex_);
    selfManagedIoRunning_ = running;
    UpdateDataReporting();
}

void DriverGlobals::SetRadioOn(bool on) {
    std::lock_guard lock(reportingMutex_);
    radioOn_ = on;
    UpdateDataReporting();
}

void DriverGlobals::UpdateDataReporting() { DataReportingEnabled = selfManagedIoRunning_ && radioOn_ ? 1 : 0; }

ComPtr<ISensorDdi> DriverGlobals::SensorDdi() const {
    std::lock_guard lock(mutex_);
    return sensorDdi_;
}

void DriverGlobals::SetSensorDdi(ComPtr<ISensorDdi> ddi) {
    std::lock_guard lock(mutex_);
    sensorDdi_ = std::move(ddi);
}

DeviceParts DriverGlobals::Parts() const {
    std::lock_guard lock(mutex_);
    return parts_;
}

void DriverGlobals::SetParts(DeviceParts parts) {
    std::lock_guard lock(mutex_);
    parts_ = std::move(parts);
}

}  // namespace geolumen
