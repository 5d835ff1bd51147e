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

    [[nodiscard]] static DeviceParts Defaults();
};

class DriverGlobals {
  public:
    [[nodiscard]] static DriverGlobals& Get();

    // Back to the state of a freshly loaded module (tests only; no device may exist).
    void Reset();

    // 1 after self-managed I/O init or restart, 0 after suspend; also switched with the radio state.
    std::atomic<uint32_t> DataReportingEnabled{0};
    // Set by surprise removal, cleared at the end of prepare-hardware.
    std::atomic<bool> DeviceRemoved{false};

    [[nodiscard]] ComPtr<ISensorDdi> SensorDdi() const;
    void SetSensorDdi(ComPtr<ISensorDdi> ddi);

    [[nodiscard]] DeviceParts Parts() const;
    void SetParts(DeviceParts parts);

  private:
    DriverGlobals();

    mutable std::mutex mutex_;
    ComPtr<ISensorDdi> sensorDdi_;
    DeviceParts parts_;
};

}  // namespace geolumen
