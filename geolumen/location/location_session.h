#pragma once
// The session worker: runs the position session with the module's location service for the sensor.
// SessionThread opens the client, starts the session and serves every request of the module or of the
// clients while it runs; PositionThread turns position reports into the fix record. After each report
// that changed a record the worker calls the sensor's report callback.
//
// Every event the worker waits on lives as long as the worker, so a host thread or the indication path
// that sets one can never reach a closed event. Opening, reopening and the assistance downloads all wake
// on the worker's stop request, so stopping never waits on a module that does not answer.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "location/location_session_ops.h"
#include "platform/event.h"

namespace geolumen {

// The module needs a moment after power-up before its services answer; opening at once only fails.
inline constexpr std::chrono::milliseconds kSessionStartDelay{300};
inline constexpr uint32_t kDefaultReportIntervalMs = 1000;

// Report kinds given to the report callback.
inline constexpr uint32_t kReportKindPosition = 1;
inline constexpr uint32_t kReportKindSatellites = 2;

// What the worker needs of the sensor that embeds it.
class LocationSessionOwner {
  public:
    [[nodiscard]] virtual std::string GetDeviceInstanceId() = 0;
    virtual void SetSensorState(uint32_t state) = 0;
    // The device was removed by surprise: nothing can be sent to it any more.
    [[nodiscard]] virtual bool DeviceRemoved() = 0;

  protected:
    ~LocationSessionOwner() = default;
};

class cLocationSession {
  public:
    using ReportCallback = std::function<void(uint32_t kind)>;

    cLocationSession(LocationSessionOps& ops, LocationSessionOwner& owner,
                     std::chrono::milliseconds startDelay = kSessionStartDelay);
    virtual ~cLocationSession();
    cLocationSession(const cLocationSession&) = delete;
    cLocationSession& operator=(const cLocationSession&) = delete;

    // False without a callback or while the threads run; false (everything undone) when a thread could
    // not be made.
    virtual bool Start(ReportCallback callback);
    // Ends both threads (never waiting for the calling thread itself); always true.
    virtual bool Stop();

    // False when both equal the current criteria; else stores them, wakes a running session, true.
    bool SetCriteria(uint32_t intervalMs, uint32_t accuracy);
    // Restart with the module's assistance data deleted; run by SessionThread while the worker runs.
    void RestartSession();
    void Notify(uint32_t kind);

    [[nodiscard]] uint32_t ReportInterval() const;
    [[nodiscard]] uint32_t Accuracy() const;
    [[nodiscard]] bool Started() const { return started_.load(); }
    [[nodiscard]] bool SessionRunning() const { return sessionRunning_.load(); }

    // The radio states the sensor applies and persists; read without a lock by the radio controls.
    std::atomic<uint32_t> currentRadioState{0};
    std::atomic<uint32_t> requestedRadioState{0};
    std::atomic<uint32_t> previousRadioState{0};

  private:
    struct Criteria {
        uint32_t intervalMs;
        uint32_t accuracy;
    };
    [[nodiscard]] Criteria CurrentCriteria() const;
    bool StartSession(std::stop_token stop);
    bool StopSession();
    void RunRestart();
    void SessionThread(std::stop_token stop);
    void PositionThread();
    void JoinThreads();

    LocationSessionOps& ops_;
    LocationSessionOwner& owner_;
    const std::chrono::milliseconds startDelay_;

    mutable std::mutex criteriaLock_;
    uint32_t intervalMs_ = kDefaultReportIntervalMs;
    uint32_t accuracy_ = 0;

    std::mutex lifecycle_;  // Start and Stop
    std::thread positionThread_;
    Event positionExit_{Event::Reset::kAuto};
    std::thread sessionThread_;
    Event sessionExit_{Event::Reset::kAuto};
    std::stop_source stopSource_;
    Event criteriaChanged_{Event::Reset::kAuto};
    Event restartRequested_{Event::Reset::kAuto};
    std::atomic<bool> started_{false};
    ReportCallback callback_;
    std::atomic<bool> supl_{false};
    std::atomic<bool> sessionRunning_{false};
};

}  // namespace geolumen
