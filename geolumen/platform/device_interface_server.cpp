#include "platform/device_interface_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace geolumen {
namespace {

// More entries than any machine has devices of one class; the bound only ends the search.
constexpr int kMaxInterfaceEntries = 64;
// Connections that wait to be accepted; the accept loop takes them at once.
constexpr int kListenBacklog = 16;

}  // namespace

int MakeDirectories(const std::filesystem::path& dir) {
    return OpenCheckedFolder(dir, HostRunDirRules()).error;
}

DeviceInterfaceServer::DeviceInterfaceServer(Handlers handlers) : handlers_(std::move(handlers)) {}

DeviceInterfaceServer::~DeviceInterfaceServer() { Stop(); }

int DeviceInterfaceServer::Publish(const std::filesystem::path& runDir, const GUID& interfaceClass,
                                   std::string* why) {
    if (listener_.Valid()) return -EALREADY;
    std::string ignored;
    std::string& text = why ? *why : ignored;
    const std::filesystem::path below =
        DeviceInterfaceClassDir(runDir, interfaceClass).lexically_relative(runDir);
    // Every folder from the run directory down is checked, so a link planted as interfaces/{CLASS}
    // cannot carry the entry elsewhere.
    folder_ = OpenCheckedFolderBelow(runDir, below, HostRunDirRules());
    if (!folder_.Valid()) {
        text = folder_.text;
        return folder_.error;
    }
    int result = -EADDRINUSE;
    for (int n = 0; n < kMaxInterfaceEntries; ++n) {
        // A number taken by a live host, or by anything that is not a socket of ours, is left as it is.
        const std::string name = std::to_string(n);
        result = ListenInFolder(folder_, name, 0660, 0, kListenBacklog, &listener_, &text);
        if (result == 0) {
            entry_ = folder_.path / name;
            entryName_ = name;
            text.clear();
            break;
        }
        if (result != -EADDRINUSE && result != -EEXIST && result != -EPERM) return result;
    }
    if (result != 0) return result;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        const int error = -errno;
        Stop();
        return error;
    }
    wakeRead_ = UnixFd(pipeFds[0]);
    wakeWrite_ = UnixFd(pipeFds[1]);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return 0;
}

void DeviceInterfaceServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    if (!entryName_.empty()) (void)RemoveFolderSocket(folder_, entryName_, ::geteuid());
    if (wakeWrite_.Valid()) {
        const char byte = 0;
        (void)!::write(wakeWrite_.Get(), &byte, 1);
    }
    if (acceptThread_.joinable()) acceptThread_.join();
    listener_.Reset();
    std::list<Connection> connections;
    {
        std::lock_guard lock(mutex_);
        // A connection blocked in a read returns at once; one inside a request finishes it first.
        for (Connection& c : connections_) ::shutdown(c.fd.Get(), SHUT_RDWR);
        connections.splice(connections.end(), connections_);
    }
    for (Connection& c : connections) {
        if (c.thread.joinable()) c.thread.join();
    }
}

void DeviceInterfaceServer::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listener_.Get(), POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        UnixFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.Valid()) continue;
        ReapFinished();
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        Connection& c = connections_.emplace_back();
        c.id = nextId_++;
        c.fd = std::move(client);
        c.thread = std::thread([this, conn = &c] { Serve(conn); });
    }
}

void DeviceInterfaceServer::Serve(Connection* connection) {
    const int fd = connection->fd.Get();
    for (;;) {
        ChannelRequest request;
        const int r = ReadChannelRequest(fd, &request);
        if (r == -EMSGSIZE) {
            // The rest of the frame cannot be skipped safely: refuse it and end the connection.
            (void)SendAll(fd, EncodeChannelReply(ChannelReply{kChannelBadFrame, {}}));
            break;
        }
        if (r != 0) break;
        ChannelReply reply =
            handlers_.request ? handlers_.request(connection->id, request) : ChannelReply{E_NOTIMPL, {}};
        if (reply.output.size() > request.outputLength) reply.output.resize(request.outputLength);
        if (SendAll(fd, EncodeChannelReply(reply)) != 0) break;
    }
    // The peer sees the end at once; the descriptor itself goes when the connection is reaped.
    ::shutdown(fd, SHUT_RDWR);
    if (handlers_.closed) handlers_.closed(connection->id);
    std::lock_guard lock(mutex_);
    connection->done = true;
}

void DeviceInterfaceServer::ReapFinished() {
    std::list<Connection> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if (it->done) finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (Connection& c : finished) {
        if (c.thread.joinable()) c.thread.join();
    }
}

}  // namespace geolumen
