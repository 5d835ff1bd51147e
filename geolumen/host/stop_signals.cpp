#include "host/stop_signals.h"

#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace geolumen::host {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    // A service manager (or a closed terminal) sends SIGHUP; the host has no configuration to re-read, so
    // it ends as on SIGTERM, with its sockets removed, rather than dying where it stands.
    sigaddset(&set, SIGHUP);
    return set;
}

void BlockStopSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool WaitForStop(std::optional<uint32_t> ms) {
    const sigset_t set = StopSignals();
    if (!ms) {
        int signal = 0;
        while (sigwait(&set, &signal) != 0) {
        }
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(*ms);
    for (;;) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds::zero()) return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        if (sigtimedwait(&set, nullptr, &timeout) >= 0) return true;
        if (errno == EAGAIN) return false;  // the time is up
        // EINTR: another signal interrupted the wait; wait for what is left.
    }
}

}  // namespace geolumen::host
