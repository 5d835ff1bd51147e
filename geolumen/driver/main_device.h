#pragma once
// The device object: receives every PnP, power, self-managed I/O and file-cleanup callback of the
// framework, builds and tears down the queue, the sensor interface, the class extension, the
// event-posting thread and the USB side in order, and guards every callback with the busy state.

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "driver/busy_state.h"
#include "driver/driver_globals.h"
#include "driver/module_lock.h"
#include "driver/sensor_ddi_link.h"
#include "driver/usb_link.h"
#include "platform/event.h"
#include "platform/portable_values.h"
#include "platform/sensor_class_extension.h"
#include "platform/wdf.h"

namespace geolumen {

// The longest device instance id, terminator included.
inline constexpr uint32_t kMaxInstanceIdChars = 1024;

class cMainDevice final
    : public ComObject<IPnpCallback, IPnpCallbackHardware, IPnpCallbackSelfManagedIo, IFileCallbackCleanup> {
  public:
    explicit cMainDevice(DeviceParts parts);
    ~cMainDevice() override;

    // IPnpCallback
    HRESULT OnD0Entry(IWDFDevice* device, WDF_POWER_DEVICE_STATE previousState) override;
    HRESULT OnD0Exit(IWDFDevice* device, WDF_POWER_DEVICE_STATE targetState) override;
    void OnSurpriseRemoval(IWDFDevice* device) override;
    HRESULT OnQueryRemove(IWDFDevice*) override { return S_OK; }
    HRESULT OnQueryStop(IWDFDevice*) override { return S_OK; }
    // IPnpCallbackHardware
    HRESULT OnPrepareHardware(IWDFDevice* device) override;
    HRESULT OnReleaseHardware(IWDFDevice* device) override;
    // IPnpCallbackSelfManagedIo
    void OnSelfManagedIoCleanup(IWDFDevice*) override {}
    void OnSelfManagedIoFlush(IWDFDevice* device) override;
    HRESULT OnSelfManagedIoInit(IWDFDevice* device) override;
    HRESULT OnSelfManagedIoSuspend(IWDFDevice* device) override;
    HRESULT OnSelfManagedIoRestart(IWDFDevice* device) override;
    HRESULT OnSelfManagedIoStop(IWDFDevice*) override { return S_OK; }
    // IFileCallbackCleanup
    void OnCleanupFile(IWDFFile* file) override;

    // Busy state of the device, for the queue and the sensor interface.
    [[nodiscard]] HRESULT EnterBusyState(uint64_t bits) { return busy_.Enter(bits); }
    void LeaveBusyState(uint64_t bits) { busy_.Leave(bits); }
    [[nodiscard]] BusyState& Busy() { return busy_; }

    // Posting through the class extension; failures are traced and dropped.
    void PostSensorEvents(const char* sensorId, IPortableDeviceValuesCollection* events);
    void PostSensorStateChange(const char* sensorId, uint32_t state);

    // The two I/O-control paths of the queue.
    [[nodiscard]] HRESULT ProcessSensorIoControl(IWDFIoRequest* request);
    [[nodiscard]] HRESULT DispatchRadioIoControl(IWDFIoRequest* request, uint32_t controlCode);

    void SetDeviceInstanceId(const char* id);
    [[nodiscard]] std::string DeviceInstanceId() const;
    [[nodiscard]] ComPtr<IWDFDevice> Device() const;
    // The device's second interface (not counted: it lives as long as the framework device).
    [[nodiscard]] IWDFDevice2* Device2() const;
    [[nodiscard]] UsbLink& Usb() { return *usb_; }
    [[nodiscard]] bool EventThreadRunning() const;

    // The device's events: data ready and state change are set by the sensor interface.
    Event& DataReadyEvent() { return dataReady_; }
    Event& StateChangeEvent() { return stateChange_; }

  private:
    // Releases the event thread, class extension and sensor interface, and with `all` the queue and
    // device references; stops the message stack.
    void ReleaseDeviceResources(bool all);
    // Everything release-hardware does: shutdown, stop of the session and the USB side, release.
    void ReleaseHardwareSteps();
    // Builds the sensor interface, class extension and event thread (prepare-hardware steps 5-8).
    [[nodiscard]] HRESULT BuildSensorParts(IWDFDevice* device);
    void SensorEventThread();
    [[nodiscard]] ComPtr<ISensorClassExtension> ClassExtension() const;
    [[nodiscard]] ComPtr<IWDFIoQueue> Queue() const;

    ModuleLock moduleLock_;
    const DeviceParts parts_;
    std::unique_ptr<UsbLink> usb_;
    BusyState busy_;
    Event dataReady_{Event::Reset::kAuto};
    Event stateChange_{Event::Reset::kAuto};
    Event eventThreadExit_{Event::Reset::kAuto};

    // Serialises prepare and release against each other.
    std::mutex hardwareMutex_;
    // Guards the references below, which callbacks read while preparation may write them.
    mutable std::mutex mutex_;
    IWDFDevice2* device2_ = nullptr;
    ComPtr<IWDFDevice> device_;
    std::string instanceId_;
    ComPtr<ISensorClassExtension> classExtension_;
    ComPtr<IWDFIoQueue> queue_;
    ComPtr<ISensorDdi> sensorDdi_;
    std::thread eventThread_;
};

}  // namespace geolumen
