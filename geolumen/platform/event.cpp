#include "platform/event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/immortal.h"

namespace geolumen {
namespace {

// The one lock and wake-up channel of all waitables (see event.h). Never destroyed: threads that the
// static teardown stops still wait and wake through them, whatever was constructed first.
std::mutex& HubMutex() { return Immortal<std::mutex>(); }
std::condition_variable& HubCondition() { return Immortal<std::condition_variable>(); }

}  // namespace

void Waitable::NotifyAll() { HubCondition().notify_all(); }

WaitLock::WaitLock() { HubMutex().lock(); }
WaitLock::~WaitLock() { HubMutex().unlock(); }

Event::Event(Reset reset, bool initiallySignalled) : reset_(reset), signalled_(initiallySignalled) {}

void Event::Set() {
    {
        std::lock_guard lock(HubMutex());
        signalled_ = true;
    }
    NotifyAll();
}

void Event::ResetEvent() {
    std::lock_guard lock(HubMutex());
    signalled_ = false;
}

DWORD Event::Wait(DWORD timeoutMs) { return WaitForAny({this}, timeoutMs); }

bool Event::IsSet() const {
    std::lock_guard lock(HubMutex());
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
    std::unique_lock lock(HubMutex());
    int index = firstSignalled();
    if (index < 0 && timeoutMs != 0) {
        const auto ready = [&] { return (index = firstSignalled()) >= 0; };
        if (timeoutMs == INFINITE) {
            HubCondition().wait(lock, ready);
        } else {
            HubCondition().wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
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
