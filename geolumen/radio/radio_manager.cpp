#include "radio/radio_manager.h"

#include <new>

#include "radio/radio_work_item.h"

namespace geolumen {

cRadioManager::cRadioManager() : point_(static_cast<IConnectionPointContainer*>(this)) {}

cRadioManager::~cRadioManager() {
    // A radio switch still running after its caller's time-out holds the instance, not the manager: from
    // here on it must not reach the manager.
    for (const InstanceEntry& entry : instances_) entry.instance->ClearOwner();
}

HRESULT cRadioManager::FinalConstruct() {
    (void)AddRadioInstance();
    return S_OK;
}

HRESULT cRadioManager::AddRadioInstance() {
    ComPtr<cRadioInstance> instance;
    try {
        instance = MakeCom<cRadioInstance>(static_cast<IRadioInstanceEvents*>(this));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IRadioInstanceControl> control;
    if (const HRESULT hr = instance.As(control); FAILED(hr)) return hr;
    {
        std::lock_guard lock(listLock_);
        instances_.push_back({control, instance.Get()});
    }
    ComPtr<IRadioInstance> radio;
    if (SUCCEEDED(instance.As(radio))) {
        point_.Fire([&](IMediaRadioManagerNotifySink* sink) { (void)sink->OnInstanceAdd(radio.Get()); });
    }
    return S_OK;
}

std::vector<cRadioManager::InstanceEntry> cRadioManager::Instances() {
    std::lock_guard lock(listLock_);
    return instances_;
}

HRESULT cRadioManager::GetRadioInstances(IRadioInstanceCollection** collection) {
    if (!collection) return E_INVALIDARG;
    *collection = nullptr;
    try {
        std::vector<ComPtr<IRadioInstance>> radios;
        for (const InstanceEntry& entry : Instances()) {
            ComPtr<IRadioInstance> radio;
            if (SUCCEEDED(entry.control.As(radio))) radios.push_back(std::move(radio));
        }
        *collection = MakeCom<cRadioInstanceCollection>(std::move(radios)).Detach();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT cRadioManager::OnSystemRadioStateChange(SYSTEM_RADIO_STATE state, uint32_t timeoutSeconds) {
    ComPtr<IUnknown> self(static_cast<IUnknown*>(static_cast<IMediaRadioManager*>(this)));
    return RunRadioWorkItem(self, state, timeoutSeconds, [this](uint32_t value) {
        return PassSystemRadioState(static_cast<SYSTEM_RADIO_STATE>(value));
    });
}

HRESULT cRadioManager::PassSystemRadioState(SYSTEM_RADIO_STATE state) {
    HRESULT hr = S_OK;
    for (const InstanceEntry& entry : Instances()) {
        hr = entry.control->ApplySystemRadioState(state);
        if (FAILED(hr)) break;
    }
    return hr;
}

HRESULT cRadioManager::NotifyInstanceRadioChange(BSTR signature, DEVICE_RADIO_STATE state) {
    // Nothing of the manager is touched once the sinks run: one of them may let the manager go.
    point_.Fire(
        [&](IMediaRadioManagerNotifySink* sink) { (void)sink->OnInstanceRadioChange(signature, state); });
    return S_OK;
}

HRESULT cRadioManager::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    std::vector<ComPtr<IConnectionPoint>> items{ComPtr<IConnectionPoint>(&point_)};
    *points = MakeCom<cEnumConnectionPoints>(std::move(items)).Detach();
    return S_OK;
}

HRESULT cRadioManager::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != IMediaRadioManagerNotifySink::kIid) return CONNECT_E_NOCONNECTION;
    *point = &point_;
    point_.AddRef();
    return S_OK;
}

HRESULT CreateRadioManager(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<cRadioManager> manager;
    try {
        manager = MakeCom<cRadioManager>();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    (void)manager->FinalConstruct();
    return manager->QueryInterface(iid, out);
}

}  // namespace geolumen
