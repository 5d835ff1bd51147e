#pragma once
// The framework side of the driver framework, as the driver host runs it on Linux: driver, device
// initialisation, device (with idle control and idle settings), a default queue that dispatches in
// parallel on its callers' threads, requests with buffered memory, file objects, and the device
// property store in the per-device file store.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/device_store.h"
#include "platform/wdf.h"

namespace geolumen {

// 0x800703E3: the request was cancelled because its queue was purged or deleted.
inline constexpr HRESULT kRequestAborted = HRESULT_FROM_WIN32(995);
// 0x800705B4: the driver did not complete the request in time.
inline constexpr HRESULT kRequestTimedOut = HRESULT_FROM_WIN32(1460);
// How long a caller waits for the driver to complete one I/O control. The driver's own controls complete
// at once; the bound only keeps a faulty driver from holding a client for ever.
inline constexpr uint32_t kRequestCompletionTimeoutMs = 30000;

// What the caller of an I/O control gets back: the completion status, the information count, and the
// output buffer cut to the information count (never longer than the buffer the caller gave).
struct IoResult {
    HRESULT status = S_OK;
    size_t information = 0;
    std::vector<uint8_t> output;
};

class HostFile final : public ComObject<IWDFFile> {
  public:
    HRESULT DeleteWdfObject() override { return S_OK; }
};

class HostRequest final : public ComObject<IWDFIoRequest> {
  public:
    HostRequest(ComPtr<IWDFFile> file, std::vector<uint8_t> input, size_t outputLength);

    HRESULT DeleteWdfObject() override { return S_OK; }
    // The first completion counts; later ones are ignored.
    void CompleteWithInformation(HRESULT status, size_t information) override;
    void GetInputMemory(IWDFMemory** memory) override;
    void GetOutputMemory(IWDFMemory** memory) override;
    void GetFileObject(IWDFFile** file) override;

    // Waits up to `timeoutMs` for the completion; false on time-out.
    [[nodiscard]] bool WaitCompleted(uint32_t timeoutMs);
    [[nodiscard]] IoResult Result();

  private:
    ComPtr<IWDFFile> file_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
    std::mutex mutex_;
    std::condition_variable completed_;
    bool done_ = false;
    HRESULT status_ = S_OK;
    size_t information_ = 0;
};

class HostQueue final : public ComObject<IWDFIoQueue> {
  public:
    HostQueue(ComPtr<IQueueCallbackDeviceIoControl> callbacks, WDF_IO_QUEUE_DISPATCH_TYPE dispatch,
              bool allowZeroLength);

    // Hands one I/O control to the driver on the calling thread and waits for its completion. While the
    // queue is stopped the caller waits for Start; after a purge or delete it is refused.
    [[nodiscard]] IoResult Submit(IWDFFile* file, uint32_t controlCode, std::vector<uint8_t> input,
                                  size_t outputLength);

    void StopSynchronously() override;
    void Start() override;
    void PurgeSynchronously() override;
    // Refuses everything from now on and drops the driver's callbacks.
    HRESULT DeleteWdfObject() override;

    [[nodiscard]] WDF_IO_QUEUE_DISPATCH_TYPE Dispatch() const { return dispatch_; }
    [[nodiscard]] bool AllowsZeroLength() const { return allowZeroLength_; }

  private:
    enum class State { kRunning, kStopped, kPurged, kDeleted };

    const WDF_IO_QUEUE_DISPATCH_TYPE dispatch_;
    const bool allowZeroLength_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::mutex sequential_;  // held around the callback for a sequential queue
    ComPtr<IQueueCallbackDeviceIoControl> callbacks_;
    State state_ = State::kRunning;
    int inFlight_ = 0;
};

// The device property store: names to 32-bit numbers ("u32:N") and texts ("sz:T") in one file.
class HostPropertyStore final : public ComObject<IWDFNamedPropertyStore> {
  public:
    HostPropertyStore(std::filesystem::path file, std::filesystem::path root)
        : store_(std::move(file), std::move(root)) {}

    HRESULT GetNamedValueU32(const char* name, uint32_t* value) override;
    HRESULT SetNamedValueU32(const char* name, uint32_t value) override;
    HRESULT GetNamedValueText(const char* name, char* buffer, size_t size) override;
    HRESULT SetNamedValueText(const char* name, const char* value) override;

  private:
    FileValueStore store_;
};

class HostDevice final : public ComObject<IWDFDevice, IWDFDevice2, IWDFDeviceIdleSettings> {
  public:
    HostDevice(std::string instanceId, IUnknown* callbacks);

    // IWDFDevice
    HRESULT DeleteWdfObject() override;
    void GetDefaultIoQueue(IWDFIoQueue** queue) override;
    HRESULT CreateIoQueue(IUnknown* callbacks, bool defaultQueue, WDF_IO_QUEUE_DISPATCH_TYPE dispatch,
                          bool powerManaged, bool allowZeroLength, IWDFIoQueue** queue) override;
    HRESULT CreateDeviceInterface(const GUID& interfaceClass, const char* reference) override;
    void SetPnpState(WDF_PNP_STATE state, bool value) override;
    void CommitPnpState() override;
    HRESULT RetrieveDevicePropertyStore(WDF_PROPERTY_STORE_DISPOSITION disposition,
                                        IWDFNamedPropertyStore** store) override;
    // IWDFDevice2
    HRESULT StopIdle(bool waitForD0) override;
    void ResumeIdle() override;
    // IWDFDeviceIdleSettings
    HRESULT AssignS0IdleSettingsEx(const WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS* settings) override;

