#include "sim/sim_pty_module.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <span>

namespace geolumen::sim {

void HandStreamCommands(std::vector<std::uint8_t>& stream, SimModule& module) {
    std::size_t at = 0;
    while (stream.size() - at >= 3) {
        const std::size_t len = 1 + static_cast<std::size_t>(stream[at + 1] | (stream[at + 2] << 8));
        if (stream.size() - at < len) break;
        (void)module.HandleCommand(std::span<const std::uint8_t>(stream.data() + at, len));
        at += len;
    }
    stream.erase(stream.begin(), stream.begin() + static_cast<long>(at));
}

void WriteNextResponse(SimModule& module, int fd, std::vector<std::uint8_t>& buffer) {
    std::size_t n = 0;
    if (module.TakeResponse(buffer, n) != 0 || n == 0) return;
    for (std::size_t at = 0; at < n;) {
        const ssize_t w = ::write(fd, buffer.data() + at, n - at);
        if (w <= 0) return;
        at += static_cast<std::size_t>(w);
    }
}

SimPtyModule::SimPtyModule(const SimPosition& fix) : service_(std::make_unique<SimLocationService>(module_)) {
    service_->SetPeriodicPosition(fix);
}

SimPtyModule::~SimPtyModule() {
    // The reports stop first: they are what writes to the master from another thread.
    service_.reset();
    HangUp();
}

std::string SimPtyModule::Open() {
    int slave = -1;
    char name[PATH_MAX] = {};
    if (master_ >= 0 || ::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return {};
    termios raw{};
    const bool ok = ::tcgetattr(slave, &raw) == 0 &&
                    (::cfmakeraw(&raw), ::tcsetattr(slave, TCSANOW, &raw) == 0) &&
                    ::pipe2(stop_, O_CLOEXEC) == 0;
    // The settings stay with the terminal; the driver's side opens the slave by its path.
    ::close(slave);
    (void)::fcntl(master_, F_SETFD, FD_CLOEXEC);
    // A write never blocks: with nobody reading the slave a response is dropped, as a module's is when
    // its host does not fetch it, and a hang-up never waits behind one.
    (void)::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (!ok) {
        HangUp();
        return {};
    }
    module_.SetNotifier([this] { WriteResponse(); });
    thread_ = std::thread([this] { ServeStreamCommands(master_, stop_[0], module_); });
    return name;
}

void SimPtyModule::HangUp() {
    module_.SetNotifier(nullptr);
    if (thread_.joinable()) {
        (void)!::write(stop_[1], "s", 1);
        thread_.join();
    }
    std::lock_guard lock(writeMutex_);
    for (int* fd : {&master_, &stop_[0], &stop_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void SimPtyModule::WriteResponse() {
    std::lock_guard lock(writeMutex_);
    if (master_ >= 0) WriteNextResponse(module_, master_, response_);
}

void ServeStreamCommands(int fd, int stopFd, SimModule& module) {
    std::vector<std::uint8_t> stream;
    std::uint8_t b[4096];
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0) return;
        const ssize_t n = ::read(fd, b, sizeof b);
        // The slave side is closed between two users (EIO): wait for the next one without spinning.
        if (n <= 0) {
            (void)::poll(&fds[1], 1, 50);
            continue;
        }
        stream.insert(stream.end(), b, b + n);
        HandStreamCommands(stream, module);
    }
}

}  // namespace geolumen::sim
