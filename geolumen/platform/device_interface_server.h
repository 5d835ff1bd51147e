#pragma once
// The host side of the device-interface channel (see device_interface_channel.h): publishes one interface
// entry and serves its connections. One I/O thread accepts, reads requests as their bytes arrive and
// writes replies; a small fixed pool runs the requests, so I/O controls of several clients reach the
// driver in parallel as they would through a parallel queue, while the number of threads and the memory
// held stay bounded however many peers connect.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/accept_gate.h"
#include "platform/device_interface_channel.h"
#include "platform/secure_files.h"

namespace geolumen {

// The most connections one interface serves at a time; the host's --max-clients changes it.
inline constexpr size_t kDeviceInterfaceMaxConnections = 64;
// Threads that run the driver's side of requests. A request may wait for the driver's completion
// time-out, so a few run side by side; more only cost memory, since the radio tool sends one at a time.
inline constexpr size_t kDeviceInterfaceWorkers = 4;
// A request must be whole this long after its first byte, and a new connection must have sent its
// first request by then: the radio tool writes each request at once, so a peer this slow has stalled
// on purpose and would hold a slot for ever. A connection idle between requests is left alone.
inline constexpr std::chrono::milliseconds kChannelRequestTimeout{5000};

class DeviceInterfaceServer {
  public:
    using Clock = std::chrono::steady_clock;
    struct Handlers {
        // Serves one request of a connection. Output beyond the request's output length is cut off.
        std::function<ChannelReply(uint64_t connection, const ChannelRequest& request)> request;
        // The connection ended (optional); no request of it runs any more.
        std::function<void(uint64_t connection)> closed;
    };
    struct Limits {
        size_t maxConnections = kDeviceInterfaceMaxConnections;
        std::chrono::milliseconds requestTimeout = kChannelRequestTimeout;
    };

    explicit DeviceInterfaceServer(Handlers handlers)
        : DeviceInterfaceServer(std::move(handlers), Limits{}) {}
    DeviceInterfaceServer(Handlers handlers, Limits limits);
    ~DeviceInterfaceServer();
    DeviceInterfaceServer(const DeviceInterfaceServer&) = delete;
    DeviceInterfaceServer& operator=(const DeviceInterfaceServer&) = delete;

    // Creates <runDir>/interfaces/{CLASS}/N under the lowest number not served by a live host (a stale
    // socket of ours is replaced; anything else is left alone), with mode 0660 so only the owner and its
    // group can switch the device, and starts serving. The folders are created 0750, and refused when one
    // is a link, another user's or writable by others. 0 or -errno, with `why` saying what was refused.
    [[nodiscard]] int Publish(const std::filesystem::path& runDir, const GUID& interfaceClass,
                              std::string* why = nullptr);
    [[nodiscard]] const std::filesystem::path& Entry() const { return entry_; }

    // Removes the entry, ends every connection and waits for the requests in progress. Idempotent.
    void Stop();

  private:
    struct Connection;

    void IoLoop();
    void WorkLoop();
    // The I/O thread's steps, under mutex_.
    void AcceptLocked(Clock::time_point now);
    void ReadLocked(Connection& connection, Clock::time_point now);
    void FlushLocked(Connection& connection, Clock::time_point now);
    // Takes the connection out of the poll set; its closed() runs on a worker once no request of it does.
    void EndLocked(Connection& connection);

    const Handlers handlers_;
    const Limits limits_;
    std::filesystem::path entry_;
    CheckedFolder folder_;  // the class folder, held open: the entry is removed through it
    std::string entryName_;
    UnixFd listener_;
    UnixFd wakeRead_, wakeWrite_;
    AcceptGate gate_;  // the I/O thread's
    std::thread ioThread_;
    std::vector<std::thread> workers_;

    std::mutex mutex_;
    std::condition_variable workReady_;
    // A connection stays here, and counts against the limit, until its closed() has run.
    std::map<uint64_t, std::unique_ptr<Connection>> connections_;
    std::deque<uint64_t> work_;  // connections with a whole request, or ended, for a worker
    uint64_t nextId_ = 1;
    bool stopping_ = false;
    bool stopped_ = false;
};

// Opens the directory as the host's run directory: created with its missing parents (mode 0750) and
// refused when it is a link, another user's or writable by others; 0 or -errno.
[[nodiscard]] int MakeDirectories(const std::filesystem::path& dir);

}  // namespace geolumen
