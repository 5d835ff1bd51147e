#pragma once
// A one-shot timer with a private thread of its own, in place of a thread pool of one thread with one
// timer: the callback always runs on that one thread, never twice at once, and never after the timer is
// destroyed.
//
// Cancel stops a pending expiry but does not wait for a callback already running. Each Set carries a
// number that the callback receives, so a callback can tell whether it belongs to the latest arming.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace geolumen {

class OneShotTimer {
  public:
    virtual ~OneShotTimer() = default;
    // (Re)arms the timer to fire once after `due`, handing `cookie` to the callback; `window` is how much
    // later the system may fire it.
    virtual void Set(std::chrono::milliseconds due, std::chrono::milliseconds window, uint64_t cookie) = 0;
    virtual void Cancel() = 0;
};

using TimerCallback = std::function<void(uint64_t cookie)>;
// Makes the timer that runs `callback`; tests give the sensor a factory of their own.
using TimerFactory = std::function<std::unique_ptr<OneShotTimer>(TimerCallback callback)>;

class ThreadTimer final : public OneShotTimer {
  public:
    explicit ThreadTimer(TimerCallback callback);
    // Cancels, waits for a running callback and ends the thread.
    ~ThreadTimer() override;
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    void Set(std::chrono::milliseconds due, std::chrono::milliseconds window, uint64_t cookie) override;
    void Cancel() override;

  private:
    void Run();

    const TimerCallback callback_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::chrono::steady_clock::time_point> due_;
    uint64_t cookie_ = 0;
    bool exit_ = false;
    std::thread thread_;
};

[[nodiscard]] std::unique_ptr<OneShotTimer> CreateThreadTimer(TimerCallback callback);

}  // namespace geolumen
