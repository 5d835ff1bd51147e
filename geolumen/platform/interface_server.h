#pragma once
// Publishes the device interfaces a driver created for its device on the device-interface channel, and
// hands every I/O control that arrives on them to the device's default queue, as the framework does for a
// handle opened on the interface. Each connection is one file object of the device; when it ends, the
// driver's file cleanup runs for it.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/device_interface_server.h"
#include "platform/wdf_host.h"

namespace geolumen {

class HostInterfaceServer {
  public:
    // Each interface serves up to `maxConnections` connections at a time.
    explicit HostInterfaceServer(ComPtr<HostDevice> device,
                                 size_t maxConnections = kDeviceInterfaceMaxConnections);
    ~HostInterfaceServer();
    HostInterfaceServer(const HostInterfaceServer&) = delete;
    HostInterfaceServer& operator=(const HostInterfaceServer&) = delete;

    // Publishes every interface the device has created so far under `runDir`; 0 or the first -errno, with
    // `why` saying what was refused.
    [[nodiscard]] int Publish(const std::filesystem::path& runDir, std::string* why = nullptr);
    // The published entries, in the order of the device's interfaces.
    [[nodiscard]] std::vector<std::filesystem::path> Entries() const;
    // Withdraws every entry and waits for the connections to end. Call before the device is removed.
    void Stop();

  private:
    using ConnectionKey = std::pair<size_t, uint64_t>;  // (interface, connection of its server)

    [[nodiscard]] ChannelReply Serve(ConnectionKey connection, const ChannelRequest& request);
    void Closed(ConnectionKey connection);

    ComPtr<HostDevice> device_;
    const size_t maxConnections_;
    std::vector<std::unique_ptr<DeviceInterfaceServer>> servers_;
    std::mutex mutex_;
    std::map<ConnectionKey, ComPtr<HostFile>> files_;  // created at a connection's first request
};

}  // namespace geolumen
