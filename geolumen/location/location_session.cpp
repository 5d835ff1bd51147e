#include "location/location_session.h"

#include <system_error>

#include "platform/trace.h"

namespace geolumen {

namespace {

// The sensor state a restart reports until the next complete fix.
constexpr uint32_t kSensorStateInitializing = 3;

}  // namespace

cLocationSession::cLocationSession(LocationSessionOps& ops, LocationSessionOwner& owner,
                                   std::chrono::milliseconds startDelay)
    : ops_(ops), owner_(owner), startDelay_(startDelay) {}

cLocationSession::~cLocationSession() { Stop(); }

bool cLocationSession::Start(ReportCallback callback) {
    std::lock_guard lifecycle(lifecycle_);
    if (!callback || positionThread_.joinable() || sessionThread_.joinable()) return false;
    callback_ = std::move(callback);
    // Requests left over from a previous run, or made while nothing ran, are not this run's.
    LocationSessionEvents& events = ops_.Events();
    for (Event* event :
         {&events.positionReport, &events.satelliteReport, &events.nmeaReport, &events.timeRequest,
          &events.orbitRequest, &events.positionRequest, &events.serviceLost, &criteriaChanged_,
          &restartRequested_, &positionExit_, &sessionExit_}) {
        event->ResetEvent();
    }
    stopSource_ = std::stop_source();
    try {
        positionThread_ = std::thread([this] { PositionThread(); });
        sessionThread_ = std::thread([this, stop = stopSource_.get_token()] { SessionThread(stop); });
    } catch (const std::system_error&) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_LOCATION, "session worker thread not created");
        JoinThreads();
        callback_ = nullptr;
        return false;
    }
    started_ = true;
    return true;
}

bool cLocationSession::Stop() {
    std::lock_guard lifecycle(lifecycle_);
    started_ = false;
    JoinThreads();
    callback_ = nullptr;
    return true;
}

void cLocationSession::JoinThreads() {
    stopSource_.request_stop();
    const auto self = std::this_thread::get_id();
    for (auto [thread, exit] :
         {std::pair{&positionThread_, &positionExit_}, {&sessionThread_, &sessionExit_}}) {
        if (!thread->joinable()) continue;
        exit->Set();
        if (thread->get_id() == self) {
            thread->detach();
        } else {
            thread->join();
        }
    }
}

bool cLocationSession::SetCriteria(uint32_t intervalMs, uint32_t accuracy) {
    {
        std::lock_guard lock(criteriaLock_);
        if (intervalMs == intervalMs_ && accuracy == accuracy_) return false;
        intervalMs_ = intervalMs;
        accuracy_ = accuracy;
    }
    if (started_) criteriaChanged_.Set();
    return true;
}

cLocationSession::Criteria cLocationSession::CurrentCriteria() const {
    std::lock_guard lock(criteriaLock_);
    return Criteria{intervalMs_, accuracy_};
}

uint32_t cLocationSession::ReportInterval() const { return CurrentCriteria().intervalMs; }

uint32_t cLocationSession::Accuracy() const { return CurrentCriteria().accuracy; }

void cLocationSession::RestartSession() {
    // While the worker runs, the restart is one more request for SessionThread, which alone starts and
    // stops the session, so it can never interleave with a criteria change or a reopen there.
    if (started_) {
        restartRequested_.Set();
    } else {
        RunRestart();
    }
}

void cLocationSession::RunRestart() {
    if (!sessionRunning_) {
        (void)ops_.DeleteAssistanceData(kDeletePerSatelliteAssistance);
        owner_.SetSensorState(kSensorStateInitializing);
        return;
    }
    (void)ops_.StopPositionSession();
    sessionRunning_ = false;
    (void)ops_.DeleteAssistanceData(kDeletePerSatelliteAssistance);
    owner_.SetSensorState(kSensorStateInitializing);
    const Criteria criteria = CurrentCriteria();
    (void)ops_.StartPositionSession(criteria.intervalMs, criteria.accuracy);
    sessionRunning_ = true;
}

void cLocationSession::Notify(uint32_t kind) {
    if (callback_) callback_(kind);
}

bool cLocationSession::StartSession(std::stop_token stop) {
    supl_ = ops_.IsSuplEnabled(owner_.GetDeviceInstanceId());
    (void)ops_.OpenLocationClient(supl_, stop);
    if (stop.stop_requested()) {
        // Stopped while the module was still being waited for: nothing was started, nothing to stop.
        (void)ops_.CloseLocationClient();
        return false;
    }
    const Criteria criteria = CurrentCriteria();
    (void)ops_.StartPositionSession(criteria.intervalMs, criteria.accuracy);
    sessionRunning_ = true;
    return true;
}

bool cLocationSession::StopSession() {
    if (!owner_.DeviceRemoved()) (void)ops_.StopPositionSession();
    (void)ops_.CloseLocationClient();
    sessionRunning_ = false;
    return true;
}

void cLocationSession::SessionThread(std::stop_token stop) {
    if (sessionExit_.Wait(static_cast<DWORD>(startDelay_.count())) != WAIT_TIMEOUT) return;
    // A stop during the open ends it at once; the exit event is still set and ends the loop below.
    const bool started = StartSession(stop);

    LocationSessionEvents& events = ops_.Events();
    enum : DWORD {
        kExit,
        kSatellites,
        kNmea,
        kTime,
        kOrbit,
        kPositionRequest,
        kCriteria,
        kServiceLost,
        kRestart
    };
    for (;;) {
        const DWORD which = WaitForAny({&sessionExit_, &events.satelliteReport, &events.nmeaReport,
                                        &events.timeRequest, &events.orbitRequest, &events.positionRequest,
                                        &criteriaChanged_, &events.serviceLost, &restartRequested_},
                                       INFINITE);
        if (which == WAIT_OBJECT_0 + kExit) break;
        switch (which - WAIT_OBJECT_0) {
            case kSatellites:
                if (ops_.ProcessSatelliteReport()) Notify(kReportKindSatellites);
                break;
            case kNmea:
                break;
            case kTime:
                ops_.HandleTimeRequest(owner_.GetDeviceInstanceId(), stop);
                break;
            case kOrbit:
                ops_.HandleOrbitRequest(owner_.GetDeviceInstanceId(), stop);
                break;
            case kPositionRequest:
                ops_.InjectCoarsePosition();
                break;
            case kCriteria: {
                const Criteria criteria = CurrentCriteria();
                ops_.ChangeSessionCriteria(criteria.intervalMs, criteria.accuracy);
                break;
            }
            case kServiceLost: {
                const Criteria criteria = CurrentCriteria();
                (void)ops_.ReopenLocationClient(criteria.intervalMs, criteria.accuracy, supl_, stop);
                break;
            }
            case kRestart:
                RunRestart();
                break;
            default:
                // A failed wait: keep serving.
                break;
        }
    }
    if (started) StopSession();
}

void cLocationSession::PositionThread() {
    LocationSessionEvents& events = ops_.Events();
    for (;;) {
        const DWORD which = WaitForAny({&positionExit_, &events.positionReport}, INFINITE);
        if (which != WAIT_OBJECT_0 + 1) return;
        if (ops_.ProcessPositionReport()) Notify(kReportKindPosition);
    }
}

}  // namespace geolumen
