#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "location/file_time.h"

namespace geolumen::test_support {

// A UDP responder on 127.0.0.1 with an ephemeral port. For every request it calls `answer`, which
// returns the datagrams to send back (none for a silent server).
class LocalSntpServer {
  public:
    using Answer = std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>& request)>;
    explicit LocalSntpServer(Answer answer);
    ~LocalSntpServer();
    LocalSntpServer(const LocalSntpServer&) = delete;
    LocalSntpServer& operator=(const LocalSntpServer&) = delete;

    [[nodiscard]] uint16_t port() const { return port_; }
    [[nodiscard]] std::vector<std::vector<uint8_t>> requests();

  private:
    void Run();

    Answer answer_;
    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::vector<uint8_t>> requests_;
    std::thread thread_;
};

// A one-connection-at-a-time HTTP server on 127.0.0.1 with an ephemeral port. It answers every
// request with the configured status and body, or never answers while `stall` is set.
class LocalHttpServer {
  public:
    // How a paced server sends its body: `bytes` at a time with `every` between them, and nothing more
    // (the connection held open) once `stallAfter` bytes of the body are out.
    struct Pace {
        size_t bytes = 0;
        std::chrono::milliseconds every{0};
        size_t stallAfter = SIZE_MAX;
    };
    LocalHttpServer(int status, std::vector<uint8_t> body, bool stall = false);
    LocalHttpServer(int status, std::vector<uint8_t> body, Pace pace);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    [[nodiscard]] uint16_t port() const { return port_; }
    // The request heads received so far, each up to its blank line.
    [[nodiscard]] std::vector<std::string> requests();

  private:
    LocalHttpServer(int status, std::vector<uint8_t> body, bool stall, Pace pace);
    void Run();
    void Serve(int client);
    void Hold(int client);
    [[nodiscard]] bool Send(int client, const char* data, size_t size);

    int status_;
    std::vector<uint8_t> body_;
    bool stall_;
    Pace pace_;
    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// 2024-01-01 00:00:00 UTC is unix 1704067200; in NTP seconds 1704067200 + 2208988800 = 3913056000 =
// 0xE93C7F00.
inline constexpr FileTime kNewYear2024 = kFileTime1970 + 1704067200ULL * kFileTimeUnitsPerSecond;

// A clock that reads kNewYear2024 first (the request is sent) and one second later ever after (T4).
inline std::function<FileTime()> NewYear2024Clock() {
    return [calls = 0]() mutable { return kNewYear2024 + (calls++ == 0 ? 0 : kFileTimeUnitsPerSecond); };
}

// What a server sends back to a request made at 2024-01-01 00:00:00 UTC (NTP 0xE93C7F00): our transmit
// time as originate, received 0.2 s later (fraction 0x33333333 = 2^32-1 over 5), sent 0.4 s later.
[[nodiscard]] std::vector<uint8_t> NewYear2024SntpAnswer(const std::vector<uint8_t>& request);

// A port on 127.0.0.1 on which nothing listens (bound, then closed again).
[[nodiscard]] uint16_t UnusedLocalPort();

}  // namespace geolumen::test_support
