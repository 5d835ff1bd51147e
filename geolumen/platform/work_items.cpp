#include "platform/work_items.h"

#include <system_error>

#include "platform/event.h"

namespace geolumen {
namespace {

// Radio switches and system switches are the only work items; a few threads cover several slow devices.
constexpr size_t kSystemPoolThreads = 4;

}  // namespace

WorkItemPool::WorkItemPool(size_t maxThreads) : maxThreads_(maxThreads == 0 ? 1 : maxThreads) {}

WorkItemPool::~WorkItemPool() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (auto& t : threads) t.join();
}

bool WorkItemPool::Queue(std::function<void()> routine) {
    if (!routine) return false;
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    if (idle_ == 0 && threads_.size() < maxThreads_) {
        try {
            threads_.emplace_back([this] { Worker(); });
        } catch (const std::system_error&) {
            if (threads_.empty()) return false;  // nobody would ever run it
        }
    }
    items_.push_back(std::move(routine));
    wake_.notify_one();
    return true;
}

void WorkItemPool::Worker() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !items_.empty(); });
        --idle_;
        if (items_.empty()) return;  // stopping, and nothing left to run
        std::function<void()> routine = std::move(items_.front());
        items_.pop_front();
        lock.unlock();
        routine();
        routine = nullptr;  // what the routine held goes before the lock is taken again
        lock.lock();
    }
}

WorkItemPool& SystemWorkItemPool() {
    static WorkItemPool& pool = []() -> WorkItemPool& {
        // Routines signal events up to their last step, so the events' shared wake-up channel must outlive
        // the pool: signalling one first makes it exist before the pool, and so go after it at exit.
        Event(Event::Reset::kManual).Set();
        static WorkItemPool instance(kSystemPoolThreads);
        return instance;
    }();
    return pool;
}

bool QueueUserWorkItem(std::function<void()> routine) {
    return SystemWorkItemPool().Queue(std::move(routine));
}

}  // namespace geolumen
