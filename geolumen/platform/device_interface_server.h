#pragma once
// The host side of the device-interface channel (see device_interface_channel.h): publishes one interface
// entry and serves its connections, each on a thread of its own, so I/O controls of several clients reach
// the driver in parallel as they would through a parallel queue.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "platform/device_interface_channel.h"
#include "platform/secure_files.h"

namespace geolumen {

class DeviceInterfaceServer {
  public:
    struct Handlers {
        // Serves one request of a connection. Output beyond the request's output length is cut off.
        std::function<ChannelReply(uint64_t connection, const ChannelRequest& request)> request;
        // The connection ended (optional); no request of it runs any more.
        std::function<void(uint64_t connection)> closed;
    };

    explicit DeviceInterfaceServer(Handlers handlers);
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

    // Removes the entry, ends every connection and waits for their threads. Idempotent.
    void Stop();

  private:
    struct Connection {
        uint64_t id;
        UnixFd fd;
        std::thread thread;
        bool done = false;
    };

    void AcceptLoop();
    void Serve(Connection* connection);
    void ReapFinished();

    Handlers handlers_;
    std::filesystem::path entry_;
    CheckedFolder folder_;  // the class folder, held open: the entry is removed through it
    std::string entryName_;
    UnixFd listener_;
    UnixFd wakeRead_, wakeWrite_;
    std::thread acceptThread_;
    std::mutex mutex_;
    std::list<Connection> connections_;
    uint64_t nextId_ = 1;
    bool stopping_ = false;
};

// Opens the directory as the host's run directory: created with its missing parents (mode 0750) and
// refused when it is a link, another user's or writable by others; 0 or -errno.
[[nodiscard]] int MakeDirectories(const std::filesystem::path& dir);

}  // namespace geolumen
