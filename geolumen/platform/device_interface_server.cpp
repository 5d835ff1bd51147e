#include "platform/device_interface_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace geolumen {
namespace {

// More entries than any machine has devices of one class; the bound only ends the search.
constexpr int kMaxInterfaceEntries = 64;
// Bytes read from one socket per call, so that one busy peer cannot starve the others.
constexpr size_t kReadChunk = 16 * 1024;

[[nodiscard]] uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Wake(const UnixFd& pipe) {
    const char byte = 0;
    // A full pipe already holds a wake-up.
    (void)!::write(pipe.Get(), &byte, 1);
}

// The unasked answer of a connection beyond the limit; the socket has room for these few bytes.
void Refuse(int fd) {
    const std::vector<uint8_t> reply = EncodeChannelReply(ChannelReply{kChannelTooManyHandles, {}});
    (void)::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

// Connections that wait to be accepted; the accept loop takes them at once.
constexpr int kListenBacklog = 16;

}  // namespace

int MakeDirectories(const std::filesystem::path& dir) {
    return OpenCheckedFolder(dir, HostRunDirRules()).error;
}

// Changed by the I/O thread and the workers under the server's lock.
struct DeviceInterfaceServer::Connection {
    uint64_t id = 0;
    UnixFd fd;
    // The request being read: its header, then its body as the bytes arrive.
    uint8_t header[kChannelRequestHeaderBytes] = {};
    size_t headerGot = 0;
    uint32_t inputLength = 0;
    ChannelRequest request;
    // The reply being written; the first `outSent` bytes are sent.
    std::vector<uint8_t> out;
    size_t outSent = 0;
    // When the connection ends unless its request (or its reply) has gone through; none while idle.
    std::optional<Clock::time_point> deadline;
    bool busy = false;            // a worker runs its request
    bool closeAfterSend = false;  // the reply refuses the stream
    bool ended = false;           // the socket is closed; closed() is still to run

    [[nodiscard]] size_t Pending() const { return out.size() - outSent; }
};

DeviceInterfaceServer::DeviceInterfaceServer(Handlers handlers, Limits limits)
    : handlers_(std::move(handlers)), limits_(limits) {}

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

    // The I/O thread takes what waits and goes back to its poll; a peer that left meanwhile must not
    // block it in accept.
    int pipeFds[2];
    if (::fcntl(listener_.Get(), F_SETFL, O_NONBLOCK) != 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int error = -errno;
        Stop();
        return error;
    }
    wakeRead_ = UnixFd(pipeFds[0]);
    wakeWrite_ = UnixFd(pipeFds[1]);
    ioThread_ = std::thread([this] { IoLoop(); });
    for (size_t i = 0; i < kDeviceInterfaceWorkers; ++i) workers_.emplace_back([this] { WorkLoop(); });
    return 0;
}

void DeviceInterfaceServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = stopping_ = true;
    }
    if (!entryName_.empty()) (void)RemoveFolderSocket(folder_, entryName_, ::geteuid());
    Wake(wakeWrite_);
    if (ioThread_.joinable()) ioThread_.join();
    listener_.Reset();
    {
        std::lock_guard lock(mutex_);
        // A connection waiting for its next request ends at once; one inside a request finishes it first.
        for (auto& [id, connection] : connections_) EndLocked(*connection);
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void DeviceInterfaceServer::IoLoop() {
    std::vector<pollfd> fds;
    std::vector<uint64_t> ids;
    for (;;) {
        fds.clear();
        ids.clear();
        Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> wakeAt;
        auto earliest = [&](Clock::time_point at) {
            if (!wakeAt || at < *wakeAt) wakeAt = at;
        };
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            const bool listening = gate_.Open(now);
            if (!listening) earliest(gate_.RestsUntil());
            fds.push_back({wakeRead_.Get(), POLLIN, 0});
            fds.push_back({listener_.Get(), static_cast<short>(listening ? POLLIN : 0), 0});
            for (auto& [id, connection] : connections_) {
                Connection& c = *connection;
                if (c.ended || c.busy) continue;
                if (c.deadline && *c.deadline <= now) {
                    EndLocked(c);
                    continue;
                }
                if (c.deadline) earliest(*c.deadline);
                const bool sending = c.Pending() > 0;
                // A request at a time: the next one waits in the socket until this one is answered.
                const short events = static_cast<short>(sending ? POLLOUT : (c.closeAfterSend ? 0 : POLLIN));
                if (events == 0) continue;
                fds.push_back({c.fd.Get(), events, 0});
                ids.push_back(id);
            }
        }
        int timeoutMs = -1;
        if (wakeAt) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wakeAt - now).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
        }
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
            // Nothing this loop polls can make poll fail but a lack of memory: rest rather than spin.
            std::this_thread::sleep_for(kAcceptBackoff);
            continue;
        }
        now = Clock::now();
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead_.Get(), drain, sizeof drain) > 0) {
            }
        }
        for (size_t i = 0; i < ids.size(); ++i) {
            const short revents = fds[i + 2].revents;
            auto it = connections_.find(ids[i]);
            if (revents == 0 || it == connections_.end() || it->second->ended) continue;
            if (revents & POLLOUT)
                FlushLocked(*it->second, now);
            else
                ReadLocked(*it->second, now);
        }
        if (fds[1].revents & POLLIN) AcceptLocked(now);
    }
}

