#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

namespace geolumen {

// A connected IPv4 UDP socket. Connecting makes the kernel drop datagrams from any other peer, so a
// stray sender on the network cannot answer in the server's name.
class UdpSocket {
  public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Resolves `host` (IPv4 only) and connects a non-blocking socket to its first address.
    // On failure returns nothing and fills `error` with a short text.
    [[nodiscard]] static std::optional<UdpSocket> Connect(const std::string& host, uint16_t port,
                                                          std::string& error);

    // True only when the whole datagram went out.
    [[nodiscard]] bool Send(std::span<const uint8_t> datagram);

    enum class WaitResult { Readable, TimedOut, Stopped, Failed };
    // Waits until a datagram can be read, the time-out passes or `stop` is requested.
    [[nodiscard]] WaitResult WaitReadable(std::chrono::milliseconds timeout, std::stop_token stop);

    // Reads one datagram without blocking; the count received, or -1 (nothing there or an error).
    [[nodiscard]] ssize_t Receive(std::span<uint8_t> buffer);

  private:
    explicit UdpSocket(int fd) : fd_(fd) {}
    void Close();

    int fd_ = -1;
};

}  // namespace geolumen
