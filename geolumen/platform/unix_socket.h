#pragma once
// Owned descriptors and whole-frame I/O on Unix stream sockets: what the device-interface channel, the
// sensor socket and the checked folders all stand on.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <span>

struct sockaddr;

namespace geolumen {

// A descriptor or -1; closes on destruction.
class UnixFd {
  public:
    UnixFd() = default;
    explicit UnixFd(int fd) : fd_(fd) {}
    ~UnixFd() { Reset(); }
    UnixFd(UnixFd&& o) noexcept : fd_(o.Release()) {}
    UnixFd& operator=(UnixFd&& o) noexcept {
        if (this != &o) {
            Reset();
            fd_ = o.Release();
        }
        return *this;
    }
    UnixFd(const UnixFd&) = delete;
    UnixFd& operator=(const UnixFd&) = delete;

    [[nodiscard]] int Get() const { return fd_; }
    [[nodiscard]] bool Valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

// The socket address of an entry. A path longer than a socket address holds is reached through its
// folder, opened for the purpose, so a deep run directory works as well as a short one.
class UnixSocketAddress {
  public:
    explicit UnixSocketAddress(const std::filesystem::path& entry);
    // False (errno set) when the entry cannot be addressed at all.
    [[nodiscard]] bool Valid() const { return valid_; }
    [[nodiscard]] const ::sockaddr* Get() const;
    [[nodiscard]] unsigned Size() const;

  private:
    bool valid_ = false;
    UnixFd folder_;
    alignas(8) unsigned char storage_[112] = {};  // a sockaddr_un
};

// Connects to a socket entry; an invalid descriptor (errno set) on failure.
[[nodiscard]] UnixFd ConnectUnixSocket(const std::filesystem::path& entry);

// Whole-frame socket I/O: 0, or -errno (-ECONNRESET for an end of stream inside a frame).
[[nodiscard]] int SendAll(int fd, std::span<const uint8_t> bytes);
[[nodiscard]] int ReceiveAll(int fd, std::span<uint8_t> bytes);

}  // namespace geolumen