void DeviceInterfaceServer::AcceptLocked(Clock::time_point now) {
    for (size_t taken = 0; taken < kAcceptsPerRound; ++taken) {
        UnixFd fd = gate_.Accept(listener_.Get(), now, Refuse);
        if (!fd.Valid()) return;
        if (connections_.size() >= limits_.maxConnections) {
            Refuse(fd.Get());
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->id = nextId_++;
        connection->fd = std::move(fd);
        connection->deadline = now + limits_.requestTimeout;
        connections_.emplace(connection->id, std::move(connection));
    }
}

void DeviceInterfaceServer::ReadLocked(Connection& c, Clock::time_point now) {
    uint8_t chunk[kReadChunk];
    for (;;) {
        const bool inHeader = c.headerGot < kChannelRequestHeaderBytes;
        uint8_t* into = inHeader ? c.header + c.headerGot : chunk;
        const size_t want = inHeader ? kChannelRequestHeaderBytes - c.headerGot
                                     : std::min(sizeof chunk, c.inputLength - c.request.input.size());
        ssize_t n = 0;
        if (want > 0) {
            n = ::recv(c.fd.Get(), into, want, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (n <= 0) return EndLocked(c);
            if (!c.deadline) c.deadline = now + limits_.requestTimeout;
        }
        if (inHeader) {
            c.headerGot += static_cast<size_t>(n);
            if (c.headerGot < kChannelRequestHeaderBytes) continue;
            c.request.code = GetU32(c.header);
            c.inputLength = GetU32(c.header + 4);
            c.request.outputLength = GetU32(c.header + 8);
            if (c.inputLength > kChannelMaxBuffer || c.request.outputLength > kChannelMaxBuffer) {
                // The rest of the frame cannot be skipped safely: refuse it and end the connection.
                c.out = EncodeChannelReply(ChannelReply{kChannelBadFrame, {}});
                c.closeAfterSend = true;
                return FlushLocked(c, now);
            }
        } else {
            // The body grows with the bytes that came, never with the length the peer announced.
            c.request.input.insert(c.request.input.end(), chunk, chunk + n);
        }
        if (c.request.input.size() == c.inputLength) {
            c.busy = true;
            c.deadline.reset();
            work_.push_back(c.id);
            workReady_.notify_one();
            return;
        }
    }
}

void DeviceInterfaceServer::FlushLocked(Connection& c, Clock::time_point now) {
    while (c.Pending() > 0) {
        const ssize_t n =
            ::send(c.fd.Get(), c.out.data() + c.outSent, c.Pending(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A peer that never reads its reply must not hold the slot and the buffer for ever.
            if (!c.deadline) c.deadline = now + limits_.requestTimeout;
            return;
        }
        if (n <= 0) return EndLocked(c);
        c.outSent += static_cast<size_t>(n);
    }
    std::vector<uint8_t>().swap(c.out);
    c.outSent = 0;
    c.deadline.reset();
    if (c.closeAfterSend) EndLocked(c);
}

void DeviceInterfaceServer::EndLocked(Connection& c) {
    if (c.ended) return;
    c.ended = true;
    // The peer sees the end at once and the descriptor is free for the next client.
    c.fd.Reset();
    c.request = ChannelRequest{};
    std::vector<uint8_t>().swap(c.out);
    c.outSent = 0;
    if (!c.busy) {
        work_.push_back(c.id);
        workReady_.notify_one();
    }
}

void DeviceInterfaceServer::WorkLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        workReady_.wait(lock, [&] { return !work_.empty() || (stopping_ && connections_.empty()); });
        if (work_.empty()) return;
        const uint64_t id = work_.front();
        work_.pop_front();
        auto it = connections_.find(id);
        if (it == connections_.end()) continue;
        Connection& c = *it->second;
        if (!c.ended) {
            ChannelRequest request = std::move(c.request);
            c.request = ChannelRequest{};
            c.headerGot = 0;
            c.inputLength = 0;
            lock.unlock();
            ChannelReply reply =
                handlers_.request ? handlers_.request(id, request) : ChannelReply{E_NOTIMPL, {}};
            if (reply.output.size() > request.outputLength) reply.output.resize(request.outputLength);
            std::vector<uint8_t> bytes = EncodeChannelReply(reply);
            lock.lock();
            c.busy = false;
            if (!c.ended) {
                c.out = std::move(bytes);
                c.outSent = 0;
                Wake(wakeWrite_);
                continue;
            }
        }
        // Ended, and no request of it runs: the connection's last word.
        std::unique_ptr<Connection> gone = std::move(it->second);
        connections_.erase(it);
        lock.unlock();
        if (handlers_.closed) handlers_.closed(id);
        gone.reset();
        lock.lock();
        if (stopping_ && connections_.empty()) workReady_.notify_all();
    }
}

}  // namespace geolumen
