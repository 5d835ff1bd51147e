#pragma once
// The device's guard between framework callbacks and teardown.
//
// Every guarded callback enters with the bit of its kind and leaves with the same bits, whether the
// enter succeeded or not. Once shutdown has begun, entering is refused with 0x8007045B. Each kind keeps a
// count rather than a single bit, so two overlapping callbacks of one kind (the queue dispatches in
// parallel, and sensor methods nest) are both waited for: shutdown starts only after the last of them
// has left. Shutdown waits on a condition variable instead of spinning.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/hresult.h"

namespace geolumen {

// Kinds of guarded callbacks; the values are the word's bits.
enum BusyBits : uint64_t {
    kBusyShutdown = 0x1,
    kBusyD0 = 0x2,
    kBusyPrepareHardware = 0x4,
    kBusyCleanupFile = 0x8,
    kBusyIoControl = 0x10,
    kBusySensorDdi = 0x40,
    kBusySelfManagedIo = 0x100,
};

// 0x8007045B: the system is shutting down; refuses callbacks that arrive after shutdown has begun.
inline constexpr HRESULT kShutdownInProgress = HRESULT_FROM_WIN32(ERROR_SHUTDOWN_IN_PROGRESS);

class BusyState {
  public:
    // Counts the caller in for every operation bit in `bits`. Returns kShutdownInProgress when
    // shutdown had begun, S_OK otherwise; the caller leaves with the same bits in both cases.
    [[nodiscard]] HRESULT Enter(uint64_t bits);
    void Leave(uint64_t bits);

    // Marks shutdown begun, then waits until no guarded callback of any kind is running.
    void BeginShutdown();
    void ClearShutdown();

    // The word as the callbacks see it: the shutdown bit, and the bit of every kind with a running
    // callback.
    [[nodiscard]] uint64_t Word() const;

  private:
    // Bits 1..63 each have a counter; bit 0 is the shutdown flag.
    static constexpr int kKinds = 64;

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::array<uint32_t, kKinds> running_{};
    uint32_t total_ = 0;
    bool shutdown_ = false;
};

// Enters on construction and leaves on destruction with the same bits; `ok()` tells whether the
// callback may do its work.
class BusyScope {
  public:
    BusyScope(BusyState& state, uint64_t bits) : state_(state), bits_(bits), result_(state.Enter(bits)) {}
    ~BusyScope() { state_.Leave(bits_); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    [[nodiscard]] bool ok() const { return SUCCEEDED(result_); }
    [[nodiscard]] HRESULT result() const { return result_; }

  private:
    BusyState& state_;
    uint64_t bits_;
    HRESULT result_;
};

}  // namespace geolumen
