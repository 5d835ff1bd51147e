#pragma once
// Runs a driver library the way the framework does: loads it, checks its version record, creates the
// driver through its class factory, adds one device, and plays the device's life — prepare hardware,
// D0 entry, self-managed I/O init, I/O controls, then an orderly or a surprise removal — before it
// deinitialises the driver and checks that the library can be unloaded. Every step is reported through
// the log function as one readable line.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/driver_module.h"
#include "platform/wdf_host.h"

namespace geolumen {

// The exports of a driver library.
struct DriverEntryPoints {
    DllGetClassObjectFn getClassObject = nullptr;
    DllCanUnloadNowFn canUnloadNow = nullptr;
    const UmdfVersionData* version = nullptr;
};

// A driver library opened with dlopen; closed with the object.
class DriverLibrary {
  public:
    // Null with `error` set when the file cannot be loaded or lacks an export.
    [[nodiscard]] static std::unique_ptr<DriverLibrary> Open(const std::string& path, std::string* error);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    [[nodiscard]] const DriverEntryPoints& Entry() const { return entry_; }

  private:
    DriverLibrary() = default;
    void* handle_ = nullptr;
    DriverEntryPoints entry_;
};

// Empty when the host can run a driver built for this version, else the reason it cannot.
[[nodiscard]] std::string CheckDriverVersion(const UmdfVersionData* version);

// "S_OK", "E_UNEXPECTED", "0x8007045B (shutdown in progress)", ... for the log.
[[nodiscard]] std::string DescribeHresult(HRESULT hr);

class DriverHost {
  public:
    using Log = std::function<void(const std::string& line)>;

    DriverHost(DriverEntryPoints entry, std::string instanceId, Log log);
    ~DriverHost();
    DriverHost(const DriverHost&) = delete;
    DriverHost& operator=(const DriverHost&) = delete;

    // The USB device the framework device offers the driver (none: no USB target factory).
    void SetUsbTarget(std::shared_ptr<UsbTarget> target) { usbTarget_ = std::move(target); }
    // One more interface the framework device answers for (before AddDevice).
    void AddDeviceExtension(ComPtr<IUnknown> extension) { extensions_.push_back(std::move(extension)); }

    // Version check, class factory, driver object, OnInitialize.
    [[nodiscard]] HRESULT LoadDriver();
    // Device initialisation and OnDeviceAdd.
    [[nodiscard]] HRESULT AddDevice();
    // Prepare hardware, D0 entry, self-managed I/O init. A failed preparation is followed by release
    // hardware, as the framework does.
    [[nodiscard]] HRESULT StartDevice();
    // One I/O control through the default queue, from the host's own file object.
    [[nodiscard]] IoResult DeviceIoControl(uint32_t controlCode, std::vector<uint8_t> input,
                                           size_t outputLength);
    // Closes the host's file object (file cleanup).
    void CloseFile();
    // The device idles as the framework's power policy lets it: self-managed I/O suspend and D0 exit,
    // and back with D0 entry and self-managed I/O restart. Each does nothing when the device is not
    // started or already in that state.
    [[nodiscard]] HRESULT PowerDown();
    [[nodiscard]] HRESULT PowerUp();
    [[nodiscard]] bool InD0() const { return started_ && inD0_; }
    // Query remove (orderly only) or surprise removal, then self-managed I/O suspend, D0 exit, release
    // hardware, flush and cleanup, and the framework device is deleted (suspend and D0 exit only when the
    // device is in D0). The result is release hardware's.
    [[nodiscard]] HRESULT RemoveDevice(bool surprise);
    // OnDeinitialize, the driver object released, and the unload check: S_OK when the library may go.
    [[nodiscard]] HRESULT UnloadDriver();

    [[nodiscard]] ComPtr<HostDevice> Device() const { return device_; }
    [[nodiscard]] ComPtr<HostDriver> Driver() const { return driver_; }

  private:
    HRESULT Report(const char* step, HRESULT hr);

    DriverEntryPoints entry_;
    std::string instanceId_;
    Log log_;
    std::shared_ptr<UsbTarget> usbTarget_;
    std::vector<ComPtr<IUnknown>> extensions_;
    ComPtr<HostDriver> driver_;
    ComPtr<IDriverEntry> entryObject_;
    ComPtr<HostDevice> device_;
    ComPtr<HostFile> file_;
    bool started_ = false;
    bool inD0_ = false;
    bool fileOpen_ = false;
};

}  // namespace geolumen
