#include "platform/interface_server.h"

namespace geolumen {

HostInterfaceServer::HostInterfaceServer(ComPtr<HostDevice> device, size_t maxConnections)
    : device_(std::move(device)), maxConnections_(maxConnections) {}

HostInterfaceServer::~HostInterfaceServer() { Stop(); }

int HostInterfaceServer::Publish(const std::filesystem::path& runDir, std::string* why) {
    if (!device_) return -ENODEV;
    for (const GUID& interfaceClass : device_->DeviceInterfaces()) {
        const size_t index = servers_.size();
        DeviceInterfaceServer::Handlers handlers;
        handlers.request = [this, index](uint64_t id, const ChannelRequest& request) {
            return Serve({index, id}, request);
        };
        handlers.closed = [this, index](uint64_t id) { Closed({index, id}); };
        DeviceInterfaceServer::Limits limits;
        limits.maxConnections = maxConnections_;
        auto server = std::make_unique<DeviceInterfaceServer>(std::move(handlers), limits);
        if (const int r = server->Publish(runDir, interfaceClass, why); r != 0) return r;
        servers_.push_back(std::move(server));
    }
    return 0;
}

std::vector<std::filesystem::path> HostInterfaceServer::Entries() const {
    std::vector<std::filesystem::path> entries;
    for (const auto& server : servers_) entries.push_back(server->Entry());
    return entries;
}

void HostInterfaceServer::Stop() {
    for (auto& server : servers_) server->Stop();
}

ChannelReply HostInterfaceServer::Serve(ConnectionKey connection, const ChannelRequest& request) {
    ComPtr<HostFile> file;
    {
        std::lock_guard lock(mutex_);
        ComPtr<HostFile>& slot = files_[connection];
        if (!slot) slot = MakeCom<HostFile>();
        file = slot;
    }
    ComPtr<HostQueue> queue = device_->DefaultQueue();
    if (!queue) return ChannelReply{HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED), {}};
    IoResult result = queue->Submit(file.Get(), request.code, request.input, request.outputLength);
    return ChannelReply{result.status, std::move(result.output)};
}

void HostInterfaceServer::Closed(ConnectionKey connection) {
    ComPtr<HostFile> file;
    {
        std::lock_guard lock(mutex_);
        auto it = files_.find(connection);
        if (it == files_.end()) return;
        file = std::move(it->second);
        files_.erase(it);
    }
    if (auto cleanup = device_->FileCleanup()) cleanup->OnCleanupFile(file.Get());
}

}  // namespace geolumen
