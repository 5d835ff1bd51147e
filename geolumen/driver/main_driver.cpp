#include "driver/main_driver.h"

#include <system_error>

#include "driver/device_usb_link.h"
#include "driver/driver_globals.h"
#include "driver/main_device.h"
#include "platform/trace.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {

// The driver assembles its device from every layer, so the parts a device is made of by default are
// chosen here rather than beside the process-wide records.
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

HRESULT cMainDriver::OnDeviceAdd(IWDFDriver* driver, IWDFDeviceInitialize* init) {
    if (!driver || !init) return E_UNEXPECTED;
    auto device = MakeCom<cMainDevice>(DriverGlobals::Get().Parts());

    char instanceId[kMaxInstanceIdChars] = {};
    uint32_t chars = kMaxInstanceIdChars;
    if (SUCCEEDED(init->RetrieveDevicePnpInstanceId(instanceId, &chars))) {
        instanceId[kMaxInstanceIdChars - 1] = '\0';
        device->SetDeviceInstanceId(instanceId);
    }

    init->SetLockingConstraint(WdfSynchronizationScopeNone);
    init->SetPowerPolicyOwnership(true);

    ComPtr<IUnknown> callbacks;
    HRESULT hr =
        device->QueryInterface(IUnknown::kIid, reinterpret_cast<void**>(callbacks.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    ComPtr<IWDFDevice> fxDevice;
    hr = driver->CreateDevice(init, callbacks.Get(), fxDevice.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    if (!fxDevice) return E_POINTER;

    ComPtr<IWDFDeviceIdleSettings> idle;
    hr = fxDevice.As(idle);
    if (SUCCEEDED(hr)) hr = idle->AssignS0IdleSettingsEx(&kIdleSettings);
    if (SUCCEEDED(hr)) {
        fxDevice->SetPnpState(WdfPnpStateNotDisableable, true);
        fxDevice->CommitPnpState();
    }
    GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_DRIVER, "device add: 0x%08X", static_cast<unsigned>(hr));
    return hr;
}

}  // namespace geolumen
