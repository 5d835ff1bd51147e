#include "driver/driver_globals.h"

namespace geolumen {

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

void DriverGlobals::UpdateDataReporting() {
    DataReportingEnabled = selfManagedIoRunning_ && radioOn_ ? 1 : 0;
}

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
