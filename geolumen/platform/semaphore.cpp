#include "platform/semaphore.h"

#include <algorithm>

namespace geolumen {

Semaphore::Semaphore(std::int32_t initialCount, std::int32_t maximumCount)
    : maximum_(std::max<std::int32_t>(maximumCount, 1)),
      count_(std::clamp<std::int32_t>(initialCount, 0, std::max<std::int32_t>(maximumCount, 1))) {}

bool Semaphore::Release(std::int32_t count, std::int32_t* previous) {
    WaitLock lock;
    if (count < 1 || count > maximum_ - count_) return false;
    if (previous) *previous = count_;
    count_ += count;
    lock.Wake(*this);
    return true;
}

DWORD Semaphore::Wait(DWORD timeoutMs) { return WaitForAny({this}, timeoutMs); }

std::int32_t Semaphore::Count() const {
    WaitLock lock;
    return count_;
}

}  // namespace geolumen
