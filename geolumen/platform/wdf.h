#pragma once
// The driver framework as the driver sees it: the objects the framework hands to the driver and the
// callback interfaces the driver implements. Only the methods the driver calls are here. The framework
// side (the host) implements the object interfaces; see platform/wdf_host.h.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/com.h"
#include "platform/guid.h"
#include "platform/hresult.h"
#include "platform/usb_target.h"

namespace geolumen {

// Builds an identifier from its usual text groups: {d1-d2-d3-d4-d5} with d4 16 bits and d5 48 bits.
[[nodiscard]] constexpr GUID WdfGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint16_t d4, uint64_t d5) {
    return GUID{d1,
                d2,
                d3,
                {static_cast<uint8_t>(d4 >> 8), static_cast<uint8_t>(d4), static_cast<uint8_t>(d5 >> 40),
                 static_cast<uint8_t>(d5 >> 32), static_cast<uint8_t>(d5 >> 24),
                 static_cast<uint8_t>(d5 >> 16), static_cast<uint8_t>(d5 >> 8), static_cast<uint8_t>(d5)}};
}

struct IWDFDevice;
struct IWDFIoQueue;
struct IWDFIoRequest;
struct IWDFFile;
struct IWDFNamedPropertyStore;

// ---- values the driver passes to the framework ----

enum WDF_CALLBACK_CONSTRAINT : uint32_t { WdfSynchronizationScopeNone = 0 };
enum WDF_IO_QUEUE_DISPATCH_TYPE : uint32_t {
    WdfIoQueueDispatchSequential = 1,
    WdfIoQueueDispatchParallel = 2
};
enum WDF_PNP_STATE : uint32_t { WdfPnpStateNotDisableable = 6 };
enum WDF_PROPERTY_STORE_DISPOSITION : uint32_t {
    WdfPropertyStoreNormal = 0,
    WdfPropertyStoreCreateIfMissing = 1,
};

// The idle settings record handed to the framework; every field is 32 bits and the record is 32 bytes.
struct WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS {
    uint32_t Size;
    uint32_t IdleCaps;                   // 1: the device cannot wake itself from S0
    uint32_t DxState;                    // 4: D3
    uint32_t IdleTimeout;                // milliseconds
    uint32_t UserControlOfIdleSettings;  // 2: the user may change them
    uint32_t Enabled;                    // 0 false, 1 true
    uint32_t PowerUpIdleDeviceOnSystemWake;
    uint32_t IdleTimeoutType;  // 1: managed by the system
};
static_assert(sizeof(WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS) == 32);

// The version record a driver library exports under the name Microsoft_WDF_UMDF_Version.
struct UmdfVersionData {
    uint32_t MajorNumber;
    uint32_t MinorNumber;
    uint32_t Reserved;
};

// ---- objects of the framework ----

// {B7A5C3E0-5D1B-4E7C-9A57-1F0E4C6D2A01}
struct IWDFObject : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A01);
    virtual HRESULT DeleteWdfObject() = 0;
};

// Set-up data of a device before it exists.
struct IWDFDeviceInitialize : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A02);
    // Copies the instance id with its terminator into `buffer` of `*chars` characters and stores the
    // length with terminator in `*chars`; a buffer too small fails with 0x8007007A and copies nothing.
    virtual HRESULT RetrieveDevicePnpInstanceId(char* buffer, uint32_t* chars) = 0;
    virtual void SetLockingConstraint(WDF_CALLBACK_CONSTRAINT constraint) = 0;
    virtual void SetPowerPolicyOwnership(bool owner) = 0;
};

struct IWDFDriver : IWDFObject {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A03);
    // Creates the framework device; `callbacks` is asked for the PnP, power, self-managed I/O and
    // file-cleanup callback interfaces it implements.
    virtual HRESULT CreateDevice(IWDFDeviceInitialize* init, IUnknown* callbacks, IWDFDevice** device) = 0;
};

struct IWDFDevice : IWDFObject {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A04);
    // The default queue, or none (null, S_OK) before one was created.
    virtual void GetDefaultIoQueue(IWDFIoQueue** queue) = 0;
    virtual HRESULT CreateIoQueue(IUnknown* callbacks, bool defaultQueue, WDF_IO_QUEUE_DISPATCH_TYPE dispatch,
                                  bool powerManaged, bool allowZeroLength, IWDFIoQueue** queue) = 0;
    // Publishes a device interface of the class; `reference` may be null.
    virtual HRESULT CreateDeviceInterface(const GUID& interfaceClass, const char* reference) = 0;
    virtual void SetPnpState(WDF_PNP_STATE state, bool value) = 0;
    virtual void CommitPnpState() = 0;
    // The device's named property store, kept per device instance across restarts.
    virtual HRESULT RetrieveDevicePropertyStore(WDF_PROPERTY_STORE_DISPOSITION disposition,
                                                IWDFNamedPropertyStore** store) = 0;
};

// The device's second interface: idle control. The USB target factory is found from it too.
// {1B0D07B1-F596-4A76-99B3-B9492AD8DF9F}
struct IWDFDevice2 : IUnknown {
    static constexpr IID kIid = WdfGuid(0x1B0D07B1, 0xF596, 0x4A76, 0x99B3, 0xB9492AD8DF9F);
    // Keeps the device in D0 until the matching ResumeIdle; `waitForD0` false returns at once.
    virtual HRESULT StopIdle(bool waitForD0) = 0;
    virtual void ResumeIdle() = 0;
};

