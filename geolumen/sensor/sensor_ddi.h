#pragma once
// The sensor driver interface: the one location sensor of the device. It answers the sensor class
// extension's callbacks (objects, keys, events, property and data-field reads, property writes, the
// client life cycle), keeps one record per client and turns them into the session's report interval and
// accuracy, decides when the device may idle, turns the session worker's reports into data fields and the
// sensor state, and keeps the radio state.
//
// Locks: the main lock (recursive) guards the four collections, the client map, the sensor state and the
// event handles; the idle lock guards the idle timer state. The main lock may be held while the idle lock
// is taken, never the reverse. The session worker's threads report without holding either.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/busy_state.h"
#include "driver/sensor_ddi_link.h"
#include "location/location_session.h"
#include "platform/sensor_driver.h"
#include "platform/thread_timer.h"

namespace geolumen {

// The time stamp of a fix time in milliseconds since 1970.
[[nodiscard]] FileTimeValue FileTimeFromUnixMs(uint64_t ms);

// How the sensor makes its parts; tests give their own.
struct SensorDdiConfig {
    // The location client the worker drives (none: the real client).
    std::function<std::unique_ptr<LocationSessionOps>()> createOps;
    // The idle timer (none: a timer thread of its own).
    TimerFactory createTimer;
    std::chrono::milliseconds sessionStartDelay = kSessionStartDelay;
};

// A report interval at or above this lets the device idle between reports.
inline constexpr uint32_t kLongReportIntervalMs = 15000;
// The device is woken this long before the next report is due.
inline constexpr uint32_t kIdleWakeAheadMs = 3000;
inline constexpr std::chrono::milliseconds kIdleTimerWindow{100};
// Report intervals below this, other than 0 (no wish), are refused.
inline constexpr uint32_t kMinReportIntervalMs = 1000;
// The persistent id's value in the device property store.
inline constexpr const char* kPersistentIdValueName = kSensorObjectId;

class cSensorDDI final : public ComObject<ISensorDriver, ISensorDdi>, private LocationSessionOwner {
  public:
    struct sClientProperties {
        uint32_t subscribed = 0;
        uint32_t reportInterval = 0;  // ms; 0: the client asked for none
        int32_t desiredAccuracy = 0;  // 0 default, 1 high
        ComPtr<IWDFFile> file;        // keeps the key's address from being reused while the record lives
    };

    explicit cSensorDDI(SensorDdiConfig config = {});
    ~cSensorDDI() override;

    // ---- ISensorDriver ----
    HRESULT OnGetSupportedSensorObjects(IPortableDeviceValuesCollection** objects) override;
    HRESULT OnGetSupportedProperties(const char* objectId, IPortableDeviceKeyCollection** keys) override;
    HRESULT OnGetSupportedDataFields(const char* objectId, IPortableDeviceKeyCollection** keys) override;
    HRESULT OnGetSupportedEvents(const char* objectId, GUID** events, uint32_t* count) override;
    HRESULT OnGetProperties(IWDFFile* client, const char* objectId, IPortableDeviceKeyCollection* keys,
                            IPortableDeviceValues** values) override;
    HRESULT OnGetDataFields(IWDFFile* client, const char* objectId, IPortableDeviceKeyCollection* keys,
                            IPortableDeviceValues** values) override;
    HRESULT OnSetProperties(IWDFFile* client, const char* objectId, IPortableDeviceValues* values,
                            IPortableDeviceValues** results) override;
    HRESULT OnClientConnect(IWDFFile* client, const char* objectId) override;
    HRESULT OnClientDisconnect(IWDFFile* client, const char* objectId) override;
    HRESULT OnClientSubscribeToEvents(IWDFFile* client, const char* objectId) override;
    HRESULT OnClientUnsubscribeFromEvents(IWDFFile* client, const char* objectId) override;
    HRESULT OnProcessWpdMessage(IUnknown*, IUnknown*, IUnknown*) override { return S_OK; }

    // ---- ISensorDdi ----
    HRESULT InitializeSensorDdi(IWDFDevice* device, cMainDevice* owner) override;
    void SetEventHandles(Event* dataReady, Event* stateChange) override;
    void StartLocationSession() override;
    void StopLocationSession() override;
    HRESULT CopyDataValues(IPortableDeviceValues* target, uint64_t* report = nullptr) override;
    [[nodiscard]] uint32_t GetSensorState() override;
    void UpdateIdlePolicy() override;
    HRESULT GetRadioStateIoctl(IWDFIoRequest* request, bool previous) override;
    HRESULT SetRadioStateIoctl(IWDFIoRequest* request, bool previous) override;

    // The same initialisation with the owner's parts given one by one (tests: no device object).
    HRESULT Initialize(IWDFDevice* device, BusyState* busy, std::string instanceId);

    // ---- stores, each under the main lock; E_UNEXPECTED without the store ----
    HRESULT GetPropertyValue(const PROPERTYKEY& key, PropValue* value);
    HRESULT SetPropertyValue(const PROPERTYKEY& key, const PropValue& value);
    HRESULT GetDataValue(const PROPERTYKEY& key, PropValue* value);
    HRESULT SetDataValue(const PROPERTYKEY& key, const PropValue& value);
    HRESULT GetSupportedPropertyKeys(IPortableDeviceKeyCollection** keys);
    HRESULT GetSupportedDataKeys(IPortableDeviceKeyCollection** keys);

