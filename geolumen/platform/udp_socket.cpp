#include "platform/udp_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace geolumen {

namespace {

// A stop request is noticed within this slice of a wait; short enough that stopping the driver feels
// immediate, long enough that a waiting thread costs nothing measurable.
constexpr std::chrono::milliseconds kStopCheckSlice{50};

struct AddrInfoDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

}  // namespace

UdpSocket::~UdpSocket() { Close(); }

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void UdpSocket::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::optional<UdpSocket> UdpSocket::Connect(const std::string& host, uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0 || found == nullptr) {
        error = std::string("cannot resolve host: ") + gai_strerror(rc);
        return std::nullopt;
    }
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        error = std::string("cannot create socket: ") + std::strerror(errno);
        return std::nullopt;
    }
    UdpSocket socket(fd);
    if (::connect(fd, list->ai_addr, list->ai_addrlen) != 0) {
        error = std::string("cannot connect socket: ") + std::strerror(errno);
        return std::nullopt;
    }
    return socket;
}

bool UdpSocket::Send(std::span<const uint8_t> datagram) {
    if (fd_ < 0) return false;
    ssize_t sent;
    do {
        sent = ::send(fd_, datagram.data(), datagram.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent >= 0 && static_cast<size_t>(sent) == datagram.size();
}

UdpSocket::WaitResult UdpSocket::WaitReadable(std::chrono::milliseconds timeout, std::stop_token stop) {
    if (fd_ < 0) return WaitResult::Failed;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (stop.stop_requested()) return WaitResult::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return WaitResult::TimedOut;
        pollfd pfd{fd_, POLLIN, 0};
        const int slice = static_cast<int>(std::min(left, kStopCheckSlice).count());
        const int rc = ::poll(&pfd, 1, slice);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return WaitResult::Failed;
        }
        if (rc > 0) {
            // An ICMP refusal shows as POLLERR on a connected socket: the peer is not there.
            return (pfd.revents & POLLIN) != 0 ? WaitResult::Readable : WaitResult::Failed;
        }
    }
}

ssize_t UdpSocket::Receive(std::span<uint8_t> buffer) {
    if (fd_ < 0) return -1;
    ssize_t got;
    do {
        got = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace geolumen
