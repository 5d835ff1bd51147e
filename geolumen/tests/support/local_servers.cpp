#include "support/local_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace geolumen::test_support {

namespace {

// Servers check their stop flag this often; test teardown waits at most this long for them.
constexpr int kServerPollMs = 20;
// Keeps a runaway test from feeding the server for ever.
constexpr size_t kMaxRequestHeadBytes = 16384;

int BindLoopback(int type, uint16_t& port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) throw std::runtime_error("bind");
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

bool WaitReadable(int fd, const std::atomic<bool>& stop) {
    while (!stop) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, kServerPollMs) > 0) return true;
    }
    return false;
}

}  // namespace

LocalSntpServer::LocalSntpServer(Answer answer) : answer_(std::move(answer)) {
    fd_ = BindLoopback(SOCK_DGRAM, port_);
    thread_ = std::thread([this] { Run(); });
}

LocalSntpServer::~LocalSntpServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
}

std::vector<std::vector<uint8_t>> LocalSntpServer::requests() {
    std::lock_guard guard(lock_);
    return requests_;
}

void LocalSntpServer::Run() {
    while (WaitReadable(fd_, stop_)) {
        std::vector<uint8_t> request(512);
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t got =
            ::recvfrom(fd_, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got < 0) continue;
        request.resize(static_cast<size_t>(got));
        {
            std::lock_guard guard(lock_);
            requests_.push_back(request);
        }
        for (const auto& datagram : answer_(request)) {
            ::sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        }
    }
}

LocalHttpServer::LocalHttpServer(int status, std::vector<uint8_t> body, bool stall)
    : LocalHttpServer(status, std::move(body), stall, Pace{}) {}

LocalHttpServer::LocalHttpServer(int status, std::vector<uint8_t> body, Pace pace)
    : LocalHttpServer(status, std::move(body), false, pace) {}

LocalHttpServer::LocalHttpServer(int status, std::vector<uint8_t> body, bool stall, Pace pace)
    : status_(status), body_(std::move(body)), stall_(stall), pace_(pace) {
    fd_ = BindLoopback(SOCK_STREAM, port_);
    ::listen(fd_, 4);
    thread_ = std::thread([this] { Run(); });
}

LocalHttpServer::~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
}

std::vector<std::string> LocalHttpServer::requests() {
    std::lock_guard guard(lock_);
    return requests_;
}

void LocalHttpServer::Run() {
    while (WaitReadable(fd_, stop_)) {
        const int client = ::accept(fd_, nullptr, nullptr);
        if (client < 0) continue;
        Serve(client);
        ::close(client);
    }
}

void LocalHttpServer::Serve(int client) {
    std::string head;
    char chunk[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHeadBytes) {
        if (!WaitReadable(client, stop_)) return;
        const ssize_t got = ::recv(client, chunk, sizeof chunk, 0);
        if (got <= 0) return;
        head.append(chunk, static_cast<size_t>(got));
    }
    {
        std::lock_guard guard(lock_);
        requests_.push_back(head.substr(0, head.find("\r\n\r\n")));
    }
    if (stall_) return Hold(client);
    const std::string answer = "HTTP/1.1 " + std::to_string(status_) +
                               " Status\r\nContent-Length: " + std::to_string(body_.size()) +
                               "\r\nConnection: close\r\n\r\n";
    if (!Send(client, answer.data(), answer.size())) return;
    const char* body = reinterpret_cast<const char*>(body_.data());
    if (pace_.bytes == 0) {
        (void)Send(client, body, body_.size());
        return;
    }
    for (size_t sent = 0; sent < body_.size(); sent += pace_.bytes) {
        if (sent >= pace_.stallAfter) return Hold(client);
        if (sent != 0) {
            // Sleeps in short steps so that the test's end is never held up by a long pause.
            const auto until = std::chrono::steady_clock::now() + pace_.every;
            while (!stop_ && std::chrono::steady_clock::now() < until) ::poll(nullptr, 0, 5);
            if (stop_) return;
        }
        if (!Send(client, body + sent, std::min(pace_.bytes, body_.size() - sent))) return;
    }
}

// Holds the connection open without a byte until the test ends or the client gives up.
void LocalHttpServer::Hold(int client) {
    char chunk[1024];
    while (WaitReadable(client, stop_)) {
        if (::recv(client, chunk, sizeof chunk, 0) <= 0) return;
    }
}

bool LocalHttpServer::Send(int client, const char* data, size_t size) {
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(client, data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::vector<uint8_t> NewYear2024SntpAnswer(const std::vector<uint8_t>& request) {
    std::vector<uint8_t> answer(48, 0);
    answer[0] = 0x24;  // LI 0, VN 4, mode 4 (server)
    if (request.size() >= 48) std::copy(request.begin() + 40, request.begin() + 48, answer.begin() + 24);
    const uint8_t receive[8] = {0xE9, 0x3C, 0x7F, 0x00, 0x33, 0x33, 0x33, 0x33};
    const uint8_t transmit[8] = {0xE9, 0x3C, 0x7F, 0x00, 0x66, 0x66, 0x66, 0x66};
    std::copy(receive, receive + 8, answer.begin() + 32);
    std::copy(transmit, transmit + 8, answer.begin() + 40);
    return answer;
}

uint16_t UnusedLocalPort() {
    uint16_t port = 0;
    const int fd = BindLoopback(SOCK_STREAM, port);
    ::close(fd);
    return port;
}

}  // namespace geolumen::test_support
