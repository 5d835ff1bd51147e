#pragma once
// The module's lock count: every live object of the library and every LockServer holds one, so the
// host unloads the library only when no code of it can still run.

#include <atomic>
#include <cstdint>

namespace geolumen {

class ModuleLock {
  public:
    ModuleLock() { Count().fetch_add(1, std::memory_order_relaxed); }
    ~ModuleLock() { Count().fetch_sub(1, std::memory_order_acq_rel); }
    ModuleLock(const ModuleLock&) : ModuleLock() {}
    ModuleLock& operator=(const ModuleLock&) { return *this; }

    static void Lock() { Count().fetch_add(1, std::memory_order_relaxed); }
    static void Unlock() { Count().fetch_sub(1, std::memory_order_acq_rel); }
    [[nodiscard]] static int32_t Current() { return Count().load(std::memory_order_acquire); }

  private:
    static std::atomic<int32_t>& Count() {
        static std::atomic<int32_t> count{0};
        return count;
    }
};

}  // namespace geolumen
