#include "platform/accept_gate.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>

namespace geolumen {
namespace {

[[nodiscard]] UnixFd OpenReserve() { return UnixFd(::open("/dev/null", O_RDONLY | O_CLOEXEC)); }

[[nodiscard]] UnixFd TakeOne(int listener) {
    for (;;) {
        UnixFd fd(::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        // A peer that gave up while it waited is no reason to stop; the next one may be there.
        if (fd.Valid() || (errno != EINTR && errno != ECONNABORTED)) return fd;
    }
}

}  // namespace

AcceptGate::AcceptGate() : reserve_(OpenReserve()) {}

UnixFd AcceptGate::Accept(int listener, Clock::time_point now, const Refuse& refuse) {
    UnixFd fd = TakeOne(listener);
    if (fd.Valid() || errno == EAGAIN || errno == EWOULDBLOCK) {
        starved_ = false;
        return fd;
    }
    const int error = errno;
    const bool outOfFiles = error == EMFILE || error == ENFILE;
    if (outOfFiles && starved_ && reserve_.Valid()) {
        reserve_.Reset();
        if (UnixFd refused = TakeOne(listener); refused.Valid() && refuse) refuse(refused.Get());
        reserve_ = OpenReserve();
    }
    starved_ = outOfFiles;
    restsUntil_ = now + kAcceptBackoff;
    errno = error;  // the reason, for the caller's log
    return UnixFd();
}

}  // namespace geolumen
