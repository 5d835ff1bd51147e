// Events and the wait for any of several waitable objects, in the Windows manner the driver's threads use:
// a manual-reset event stays signalled until reset; an auto-reset event lets one waiter through and resets.
//
// All waitables share one process-wide lock and condition variable. The driver has a handful of threads and
// objects, so one wake-up channel is cheap, and it makes a wait on several objects at once exact: the
// signalled states of all of them are read under one lock.
#pragma once

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
    // Wakes every waiter to re-check; call after making an object signalled (lock not held).
    static void NotifyAll();

    friend DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeoutMs);
    friend class WaitLock;
};

// Holds the shared wait lock while an object's state changes.
class WaitLock {
  public:
    WaitLock();
    ~WaitLock();
    WaitLock(const WaitLock&) = delete;
    WaitLock& operator=(const WaitLock&) = delete;
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
