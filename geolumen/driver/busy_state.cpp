#include "driver/busy_state.h"

namespace geolumen {

HRESULT BusyState::Enter(uint64_t bits) {
    std::lock_guard lock(mutex_);
    for (int bit = 1; bit < kKinds; ++bit) {
        if (bits & (uint64_t{1} << bit)) {
            ++running_[bit];
            ++total_;
        }
    }
    return shutdown_ ? kShutdownInProgress : S_OK;
}

void BusyState::Leave(uint64_t bits) {
    std::lock_guard lock(mutex_);
    for (int bit = 1; bit < kKinds; ++bit) {
        // A leave without its enter must not wrap a counter and block shutdown for ever.
        if ((bits & (uint64_t{1} << bit)) && running_[bit] > 0) {
            --running_[bit];
            --total_;
        }
    }
    if (total_ == 0) idle_.notify_all();
}

void BusyState::BeginShutdown() {
    std::unique_lock lock(mutex_);
    shutdown_ = true;
    idle_.wait(lock, [this] { return total_ == 0; });
}

void BusyState::ClearShutdown() {
    std::lock_guard lock(mutex_);
    shutdown_ = false;
}

uint64_t BusyState::Word() const {
    std::lock_guard lock(mutex_);
    uint64_t word = shutdown_ ? uint64_t{kBusyShutdown} : 0;
    for (int bit = 1; bit < kKinds; ++bit) {
        if (running_[bit] > 0) word |= uint64_t{1} << bit;
    }
    return word;
}

}  // namespace geolumen
