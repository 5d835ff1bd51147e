#pragma once
// The driver object the host creates through the class factory: it adds the device.

#include "driver/module_lock.h"
#include "platform/com.h"
#include "platform/wdf.h"

namespace geolumen {

// The device's idle settings: it cannot wake itself from S0, idles to D3 after 100 ms, the user may
// change the settings, idling starts disabled, and the system manages the time-out.
inline constexpr WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS kIdleSettings{32, 1, 4, 100, 2, 0, 0, 1};

class cMainDriver final : public ComObject<IDriverEntry> {
  public:
    HRESULT OnInitialize(IWDFDriver*) override { return S_OK; }
    HRESULT OnDeviceAdd(IWDFDriver* driver, IWDFDeviceInitialize* init) override;
    void OnDeinitialize(IWDFDriver*) override {}

  private:
    ModuleLock moduleLock_;
};

}  // namespace geolumen
