// A counting semaphore with a maximum count that takes part in WaitForAny: a wait that reports it takes one
// count. Used where interrupt notifications are counted up before a reader thread fetches them.
#pragma once

#include <cstdint>

#include "platform/event.h"

namespace geolumen {

class Semaphore final : public Waitable {
  public:
    // initialCount must not exceed maximumCount; a bad pair is clamped to the maximum.
    Semaphore(std::int32_t initialCount, std::int32_t maximumCount);

    // Adds `count` (>= 1). Fails, changing nothing, when the count would rise above the maximum.
    // On success *previous (when given) receives the count before the release.
    [[nodiscard]] bool Release(std::int32_t count = 1, std::int32_t* previous = nullptr);
    // Waits for one count: WAIT_OBJECT_0 or WAIT_TIMEOUT.
    [[nodiscard]] DWORD Wait(DWORD timeoutMs = INFINITE);
    // The current count (for tests and diagnostics).
    [[nodiscard]] std::int32_t Count() const;

  private:
    [[nodiscard]] bool IsSignalledLocked() const override { return count_ > 0; }
    void ConsumeLocked() override { --count_; }

    const std::int32_t maximum_;
    std::int32_t count_;
};

}  // namespace geolumen
