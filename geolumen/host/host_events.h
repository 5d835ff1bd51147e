#pragma once
// What the host's main thread waits for while the device runs or is away: a stop signal, the end of the
// run time, the news that the device has gone, the time to look for its return, and (with the simulated
// module) the signals that pull and return it. The signals are taken through a descriptor, so no
// handler runs; the device's news comes from whichever thread found it, through another.
#include <signal.h>

#include <chrono>
#include <optional>

namespace geolumen::host {

// Ask the simulated module to be pulled out and to be plugged in again (`kill -USR1` / `kill -USR2`).
inline constexpr int kUnplugSignal = SIGUSR1;
inline constexpr int kReplugSignal = SIGUSR2;

enum class HostEvent {
    kStop,     // SIGINT, SIGTERM or SIGHUP
    kTimeUp,   // the deadline passed
    kRemoved,  // the device has gone (Removed() was called)
    kUnplug,   // the simulated module is to be pulled
    kReplug,   // the simulated module is to be plugged in
    kFailed,   // the wait itself failed: treated as a stop, never as a reason to spin
};

class HostEvents {
  public:
    using Clock = std::chrono::steady_clock;

    // Blocks the stop signals (and, with `moduleSignals`, the two of the simulated module) in this
    // thread and in every thread started after it; call it before the first thread starts.
    explicit HostEvents(bool moduleSignals);
    ~HostEvents();
    HostEvents(const HostEvents&) = delete;
    HostEvents& operator=(const HostEvents&) = delete;

    [[nodiscard]] bool Ready() const { return signalFd_ >= 0 && removedFd_ >= 0; }
    // The device has gone: safe on any thread, and from a callback of the driver.
    void Removed();
    // The next event, or kTimeUp at `deadline` (none: no limit). A removal reported before the call
    // is not lost.
    [[nodiscard]] HostEvent Wait(std::optional<Clock::time_point> deadline);

  private:
    int signalFd_ = -1;
    int removedFd_ = -1;
};

}  // namespace geolumen::host
