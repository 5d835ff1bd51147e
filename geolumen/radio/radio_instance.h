#pragma once
// The GNSS radio as radio management sees it, and the collection in which the manager hands its radios
// out. The instance knows nothing of the driver's objects: every state it reports or sets goes through
// the driver's custom I/O controls on a device handle opened for that one operation.
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "driver/module_lock.h"
#include "radio/radio_interfaces.h"

namespace geolumen {

class cRadioInstance final : public ComObject<IRadioInstance, IRadioInstanceControl> {
  public:
    // `owner` is not counted: the manager owns the instance and clears the pointer before it goes.
    explicit cRadioInstance(IRadioInstanceEvents* owner) : owner_(owner) {}

    // IRadioInstance
    HRESULT GetRadioManagerSignature(GUID* signature) override;
    HRESULT GetInstanceSignature(BSTR* signature) override;
    HRESULT GetFriendlyName(LCID locale, BSTR* name) override;
    HRESULT GetRadioState(DEVICE_RADIO_STATE* state) override;
    HRESULT SetRadioState(DEVICE_RADIO_STATE state, uint32_t timeoutSeconds) override;
    bool IsMultiComm() override { return false; }
    bool IsAssociatingDevice() override { return false; }
    HRESULT GetPreviousRadioState(DEVICE_RADIO_STATE* state) override;

    // IRadioInstanceControl
    HRESULT ApplySystemRadioState(SYSTEM_RADIO_STATE state) override;

    // Called by the manager at its final release: no notification starts afterwards, and one in progress on
    // another thread finishes first. (One on this thread is further up its own stack: a sink let go of the
    // manager from its callback.)
    void ClearOwner();

  private:
    HRESULT ReadRadioState(uint32_t code, DEVICE_RADIO_STATE* state);
    // Sends the state (and, with `withPrevious`, the same value as the previous state) and, when every
    // send went through, tells the owner. S_OK, or S_FALSE when the device refused or was not there.
    HRESULT WriteRadioState(DEVICE_RADIO_STATE state, bool withPrevious);

    // Tells the owner, if it is still there, without holding the owner lock during the call.
    void NotifyOwner(DEVICE_RADIO_STATE state);

    ModuleLock moduleLock_;
    std::mutex ownerLock_;
    std::condition_variable notified_;
    IRadioInstanceEvents* owner_;
    std::vector<std::thread::id> notifying_;  // threads inside a call on the owner
};

class cRadioInstanceCollection final : public ComObject<IRadioInstanceCollection> {
  public:
    explicit cRadioInstanceCollection(std::vector<ComPtr<IRadioInstance>> instances)
        : instances_(std::move(instances)) {}

    HRESULT GetCount(uint32_t* count) override;
    HRESULT GetAt(uint32_t index, IRadioInstance** instance) override;

  private:
    ModuleLock moduleLock_;
    const std::vector<ComPtr<IRadioInstance>> instances_;
};

}  // namespace geolumen
