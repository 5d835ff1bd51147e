#include "host/sensor_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace geolumen::host {

SensorClient::~SensorClient() { Close(); }

int SensorClient::Connect(const std::filesystem::path& socket) {
    Close();
    sockaddr_un address{};
    if (socket.empty() || socket.native().size() >= sizeof address.sun_path) return -ENAMETOOLONG;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -errno;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socket.c_str(), socket.native().size());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    fd_ = fd;
    splitter_ = MessageSplitter();
    return 0;
}

void SensorClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int SensorClient::Send(MessageType type, const std::function<void(MessageWriter&)>& body, uint32_t* id) {
    if (fd_ < 0) return -ENOTCONN;
    const uint32_t requestId = nextId_++;
    buffer_.clear();
    MessageWriter writer(buffer_);
    writer.Begin(type, requestId);
    if (body) body(writer);
    if (!writer.Finish()) return -EMSGSIZE;
    size_t sent = 0;
    while (sent < buffer_.size()) {
        const ssize_t n = ::send(fd_, buffer_.data() + sent, buffer_.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno == EPIPE ? -ECONNRESET : -errno;
        sent += static_cast<size_t>(n);
    }
    if (id) *id = requestId;
    return 0;
}

int SensorClient::Receive(ReceivedMessage& out, Deadline deadline) {
    if (fd_ < 0) return -ENOTCONN;
    for (;;) {
        Message message;
        switch (splitter_.Next(message)) {
            case MessageSplitter::Result::kMessage:
                out.type = message.type;
                out.requestId = message.requestId;
                out.body.assign(message.body.begin(), message.body.end());
                return 1;
            case MessageSplitter::Result::kShort:
            case MessageSplitter::Result::kOversize:
                return -EPROTO;
            case MessageSplitter::Result::kNeedMore:
                break;
        }
        int timeoutMs = -1;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return 0;
            timeoutMs = static_cast<int>(std::min<int64_t>(left.count(), 1 << 30));
        }
        pollfd fd{fd_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return -errno;
        if (ready == 0) return 0;
        uint8_t chunk[16 * 1024];
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno == ECONNRESET ? -ECONNRESET : -errno;
        if (got == 0) return -ECONNRESET;
        splitter_.Feed(std::span(chunk, static_cast<size_t>(got)));
    }
}

}  // namespace geolumen::host
