#pragma once
// Process-wide state of the driver, in one object that tests reset between cases.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "driver/sensor_ddi_link.h"
#include "driver/usb_link.h"
#include "platform/sensor_class_extension.h"

namespace geolumen {

// How a device makes the parts that prepare-hardware builds; tests replace them to inject failures.
struct DeviceParts {
    std::function<HRESULT(ISensorDdi** out)> createSensorDdi;
    std::function<HRESULT(ISensorClassExtension** out)> createClassExtension;
    std::function<std::unique_ptr<UsbLink>(cMainDevice& device)> createUsbLink;
    // Starts `body` on a new thread; false when no thread could be made.
    std::function<bool(std::thread& thread, std::function<void()> body)> startThread;

    // The real parts; made by the driver's main object, which alone sees every layer they come from.
    [[nodiscard]] static DeviceParts Defaults();
};

class DriverGlobals {
  public:
    [[nodiscard]] static DriverGlobals& Get();

    // Back to the state of a freshly loaded module (tests only; no device may exist).
    void Reset();

    // 1 while self-managed I/O runs and the radio is on. It is derived from those two, set through the two
    // calls below, so neither a restart with the radio off nor a radio switched on during a restart can
    // leave it wrong.
    std::atomic<uint32_t> DataReportingEnabled{0};
    // Self-managed I/O init or restart (true) and suspend (false).
    void SetSelfManagedIoRunning(bool running);
    // The radio state applied (on: true) or restored at start.
    void SetRadioOn(bool on);
    // Set by surprise removal, cleared at the end of prepare-hardware.
    std::atomic<bool> DeviceRemoved{false};

    [[nodiscard]] ComPtr<ISensorDdi> SensorDdi() const;
    void SetSensorDdi(ComPtr<ISensorDdi> ddi);

    [[nodiscard]] DeviceParts Parts() const;
    void SetParts(DeviceParts parts);

  private:
    DriverGlobals();

    void UpdateDataReporting();

    mutable std::mutex mutex_;
    ComPtr<ISensorDdi> sensorDdi_;
    std::mutex reportingMutex_;  // the two inputs and the derived flag change together
    bool selfManagedIoRunning_ = false;
    bool radioOn_ = true;
    DeviceParts parts_;
};

}  // namespace geolumen
