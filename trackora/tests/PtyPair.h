// A pseudo-terminal pair for tests: the slave's path is opened as a serial port, the master plays the
// device at the other end of the line. Also a bounded wait that keeps the main thread's queue moving.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>
#include <string>

// Long enough for a loaded sanitizer build, short enough that a real fault fails quickly.
constexpr int kTestWaitMs = 3000;

class PtyPair {
  public:
    PtyPair() {
        char name[128] = {};
        int slave = -1;
        if (::openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            path_ = name;
            ::close(slave);  // the port under test opens its own
            ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
            termios t{};
            ::tcgetattr(master_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(master_, TCSANOW, &t);
        }
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return path_; }
    int Master() const { return master_; }
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }
    bool Send(const std::string& bytes) {
        return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads what the port wrote until want bytes have come or the wait runs out.
    std::string Receive(size_t want, int timeoutMs = kTestWaitMs) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < want && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

  private:
    int master_ = -1;
    std::string path_;
};

// Runs the main thread's queued calls until the condition holds or the wait runs out.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kTestWaitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Runs the main thread's queued calls for a while, for checks that nothing more arrives.
inline void Settle(int ms) {
    WaitUntil([] { return false; }, ms);
}
