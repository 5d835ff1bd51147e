#pragma once
// The radio manager radio management creates by its class id: it owns the GNSS radio instance, hands the
// instances out, passes the system-wide radio switch to them, and reports new instances and radio changes
// to the advised notification sinks.
//
// Nothing is called while a lock is held: the instance list and the sinks are copied under their locks and
// used outside them, so a sink may call back into the manager, and device I/O never waits on a list lock.
#include <mutex>
#include <vector>

#include "driver/module_lock.h"
#include "radio/radio_connection_point.h"
#include "radio/radio_instance.h"
#include "radio/radio_interfaces.h"

namespace geolumen {

class cRadioManager final
    : public ComObject<IMediaRadioManager, IRadioInstanceEvents, IConnectionPointContainer> {
  public:
    cRadioManager();
    ~cRadioManager() override;

    // Adds the GNSS instance; S_OK even when that failed (the manager then has no instance).
    HRESULT FinalConstruct();

    // IMediaRadioManager
    HRESULT GetRadioInstances(IRadioInstanceCollection** collection) override;
    HRESULT OnSystemRadioStateChange(SYSTEM_RADIO_STATE state, uint32_t timeoutSeconds) override;

    // IRadioInstanceEvents
    HRESULT NotifyInstanceRadioChange(BSTR signature, DEVICE_RADIO_STATE state) override;

    // IConnectionPointContainer
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  private:
    struct InstanceEntry {
        ComPtr<IRadioInstanceControl> control;
        cRadioInstance* instance;  // the same object, for clearing its owner
    };

    HRESULT AddRadioInstance();
    HRESULT PassSystemRadioState(SYSTEM_RADIO_STATE state);
    [[nodiscard]] std::vector<InstanceEntry> Instances();

    ModuleLock moduleLock_;
    cRadioConnectionPoint point_;
    std::mutex listLock_;
    std::vector<InstanceEntry> instances_;
};

// Creates a manager for radio management (the class factory's work).
[[nodiscard]] HRESULT CreateRadioManager(REFIID iid, void** out);

}  // namespace geolumen
