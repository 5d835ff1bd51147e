// When the device may idle: never while a client is connected and the radio is on, except in the window
// between two reports of a long report interval.
//
// Every StopIdle the sensor makes is matched by one ResumeIdle: the device holds one reference while it
// is kept awake and none while it may idle. All idle state changes happen under the idle lock, and the
// timer callback acts only for the arming it belongs to, so a callback that was already running when its
// timer was cancelled cannot end a window a second time.
#include "platform/trace.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {

namespace {

constexpr uint32_t kRadioOn = 0;
// Data events to let pass with a long interval before the device is let idle again.
constexpr uint32_t kLongIntervalEventsPerWindow = 2;

}  // namespace

bool cSensorDDI::StopIdle() {
    ComPtr<IWDFDevice2> device2;
    if (!device_ || FAILED(device_.As(device2)) || !device2) return false;
    (void)device2->StopIdle(false);
    return true;
}

bool cSensorDDI::ResumeIdle() {
    ComPtr<IWDFDevice2> device2;
    if (!device_ || FAILED(device_.As(device2)) || !device2) return false;
    device2->ResumeIdle();
    return true;
}

bool cSensorDDI::IdleWindowOpen() {
    std::lock_guard idle(idleLock_);
    return idleWindow_;
}

bool cSensorDDI::KeepDeviceAwake() {
    std::lock_guard lock(mainLock_);
    if (clients_.empty() || session_.currentRadioState != kRadioOn) return false;
    return StopIdle();
}

bool cSensorDDI::AllowDeviceIdle() {
    std::lock_guard lock(mainLock_);
    if (!clients_.empty() || session_.currentRadioState != kRadioOn) return false;
    AllowIdleNow();
    return true;
}

void cSensorDDI::AllowIdleNow() {
    std::lock_guard idle(idleLock_);
    if (idleWindow_) {
        // The window's ResumeIdle already let the device go; its wake-up must not come.
        CancelIdleTimer();
        idleWindow_ = false;
    } else {
        (void)ResumeIdle();
    }
    longIntervalCounter_ = 0;
}

void cSensorDDI::UpdateIdlePolicy() {
    std::lock_guard lock(mainLock_);
    const uint32_t interval = session_.ReportInterval();
    // With nobody connected or the radio off the device holds no reference to give back.
    const bool keptAwake = !clients_.empty() && session_.currentRadioState == kRadioOn;
    std::lock_guard idle(idleLock_);
    if (interval >= kLongReportIntervalMs) {
        if (!keptAwake) return;
        if (++longIntervalCounter_ < kLongIntervalEventsPerWindow) return;
        ArmIdleTimer(interval);
        longIntervalCounter_ = 0;
        return;
    }
    CancelIdleTimer();
    if (idleWindow_) EndIdleWindow();
}

void cSensorDDI::ArmIdleTimer(uint32_t intervalMs) {
    if (idleTimerSet_ || !idleTimer_) return;
    idleWindow_ = true;
    (void)ResumeIdle();
    idleTimerSet_ = true;
    idleTimer_->Set(std::chrono::milliseconds(intervalMs - kIdleWakeAheadMs), kIdleTimerWindow,
                    ++idleGeneration_);
    GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_SENSOR, "device may idle for %u ms",
                   intervalMs - kIdleWakeAheadMs);
}

void cSensorDDI::CancelIdleTimer() {
    if (idleTimer_) idleTimer_->Cancel();
    idleTimerSet_ = false;
    ++idleGeneration_;
}

void cSensorDDI::EndIdleWindow() {
    if (idleWindow_) (void)StopIdle();
    idleWindow_ = false;
    longIntervalCounter_ = 0;
}

void cSensorDDI::IdleTimerCallback(uint64_t generation) {
    std::lock_guard idle(idleLock_);
    if (!idleTimerSet_ || generation != idleGeneration_) return;
    idleTimerSet_ = false;
    EndIdleWindow();
}

}  // namespace geolumen
