#pragma once
// The library's exports, for code that links the driver statically (tests run the host against them).

#include "platform/driver_module.h"

extern "C" {
extern const geolumen::UmdfVersionData Microsoft_WDF_UMDF_Version;
geolumen::HRESULT DllGetClassObject(const geolumen::CLSID* clsid, const geolumen::IID* iid, void** out);
geolumen::HRESULT DllCanUnloadNow();
geolumen::HRESULT DllRegisterServer();
geolumen::HRESULT DllUnregisterServer();
}
