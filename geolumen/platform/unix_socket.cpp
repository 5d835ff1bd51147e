#include "platform/unix_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace geolumen {

UnixSocketAddress::UnixSocketAddress(const std::filesystem::path& entry) {
    static_assert(sizeof(storage_) >= sizeof(sockaddr_un));
    auto* address = reinterpret_cast<sockaddr_un*>(storage_);
    address->sun_family = AF_UNIX;
    std::string path = entry.string();
    if (path.empty()) {
        errno = ENOENT;
        return;
    }
    if (path.size() >= sizeof(address->sun_path)) {
        const std::string name = entry.filename().string();
        folder_ = UnixFd(::open(entry.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!folder_.Valid()) return;
        path = "/proc/self/fd/" + std::to_string(folder_.Get()) + "/" + name;
        if (path.size() >= sizeof(address->sun_path)) {
            errno = ENAMETOOLONG;
            return;
        }
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    valid_ = true;
}

const sockaddr* UnixSocketAddress::Get() const { return reinterpret_cast<const sockaddr*>(storage_); }

unsigned UnixSocketAddress::Size() const { return sizeof(sockaddr_un); }

UnixFd ConnectUnixSocket(const std::filesystem::path& entry) {
    const UnixSocketAddress address(entry);
    if (!address.Valid()) return UnixFd();
    UnixFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return fd;
    if (::connect(fd.Get(), address.Get(), address.Size()) != 0) {
        const int error = errno;
        fd.Reset();
        errno = error;
    }
    return fd;
}

int SendAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

int ReceiveAll(int fd, std::span<uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::recv(fd, bytes.data() + done, bytes.size() - done, 0);
        if (n == 0) return -ECONNRESET;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace geolumen
