#include "support/TerminalSim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // the program writes upper-case digits only
}

}  // namespace

TerminalSim::TerminalSim() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    path_ = name;
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

TerminalSim::~TerminalSim() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
}

bool TerminalSim::Fill(std::chrono::milliseconds wait) {
    pollfd fd{master_, POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(wait.count()));
    if (ready <= 0 || (fd.revents & POLLIN) == 0) return false;
    char buffer[4096];
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(got));
    return true;
}

std::optional<std::string> TerminalSim::ReadLine(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        const size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        Fill(left);
    }
}

std::string TerminalSim::Drain(std::chrono::milliseconds wait) {
    while (Fill(wait)) {
    }
    std::string all;
    all.swap(pending_);
    return all;
}

bool TerminalSim::Send(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(master_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EAGAIN) {
            pollfd fd{master_, POLLOUT, 0};
            if (poll(&fd, 1, 1000) <= 0) return false;
            continue;
        }
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

std::vector<uint8_t> TerminalSim::ReplyFrame(uint16_t seq, uint16_t type,
                                             const std::vector<uint8_t>& payload) {
    const size_t n = payload.size();
    std::vector<uint8_t> frame;
    frame.reserve(n + 18);
    auto put16 = [&frame](size_t value) {
        frame.push_back(static_cast<uint8_t>(value >> 8));
        frame.push_back(static_cast<uint8_t>(value));
    };
    frame.push_back('K');
    frame.push_back('Q');
    put16(0);
    for (uint8_t header = 1; header <= 5; ++header) frame.push_back(header);
    put16(seq);
    put16(type);
    put16(n);
    for (uint8_t b : payload) frame.push_back(b);
    unsigned sum = 0;
    for (uint8_t b : frame) sum += b;
    frame.push_back(static_cast<uint8_t>(sum));
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    return frame;
}

std::string TerminalSim::CommandLine(uint16_t cmd, const std::string& payload) {
    std::vector<uint8_t> frame = {'K', 'Q', 0, 0, 0, 0, 0, 0, 0, 0, 0};
    frame.push_back(static_cast<uint8_t>(cmd >> 8));
    frame.push_back(static_cast<uint8_t>(cmd));
    frame.push_back(static_cast<uint8_t>(payload.size() >> 8));
    frame.push_back(static_cast<uint8_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    unsigned sum = 0;
    for (uint8_t b : frame) sum += b;
    frame.push_back(static_cast<uint8_t>(sum));
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    static const char kDigits[] = "0123456789ABCDEF";
    std::string line = "ATKQ";
    for (uint8_t b : frame) {
        line += kDigits[b >> 4];
        line += kDigits[b & 0x0F];
    }
    return line + "\r\n";
}

std::optional<TerminalSim::Command> TerminalSim::ParseCommandLine(const std::string& line) {
    const std::string prefix = "ATKQ";
    if (line.rfind(prefix, 0) != 0 || (line.size() - prefix.size()) % 2 != 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = prefix.size(); i < line.size(); i += 2) {
        const int hi = HexValue(line[i]);
        const int lo = HexValue(line[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    // "KQ", nine zero bytes, command, length, payload, checksum, CR, LF.
    constexpr size_t kHead = 15;
    if (bytes.size() < kHead + 3 || bytes[0] != 'K' || bytes[1] != 'Q') return std::nullopt;
    const size_t length = static_cast<size_t>(bytes[13]) << 8 | bytes[14];
    if (bytes.size() != kHead + length + 3) return std::nullopt;
    if (bytes[kHead + length + 1] != 0x0D || bytes[kHead + length + 2] != 0x0A) return std::nullopt;
    Command command;
    command.cmd = static_cast<uint16_t>(bytes[11] << 8 | bytes[12]);
    command.payload.assign(bytes.begin() + kHead, bytes.begin() + static_cast<long>(kHead + length));
    unsigned sum = 0;
    for (size_t i = 0; i < kHead + length; ++i) sum += bytes[i];
    command.checksumOk = static_cast<uint8_t>(sum) == bytes[kHead + length];
    return command;
}
