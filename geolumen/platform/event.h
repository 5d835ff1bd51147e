// Events and the wait for any of several waitable objects, in the Windows manner the driver's threads use:
// a manual-reset event stays signalled until reset; an auto-reset event lets one waiter through and resets.
//
// All waitables share one process-wide lock, so that a wait on several objects at once is exact: the
// signalled states of all of them are read under one lock. Wake-ups are not shared: a waiting thread parks
// on a parker of its own and enters the wait queue of each object it waits for, and a state change wakes
// only the threads queued on the object that changed, after the lock is released, so that a woken thread
// does not block at once on the lock its waker still holds.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "platform/hresult.h"

namespace geolumen {

// Wait without time limit.
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
// WaitForAny result of the object at index i is WAIT_OBJECT_0 + i.
inline constexpr DWORD WAIT_OBJECT_0 = 0;
// No object became signalled in time.
inline constexpr DWORD WAIT_TIMEOUT = 258;
// Bad arguments: an empty list, a null entry or more than kMaxWaitObjects objects.
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
// As many objects as one wait of the system takes.
inline constexpr std::size_t kMaxWaitObjects = 64;

class Waitable;
struct WaitNode;
struct Parker;

// The threads waiting for one object's state (shared wait lock held while it changes).
class WaitQueue {
  public:
    WaitQueue() = default;
    WaitQueue(const WaitQueue&) = delete;
    WaitQueue& operator=(const WaitQueue&) = delete;

  private:
    friend DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeoutMs);
    friend class WaitLock;
    WaitNode* head_ = nullptr;
};

// An object a thread can wait for. Its state is read and changed only under the shared wait lock.
class Waitable {
  public:
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

  protected:
    Waitable() = default;
    ~Waitable() = default;

    // Whether a wait would be satisfied now (shared wait lock held).
    [[nodiscard]] virtual bool IsSignalledLocked() const = 0;
    // Called when a wait reports this object: an auto-reset event resets, a semaphore counts down.
    virtual void ConsumeLocked() = 0;
    // Where waiters for this object queue. Objects whose signalled state is one shared state (the slot
    // inboxes of one hand-off) share one queue, so that whoever changes that state can wake them all.
    [[nodiscard]] virtual WaitQueue& QueueLocked() { return queue_; }

    friend DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeoutMs);
    friend class WaitLock;

  private:
    WaitQueue queue_;
};

// Holds the shared wait lock while an object's state changes. Whoever makes an object signalled calls
// Wake for it under this lock; the queued threads are woken when the lock is released.
class WaitLock {
  public:
    WaitLock();
    ~WaitLock();
    WaitLock(const WaitLock&) = delete;
    WaitLock& operator=(const WaitLock&) = delete;

    // The threads waiting for this object re-check once the lock is released.
    void Wake(Waitable& object) { Wake(object.QueueLocked()); }
    void Wake(WaitQueue& queue);

  private:
    // Room for the threads one change usually wakes; any more are woken at once, under the lock.
    static constexpr std::size_t kDeferredWakes = 8;
    std::array<Parker*, kDeferredWakes> deferred_{};
    std::size_t deferredCount_ = 0;
};

// A manual-reset or auto-reset event.
class Event final : public Waitable {
  public:
    enum class Reset { kManual, kAuto };

    explicit Event(Reset reset, bool initiallySignalled = false);

    // Signals the event: wakes all waiters (manual) or the first waiter that reports it (auto).
    void Set();
    // Clears the signalled state.
    void ResetEvent();
    // Waits for this event alone: WAIT_OBJECT_0 or WAIT_TIMEOUT.
    [[nodiscard]] DWORD Wait(DWORD timeoutMs = INFINITE);
    // Reads the state without consuming it (for tests and diagnostics).
    [[nodiscard]] bool IsSet() const;

  private:
    [[nodiscard]] bool IsSignalledLocked() const override { return signalled_; }
    void ConsumeLocked() override;

    const Reset reset_;
    bool signalled_;
};

// Waits until one of the objects is signalled and returns WAIT_OBJECT_0 + its index; when several are, the
// lowest index wins, and only that object is consumed (an auto-reset event not reported stays set).
// WAIT_TIMEOUT after timeoutMs milliseconds (0 = just poll; INFINITE = no limit); WAIT_FAILED for bad
// arguments.
[[nodiscard]] DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeoutMs);
[[nodiscard]] DWORD WaitForAny(std::initializer_list<Waitable*> objects, DWORD timeoutMs);

}  // namespace geolumen
