#include "platform/thread_timer.h"

namespace geolumen {

ThreadTimer::ThreadTimer(TimerCallback callback)
    : callback_(std::move(callback)), thread_([this] { Run(); }) {}

ThreadTimer::~ThreadTimer() {
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
        due_.reset();
    }
    wake_.notify_all();
    thread_.join();
}

void ThreadTimer::Set(std::chrono::milliseconds due, std::chrono::milliseconds, uint64_t cookie) {
    // The thread is woken at the due time itself; the tolerance only matters to a shared pool.
    {
        std::lock_guard lock(mutex_);
        due_ = std::chrono::steady_clock::now() + due;
        cookie_ = cookie;
    }
    wake_.notify_all();
}

void ThreadTimer::Cancel() {
    {
        std::lock_guard lock(mutex_);
        // Nothing armed, nothing to wake for: the sensor cancels its idle timer on every report.
        if (!due_) return;
        due_.reset();
    }
    wake_.notify_all();
}

void ThreadTimer::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (exit_) return;
        if (!due_) {
            wake_.wait(lock);
            continue;
        }
        const auto due = *due_;
        if (wake_.wait_until(lock, due) == std::cv_status::no_timeout) continue;
        if (!due_ || *due_ != due) continue;  // cancelled or re-armed meanwhile
        due_.reset();
        const uint64_t cookie = cookie_;
        lock.unlock();
        if (callback_) callback_(cookie);
        lock.lock();
    }
}

std::unique_ptr<OneShotTimer> CreateThreadTimer(TimerCallback callback) {
    return std::make_unique<ThreadTimer>(std::move(callback));
}

}  // namespace geolumen