// {863D943A-C9CD-4655-A8D6-C84EF411CC0D}
struct IWDFDeviceIdleSettings : IUnknown {
    static constexpr IID kIid = WdfGuid(0x863D943A, 0xC9CD, 0x4655, 0xA8D6, 0xC84EF411CC0D);
    virtual HRESULT AssignS0IdleSettingsEx(const WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS* settings) = 0;
};

// Found from the device's second interface: the USB device behind the framework device.
// {3F7BECF9-3A65-4348-A4F3-339D5734A9C6}
struct IWDFUsbTargetFactory : IUnknown {
    static constexpr IID kIid = WdfGuid(0x3F7BECF9, 0x3A65, 0x4348, 0xA4F3, 0x339D5734A9C6);
    virtual HRESULT CreateUsbTargetDevice(std::shared_ptr<UsbTarget>* target) = 0;
};

struct IWDFIoQueue : IWDFObject {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A05);
    // Stops dispatching and returns once every request already handed to the driver is completed.
    virtual void StopSynchronously() = 0;
    virtual void Start() = 0;
    // Fails every request not yet dispatched, waits for those being handled, and stops the queue;
    // Start lets requests in again.
    virtual void PurgeSynchronously() = 0;
};

struct IWDFMemory : IWDFObject {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A06);
    // The buffer and its size in bytes; null with size 0 for an empty buffer.
    virtual void* GetDataBuffer(size_t* size) = 0;
};

struct IWDFFile : IWDFObject {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A07);
};

struct IWDFIoRequest : IWDFObject {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A08);
    virtual void CompleteWithInformation(HRESULT status, size_t information) = 0;
    // The caller's input and output buffers of a buffered I/O control; no memory when its length is 0.
    virtual void GetInputMemory(IWDFMemory** memory) = 0;
    virtual void GetOutputMemory(IWDFMemory** memory) = 0;
    virtual void GetFileObject(IWDFFile** file) = 0;
};

// Named values kept by the framework per device instance.
struct IWDFNamedPropertyStore : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A09);
    // 0x80070490 when the name has no value.
    virtual HRESULT GetNamedValueU32(const char* name, uint32_t* value) = 0;
    virtual HRESULT SetNamedValueU32(const char* name, uint32_t value) = 0;
    virtual HRESULT GetNamedValueText(const char* name, char* buffer, size_t size) = 0;
    virtual HRESULT SetNamedValueText(const char* name, const char* value) = 0;
};

// ---- callbacks the driver implements ----

// {1BEC7499-8881-4F2B-B01C-A1A907304AFC}
struct IDriverEntry : IUnknown {
    static constexpr IID kIid = WdfGuid(0x1BEC7499, 0x8881, 0x4F2B, 0xB01C, 0xA1A907304AFC);
    virtual HRESULT OnInitialize(IWDFDriver* driver) = 0;
    virtual HRESULT OnDeviceAdd(IWDFDriver* driver, IWDFDeviceInitialize* init) = 0;
    virtual void OnDeinitialize(IWDFDriver* driver) = 0;
};

enum WDF_POWER_DEVICE_STATE : uint32_t { WdfPowerDeviceD0 = 1, WdfPowerDeviceD3 = 4 };

struct IPnpCallback : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A11);
    virtual HRESULT OnD0Entry(IWDFDevice* device, WDF_POWER_DEVICE_STATE previousState) = 0;
    virtual HRESULT OnD0Exit(IWDFDevice* device, WDF_POWER_DEVICE_STATE targetState) = 0;
    virtual void OnSurpriseRemoval(IWDFDevice* device) = 0;
    virtual HRESULT OnQueryRemove(IWDFDevice* device) = 0;
    virtual HRESULT OnQueryStop(IWDFDevice* device) = 0;
};

struct IPnpCallbackHardware : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A12);
    virtual HRESULT OnPrepareHardware(IWDFDevice* device) = 0;
    virtual HRESULT OnReleaseHardware(IWDFDevice* device) = 0;
};

struct IPnpCallbackSelfManagedIo : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A13);
    virtual void OnSelfManagedIoCleanup(IWDFDevice* device) = 0;
    virtual void OnSelfManagedIoFlush(IWDFDevice* device) = 0;
    virtual HRESULT OnSelfManagedIoInit(IWDFDevice* device) = 0;
    virtual HRESULT OnSelfManagedIoSuspend(IWDFDevice* device) = 0;
    virtual HRESULT OnSelfManagedIoRestart(IWDFDevice* device) = 0;
    virtual HRESULT OnSelfManagedIoStop(IWDFDevice* device) = 0;
};

struct IFileCallbackCleanup : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A14);
    virtual void OnCleanupFile(IWDFFile* file) = 0;
};

struct IQueueCallbackDeviceIoControl : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB7A5C3E0, 0x5D1B, 0x4E7C, 0x9A57, 0x1F0E4C6D2A15);
    virtual void OnDeviceIoControl(IWDFIoQueue* queue, IWDFIoRequest* request, uint32_t controlCode,
                                   size_t inputLength, size_t outputLength) = 0;
};

}  // namespace geolumen
