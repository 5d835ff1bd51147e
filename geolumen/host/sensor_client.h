#pragma once
// The client side of the sensor socket (host/sensor_protocol.h): connects, sends requests, and hands
// out what the host sends, replies and pushed events alike, in arrival order.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "host/sensor_protocol.h"

namespace geolumen::host {

struct ReceivedMessage {
    MessageType type{};
    uint32_t requestId = 0;
    std::vector<uint8_t> body;
};

class SensorClient {
  public:
    using Deadline = std::optional<std::chrono::steady_clock::time_point>;

    SensorClient() = default;
    ~SensorClient();
    SensorClient(const SensorClient&) = delete;
    SensorClient& operator=(const SensorClient&) = delete;

    // 0, or -errno of socket or connect (-ENOENT: no socket there; -ECONNREFUSED: nobody listens).
    [[nodiscard]] int Connect(const std::filesystem::path& socket);
    void Close();

    // Sends one request whose body `body` writes (may be empty); its request id in `*id`. 0 or -errno.
    [[nodiscard]] int Send(MessageType type, const std::function<void(MessageWriter&)>& body, uint32_t* id);
    // The next message: 1 with `out` filled, 0 when the deadline passed first, -ECONNRESET when the host
    // closed the connection, -EPROTO when it sent something that is not a message, else -errno.
    [[nodiscard]] int Receive(ReceivedMessage& out, Deadline deadline);

    [[nodiscard]] int Fd() const { return fd_; }

  private:
    int fd_ = -1;
    uint32_t nextId_ = 1;
    MessageSplitter splitter_;
    std::vector<uint8_t> buffer_;
};

}  // namespace geolumen::host
