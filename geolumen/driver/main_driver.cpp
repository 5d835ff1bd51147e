#include "driver/main_driver.h"

#include "driver/driver_globals.h"
#include "driver/main_device.h"
#include "platform/trace.h"

namespace geolumen {

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
