#include "host/host_events.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "host/stop_signals.h"

namespace geolumen::host {

HostEvents::HostEvents(bool moduleSignals) {
    sigset_t set = StopSignals();
    if (moduleSignals) {
        sigaddset(&set, kUnplugSignal);
        sigaddset(&set, kReplugSignal);
    }
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    removedFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

HostEvents::~HostEvents() {
    for (int fd : {signalFd_, removedFd_}) {
        if (fd >= 0) ::close(fd);
    }
}

void HostEvents::Removed() {
    const std::uint64_t one = 1;
    (void)!::write(removedFd_, &one, sizeof one);
}

HostEvent HostEvents::Wait(std::optional<Clock::time_point> deadline) {
    if (!Ready()) return HostEvent::kFailed;
    for (;;) {
        int timeoutMs = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            // Past the deadline the news already there is still taken, without waiting for more.
            timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
        }
        pollfd fds[2] = {{signalFd_, POLLIN, 0}, {removedFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, timeoutMs);
        if (n == 0 && deadline && Clock::now() >= *deadline) return HostEvent::kTimeUp;
        if (n < 0) {
            if (errno == EINTR) continue;
            return HostEvent::kFailed;
        }
        // A stop wins over the device's news: the removal that follows it is the orderly one.
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                const int signal = static_cast<int>(info.ssi_signo);
                if (signal == kUnplugSignal) return HostEvent::kUnplug;
                if (signal == kReplugSignal) return HostEvent::kReplug;
                return HostEvent::kStop;
            }
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            (void)!::read(removedFd_, &count, sizeof count);
            return HostEvent::kRemoved;
        }
        if ((fds[0].revents | fds[1].revents) & (POLLERR | POLLNVAL)) return HostEvent::kFailed;
    }
}

}  // namespace geolumen::host
