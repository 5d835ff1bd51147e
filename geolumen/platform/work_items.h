#pragma once
// Work items on a process-wide pool of threads, in place of the system thread pool: a caller queues a
// routine and goes on; the routine runs on a pool thread. Threads are started as items wait and none is
// idle, up to a fixed number; the pool finishes what is queued and joins its threads when it is destroyed
// (process exit or library unload), so no routine outlives the code it runs.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace geolumen {

class WorkItemPool {
  public:
    explicit WorkItemPool(size_t maxThreads);
    ~WorkItemPool();
    WorkItemPool(const WorkItemPool&) = delete;
    WorkItemPool& operator=(const WorkItemPool&) = delete;

    // False when the pool is shutting down or no thread could be started; the routine does not run then.
    [[nodiscard]] bool Queue(std::function<void()> routine);

  private:
    void Worker();

    const size_t maxThreads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> items_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

// The process's pool for work items.
[[nodiscard]] WorkItemPool& SystemWorkItemPool();

// Queues a routine on the process's pool; false (with nothing queued) when it cannot run.
[[nodiscard]] bool QueueUserWorkItem(std::function<void()> routine);

}  // namespace geolumen
