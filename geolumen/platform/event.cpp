#include "platform/event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/immortal.h"

namespace geolumen {

// One thread's place to sleep in a wait. A wake that comes late, after its wait has ended, is harmless: the
// next wait of the thread that holds it sees a spurious wake-up and re-checks its objects.
struct Parker {
    std::mutex mutex;
    std::condition_variable woken;
    bool pending = false;

    void Unpark() {
        {
            std::lock_guard lock(mutex);
            pending = true;
        }
        woken.notify_one();
    }
    void Clear() {
        std::lock_guard lock(mutex);
        pending = false;
    }
    // False when the deadline passed without a wake.
    bool Park(const std::chrono::steady_clock::time_point* deadline) {
        std::unique_lock lock(mutex);
        if (deadline == nullptr) {
            woken.wait(lock, [this] { return pending; });
        } else if (!woken.wait_until(lock, *deadline, [this] { return pending; })) {
            return false;
        }
        pending = false;
        return true;
    }
};

// One entry of a thread in the wait queue of one object.
struct WaitNode {
    Parker* parker = nullptr;
    WaitQueue* queue = nullptr;
    WaitNode* prev = nullptr;
    WaitNode* next = nullptr;
};

namespace {

// The one lock of all waitables (see event.h). Never destroyed: threads that the static teardown stops
// still wait and wake through it, whatever was constructed first.
std::mutex& HubMutex() { return Immortal<std::mutex>(); }

// Parkers outlive the threads that used them, since a waker may still hold one for an instant after the
// wait it was meant for ended; a thread that ends gives its parker back for the next thread to use. They
// sit in static storage, so that an unloaded library leaves nothing behind on the heap.
class ParkerPool {
  public:
    Parker* Take() {
        std::lock_guard lock(mutex_);
        if (freeCount_ > 0) return free_[--freeCount_];
        if (made_ < parkers_.size()) return &parkers_[made_++];
        // More threads than the driver ever runs: the parker is never given back to the heap.
        return new Parker;
    }
    void Give(Parker* p) {
        std::lock_guard lock(mutex_);
        if (freeCount_ < free_.size()) free_[freeCount_++] = p;
    }

  private:
    // Threads that wait at the same time, with room to spare: the driver and its host run about a dozen.
    static constexpr std::size_t kParkers = 128;
    std::mutex mutex_;
    std::array<Parker, kParkers> parkers_;
    std::size_t made_ = 0;
    std::array<Parker*, kParkers> free_{};
    std::size_t freeCount_ = 0;
};

// Never destroyed: threads that end during exit still give their parkers back.
ParkerPool& Pool() { return Immortal<ParkerPool>(); }

struct ThreadParker {
    Parker* parker = Pool().Take();
    ThreadParker() = default;
    ThreadParker(const ThreadParker&) = delete;
    ThreadParker& operator=(const ThreadParker&) = delete;
    ~ThreadParker() { Pool().Give(parker); }
};

Parker& ThisThreadParker() {
    thread_local ThreadParker mine;
    return *mine.parker;
}

}  // namespace

WaitLock::WaitLock() { HubMutex().lock(); }

WaitLock::~WaitLock() {
    HubMutex().unlock();
    for (std::size_t i = 0; i < deferredCount_; ++i) deferred_[i]->Unpark();
}

void WaitLock::Wake(WaitQueue& queue) {
    for (WaitNode* node = queue.head_; node != nullptr; node = node->next) {
        if (deferredCount_ < deferred_.size()) {
            deferred_[deferredCount_++] = node->parker;
        } else {
            node->parker->Unpark();
        }
    }
}

Event::Event(Reset reset, bool initiallySignalled) : reset_(reset), signalled_(initiallySignalled) {}

void Event::Set() {
    WaitLock lock;
    signalled_ = true;
    lock.Wake(*this);
}

void Event::ResetEvent() {
    WaitLock lock;
    signalled_ = false;
}

DWORD Event::Wait(DWORD timeoutMs) { return WaitForAny({this}, timeoutMs); }

bool Event::IsSet() const {
    WaitLock lock;
    return signalled_;
}

void Event::ConsumeLocked() {
    if (reset_ == Reset::kAuto) signalled_ = false;
}

DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeoutMs) {
    if (objects.empty() || objects.size() > kMaxWaitObjects) return WAIT_FAILED;
    for (Waitable* w : objects) {
        if (!w) return WAIT_FAILED;
    }
    // Index of the lowest signalled object, or -1.
    const auto firstSignalled = [objects] {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->IsSignalledLocked()) return static_cast<int>(i);
        }
        return -1;
    };
    std::chrono::steady_clock::time_point deadline;
    if (timeoutMs != 0 && timeoutMs != INFINITE) {
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    }
    std::unique_lock lock(HubMutex());
    int index = firstSignalled();
    if (index < 0 && timeoutMs != 0) {
        Parker& parker = ThisThreadParker();
        std::array<WaitNode, kMaxWaitObjects> nodes;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            WaitNode& node = nodes[i];
            node.parker = &parker;
            node.queue = &objects[i]->QueueLocked();
            node.next = node.queue->head_;
            if (node.next != nullptr) node.next->prev = &node;
            node.queue->head_ = &node;
        }
        for (;;) {
            // Cleared under the wait lock before the states are read: a change made after the reading is
            // made under the same lock, later, and its wake comes after this clearing.
            parker.Clear();
            lock.unlock();
            const bool woken = parker.Park(timeoutMs == INFINITE ? nullptr : &deadline);
            lock.lock();
            index = firstSignalled();
            if (index >= 0 || !woken) break;
        }
        for (std::size_t i = 0; i < objects.size(); ++i) {
            WaitNode& node = nodes[i];
            if (node.prev != nullptr) {
                node.prev->next = node.next;
            } else {
                node.queue->head_ = node.next;
            }
            if (node.next != nullptr) node.next->prev = node.prev;
        }
    }
    if (index < 0) return WAIT_TIMEOUT;
    objects[static_cast<std::size_t>(index)]->ConsumeLocked();
    return WAIT_OBJECT_0 + static_cast<DWORD>(index);
}

DWORD WaitForAny(std::initializer_list<Waitable*> objects, DWORD timeoutMs) {
    return WaitForAny(std::span<Waitable* const>(objects.begin(), objects.size()), timeoutMs);
}

}  // namespace geolumen