    // ---- location data and sensor state ----
    // The worker's report callback: 1 a new fix, 2 a new satellite list; other kinds are ignored.
    void OnLocationReport(uint32_t kind);
    // Applies one report as one update; what OnLocationReport does with the record's copy.
    void ApplyPositionReport(const LocationFix& fix);
    // The fields of a position report under the main lock; true when it is one to raise data-ready for.
    [[nodiscard]] bool ApplyPositionFields(const LocationFix& fix);
    void ApplySatelliteReport(const SatelliteReport& report);
    void SetSensorState(uint32_t state) override;
    void SetSensorStateValue(uint32_t state);
    void SignalDataReady();
    [[nodiscard]] bool NmeaEnabled() const { return nmeaEnabled_.load(); }

    // ---- clients and idle ----
    void ArbitrateClientSettings();
    // The device is let idle between reports (tests).
    [[nodiscard]] bool IdleWindowOpen();
    // The idle timer's expiry; `generation` is the arming it belongs to.
    void IdleTimerCallback(uint64_t generation);
    [[nodiscard]] uint32_t ConnectedClientCount();
    [[nodiscard]] uint32_t SubscriberCount();

    [[nodiscard]] cLocationSession& Session() { return session_; }
    [[nodiscard]] std::string GetDeviceInstanceId() override;

  private:
    // LocationSessionOwner
    bool DeviceRemoved() override;

    HRESULT CreateCollections();
    HRESULT AddSupportedKeys();
    HRESULT SetDefaultSensorProperties();
    HRESULT InitPersistentUniqueId();
    HRESULT RestoreRadioState();
    void ReleaseCollections();
    // One result per key from `read`; S_FALSE when any key failed.
    HRESULT ReadKeys(IPortableDeviceKeyCollection* keys, bool skipNullKeys,
                     HRESULT (cSensorDDI::*read)(const PROPERTYKEY&, PropValue*),
                     IPortableDeviceValues** out);

    [[nodiscard]] sClientProperties* FindClient(IWDFFile* client);
    [[nodiscard]] HRESULT SetOneProperty(IWDFFile* client, const PROPERTYKEY& key, const PropValue& value);
    bool KeepDeviceAwake();
    bool AllowDeviceIdle();
    // Both with the idle lock held.
    void ArmIdleTimer(uint32_t intervalMs);
    void EndIdleWindow();
    void CancelIdleTimer();
    // The device's idle control, asked of the kept device each time; false when it has none.
    bool StopIdle();
    bool ResumeIdle();
    // Lets the device idle now: closes an idle window (it idles already) or resumes idle. Takes the idle
    // lock; for the last client's leaving and for the radio switched off.
    void AllowIdleNow();

    // Applies the requested radio state (radio state); run by every arbitration.
    HRESULT ApplyRadioState();

    // Data reporting is on and the radio is not switched off.
    [[nodiscard]] bool ReportsAccepted();
    void SetNmeaDataField(const std::string& text);
    void BuildFixNmea(const LocationFix& fix, std::string& out);
    void BuildSatelliteNmea(const SatelliteReport& report, std::string& out);

    std::unique_ptr<LocationSessionOps> ops_;
    cLocationSession session_;
    TimerFactory createTimer_;

    BusyState* busy_ = nullptr;
    std::string instanceId_;
    ComPtr<IPortableDeviceKeyCollection> propertyKeys_;
    ComPtr<IPortableDeviceKeyCollection> dataKeys_;
    ComPtr<IPortableDeviceValues> properties_;
    ComPtr<IPortableDeviceValues> data_;
    std::recursive_mutex mainLock_;
    Event* dataReady_ = nullptr;
    Event* stateChange_ = nullptr;
    uint32_t sensorState_ = SENSOR_STATE_INITIALIZING;
    // Counts the position reports that raise data-ready; the event thread posts each number once.
    uint64_t reportNumber_ = 0;
    double lastLatitude_;
    double lastLongitude_;
    float lastErrorRadius_;
    std::map<IWDFFile*, sClientProperties> clients_;
    // Every subscribe counts, with or without a record, and only an unsubscribe takes one back; events
    // are set while it is above 0.
    uint32_t subscriberCount_ = 0;
    ComPtr<IWDFDevice> device_;
    bool initialized_ = false;

    std::atomic<bool> nmeaEnabled_{false};
    // Scratch of the report paths, so a report allocates nothing once they have grown: a position report
    // comes only on the worker's position thread, a satellite report only on its session thread.
    LocationFix fixScratch_;
    SatelliteReport satelliteScratch_;
    std::string fixNmea_;
    std::string satelliteNmea_;
    PropValue satelliteArrays_[5];        // satellite thread only
    PropValue nmeaValue_;                 // main lock
    std::vector<PropValue> copyScratch_;  // main lock

    // Idle machinery; the timer is declared last so it goes first, while everything it touches exists.
    std::mutex idleLock_;
    bool idleWindow_ = false;
    bool idleTimerSet_ = false;
    uint64_t idleGeneration_ = 0;
    uint32_t longIntervalCounter_ = 0;
    std::unique_ptr<OneShotTimer> idleTimer_;
};

}  // namespace geolumen
