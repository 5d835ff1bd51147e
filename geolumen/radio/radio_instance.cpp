#include "radio/radio_instance.h"

#include <algorithm>

#include "platform/trace.h"
#include "radio/radio_device.h"
#include "radio/radio_work_item.h"

namespace geolumen {
namespace {

[[nodiscard]] HRESULT CopyText(const char* text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Bit 2 marks the states radio management cannot switch (hardware on or off, not controllable).
constexpr uint32_t kNotControllableBit = 0x4;

}  // namespace

HRESULT cRadioInstance::GetRadioManagerSignature(GUID* signature) {
    if (!signature) return E_INVALIDARG;
    *signature = CLSID_GeolumenRadioManager;
    return S_OK;
}

HRESULT cRadioInstance::GetInstanceSignature(BSTR* signature) {
    return CopyText(kRadioInstanceSignature, signature);
}

HRESULT cRadioInstance::GetFriendlyName(LCID, BSTR* name) { return CopyText(kRadioFriendlyName, name); }

HRESULT cRadioInstance::GetRadioState(DEVICE_RADIO_STATE* state) {
    return ReadRadioState(kIoctlGetRadioState, state);
}

HRESULT cRadioInstance::GetPreviousRadioState(DEVICE_RADIO_STATE* state) {
    return ReadRadioState(kIoctlGetPreviousRadioState, state);
}

HRESULT cRadioInstance::ReadRadioState(uint32_t code, DEVICE_RADIO_STATE* state) {
    if (!state) return E_INVALIDARG;
    *state = DRS_RADIO_ON;
    RadioDevice device;
    const HRESULT opened = device.OpenRadioDevice();
    uint32_t value = kRadioStateUnknown;
    // The query's own result does not matter: a failed one leaves "invalid", which reads as not
    // controllable below.
    (void)device.QueryRadioState(code, &value);
    if (value == DRS_RADIO_INVALID || value > DRS_HW_RADIO_OFF_UNCONTROLLABLE)
        value = DRS_HW_RADIO_ON_UNCONTROLLABLE;
    *state = static_cast<DEVICE_RADIO_STATE>(value);
    return opened;
}

HRESULT cRadioInstance::SetRadioState(DEVICE_RADIO_STATE state, uint32_t timeoutSeconds) {
    if (state != DRS_RADIO_ON && state != DRS_SW_RADIO_OFF) return E_INVALIDARG;
    DEVICE_RADIO_STATE current = DRS_RADIO_ON;
    const HRESULT hr = GetRadioState(&current);
    if (FAILED(hr) || (current & kNotControllableBit) != 0) return E_FAIL;
    if (current == state) return S_OK;
    ComPtr<IUnknown> self(static_cast<IUnknown*>(static_cast<IRadioInstance*>(this)));
    return RunRadioWorkItem(self, state, timeoutSeconds, [this](uint32_t value) {
        // A user's switch is also recorded as the previous state, which a later system switch honours.
        return WriteRadioState(static_cast<DEVICE_RADIO_STATE>(value), true);
    });
}

HRESULT cRadioInstance::ApplySystemRadioState(SYSTEM_RADIO_STATE state) {
    if (state != SRS_RADIO_ENABLED && state != SRS_RADIO_DISABLED) return E_INVALIDARG;
    DEVICE_RADIO_STATE previous = DRS_RADIO_ON;
    (void)GetPreviousRadioState(&previous);
    // The user switched this radio off: the system switch leaves it so.
    if (previous == DRS_SW_RADIO_OFF) return S_OK;
    return WriteRadioState(state == SRS_RADIO_ENABLED ? DRS_RADIO_ON : DRS_SW_RADIO_OFF, false);
}

HRESULT cRadioInstance::WriteRadioState(DEVICE_RADIO_STATE state, bool withPrevious) {
    RadioDevice device;
    (void)device.OpenRadioDevice();
    HRESULT hr = device.SendRadioState(kIoctlSetRadioState, state);
    if (SUCCEEDED(hr) && withPrevious) hr = device.SendRadioState(kIoctlSetPreviousRadioState, state);
    device.Close();
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_RADIO, "radio state %u not sent: 0x%08X", state,
                       static_cast<unsigned>(hr));
        return S_FALSE;
    }
    NotifyOwner(state);
    return S_OK;
}

void cRadioInstance::NotifyOwner(DEVICE_RADIO_STATE state) {
    IRadioInstanceEvents* owner = nullptr;
    {
        std::lock_guard lock(ownerLock_);
        if (!owner_) return;
        owner = owner_;
        notifying_.push_back(std::this_thread::get_id());
    }
    BSTR signature = SysAllocString(kRadioInstanceSignature);
    (void)owner->NotifyInstanceRadioChange(signature, state);
    SysFreeString(signature);
    std::lock_guard lock(ownerLock_);
    notifying_.erase(std::find(notifying_.begin(), notifying_.end(), std::this_thread::get_id()));
    notified_.notify_all();
}

void cRadioInstance::ClearOwner() {
    std::unique_lock lock(ownerLock_);
    owner_ = nullptr;
    const auto self = std::this_thread::get_id();
    notified_.wait(lock, [&] {
        return std::all_of(notifying_.begin(), notifying_.end(),
                           [&](std::thread::id id) { return id == self; });
    });
}

HRESULT cRadioInstanceCollection::GetCount(uint32_t* count) {
    if (!count) return E_INVALIDARG;
    *count = static_cast<uint32_t>(instances_.size());
    return S_OK;
}

HRESULT cRadioInstanceCollection::GetAt(uint32_t index, IRadioInstance** instance) {
    if (!instance) return E_INVALIDARG;
    *instance = nullptr;
    if (index >= instances_.size()) return E_FAIL;
    return instances_[index].CopyTo(instance);
}

}  // namespace geolumen
