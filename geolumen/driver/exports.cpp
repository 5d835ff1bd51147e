// The library's exported entry points: the version record, the class object lookup over the module's
// object map, the unload check, and registration (done by the installation, so nothing here).
#include "driver/exports.h"

#include "driver/main_driver.h"
#include "driver/module_lock.h"
#include "platform/driver_module.h"
#include "radio/radio_manager.h"

namespace geolumen {
namespace {

HRESULT CreateMainDriver(REFIID iid, void** out) { return MakeCom<cMainDriver>()->QueryInterface(iid, out); }

// One factory per class of the object map; `create` makes the object and asks it for the interface.
template <HRESULT (*create)(REFIID iid, void** out)>
class cClassFactory final : public ComObject<IClassFactory> {
  public:
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create(iid, out);
    }
    HRESULT LockServer(bool lock) override {
        if (lock) {
            ModuleLock::Lock();
        } else {
            ModuleLock::Unlock();
        }
        return S_OK;
    }

  private:
    ModuleLock moduleLock_;
};

// The module's object map: the classes this library can create.
struct ObjectMapEntry {
    const CLSID* clsid;
    ComPtr<IClassFactory> (*makeFactory)();
};
const ObjectMapEntry kObjectMap[] = {
    {&CLSID_GeolumenDriver, [] { return ComPtr<IClassFactory>(MakeCom<cClassFactory<CreateMainDriver>>()); }},
    {&CLSID_GeolumenRadioManager,
     [] { return ComPtr<IClassFactory>(MakeCom<cClassFactory<CreateRadioManager>>()); }},
};

}  // namespace
}  // namespace geolumen

using geolumen::HRESULT;

extern "C" {

__attribute__((visibility("default"))) extern const geolumen::UmdfVersionData Microsoft_WDF_UMDF_Version;
const geolumen::UmdfVersionData Microsoft_WDF_UMDF_Version = {1, 11, 0};

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const geolumen::CLSID* clsid,
                                                                 const geolumen::IID* iid, void** out) {
    if (!out) return geolumen::E_POINTER;
    *out = nullptr;
    if (!clsid || !iid) return geolumen::E_INVALIDARG;
    for (const auto& entry : geolumen::kObjectMap) {
        if (*entry.clsid == *clsid) return entry.makeFactory()->QueryInterface(*iid, out);
    }
    return geolumen::CLASS_E_CLASSNOTAVAILABLE;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return geolumen::ModuleLock::Current() == 0 ? geolumen::S_OK : geolumen::S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() { return geolumen::S_OK; }
__attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return geolumen::S_OK; }

}  // extern "C"