    // The driver's callbacks as found on its callback object (null where it implements none).
    [[nodiscard]] ComPtr<IPnpCallback> Pnp();
    [[nodiscard]] ComPtr<IPnpCallbackHardware> Hardware();
    [[nodiscard]] ComPtr<IPnpCallbackSelfManagedIo> SelfManagedIo();
    [[nodiscard]] ComPtr<IFileCallbackCleanup> FileCleanup();

    [[nodiscard]] ComPtr<HostQueue> DefaultQueue();
    [[nodiscard]] std::vector<GUID> DeviceInterfaces();
    [[nodiscard]] bool PnpNotDisableableCommitted();
    [[nodiscard]] bool IdleSettingsAssigned(WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS* settings);
    [[nodiscard]] int StopIdleCount();
    // ResumeIdle calls that found the count at 0 (a driver fault: they would have driven it below zero).
    [[nodiscard]] int UnmatchedResumeIdleCount();
    // Called with the new count after every StopIdle and ResumeIdle (outside the device's lock), so the
    // host's power policy can act on it.
    void SetIdleListener(std::function<void(int count)> listener);
    [[nodiscard]] const std::string& InstanceId() const { return instanceId_; }

    // Further interfaces the device answers for (the USB target factory of a back end, the host's sensor
    // clients): any identifier the device itself does not know is asked of these objects in turn.
    // SetExtension replaces them all with one; AddExtension adds one more.
    void SetExtension(ComPtr<IUnknown> extension);
    void AddExtension(ComPtr<IUnknown> extension);

  protected:
    HRESULT QueryInterfaceHook(REFIID iid, void** out) override;

  private:
    const std::string instanceId_;

    std::mutex mutex_;
    // Dropped by DeleteWdfObject: the driver's device object holds the framework device, so the
    // framework lets go of the callbacks when the device is deleted.
    ComPtr<IPnpCallback> pnp_;
    ComPtr<IPnpCallbackHardware> hardware_;
    ComPtr<IPnpCallbackSelfManagedIo> selfManagedIo_;
    ComPtr<IFileCallbackCleanup> fileCleanup_;
    ComPtr<HostQueue> defaultQueue_;
    std::vector<GUID> interfaces_;
    bool pnpNotDisableable_ = false;
    bool pnpCommitted_ = false;
    bool idleAssigned_ = false;
    WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS idle_{};
    int stopIdleCount_ = 0;
    int unmatchedResumeIdles_ = 0;
    std::function<void(int)> idleListener_;
    std::vector<ComPtr<IUnknown>> extensions_;
};

class HostDeviceInit final : public ComObject<IWDFDeviceInitialize> {
  public:
    explicit HostDeviceInit(std::string instanceId) : instanceId_(std::move(instanceId)) {}

    HRESULT RetrieveDevicePnpInstanceId(char* buffer, uint32_t* chars) override;
    void SetLockingConstraint(WDF_CALLBACK_CONSTRAINT constraint) override { constraint_ = constraint; }
    void SetPowerPolicyOwnership(bool owner) override { powerPolicyOwner_ = owner; }

    [[nodiscard]] WDF_CALLBACK_CONSTRAINT LockingConstraint() const { return constraint_; }
    [[nodiscard]] bool PowerPolicyOwner() const { return powerPolicyOwner_; }

  private:
    const std::string instanceId_;
    WDF_CALLBACK_CONSTRAINT constraint_ = static_cast<WDF_CALLBACK_CONSTRAINT>(0xFFFFFFFF);
    bool powerPolicyOwner_ = false;
};

// Hands the driver the USB device the host opened; each call gives the same target.
class HostUsbTargetFactory final : public ComObject<IWDFUsbTargetFactory> {
  public:
    explicit HostUsbTargetFactory(std::shared_ptr<UsbTarget> target) : target_(std::move(target)) {}
    HRESULT CreateUsbTargetDevice(std::shared_ptr<UsbTarget>* target) override {
        if (!target) return E_POINTER;
        if (!target_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        *target = target_;
        return S_OK;
    }

  private:
    std::shared_ptr<UsbTarget> target_;
};

class HostDriver final : public ComObject<IWDFDriver> {
  public:
    HRESULT DeleteWdfObject() override { return S_OK; }
    HRESULT CreateDevice(IWDFDeviceInitialize* init, IUnknown* callbacks, IWDFDevice** device) override;

    // The device the driver created last.
    [[nodiscard]] ComPtr<HostDevice> Device();
    // Called with every new device before it goes back to the driver (attach back ends here).
    void OnDeviceCreated(std::function<void(HostDevice&)> hook);

  private:
    std::mutex mutex_;
    ComPtr<HostDevice> device_;
    std::function<void(HostDevice&)> onCreated_;
};

}  // namespace geolumen
