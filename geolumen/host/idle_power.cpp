#include "host/idle_power.h"

namespace geolumen::host {

IdlePower::IdlePower(DriverHost& host) : host_(host) {}

IdlePower::~IdlePower() { Stop(); }

bool IdlePower::EnabledByDriver(HostDevice& device) {
    WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS settings{};
    return device.IdleSettingsAssigned(&settings) && settings.Enabled == 1;
}

void IdlePower::Start() {
    if (thread_.joinable()) return;
    device_ = host_.Device();
    if (!device_) return;
    WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS settings{};
    if (device_->IdleSettingsAssigned(&settings) && settings.IdleTimeout > 0) {
        timeout_ = std::chrono::milliseconds(settings.IdleTimeout);
    }
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        count_ = device_->StopIdleCount();
    }
    device_->SetIdleListener([this](int count) {
        {
            std::lock_guard lock(mutex_);
            count_ = count;
        }
        changed_.notify_all();
    });
    thread_ = std::thread([this] { Run(); });
}

void IdlePower::Stop() {
    if (!thread_.joinable()) return;
    device_->SetIdleListener(nullptr);
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
    device_.Reset();
}

void IdlePower::Run() {
    std::unique_lock lock(mutex_);
    // Only this thread moves the device between D0 and D3 while it runs.
    bool inD0 = host_.InD0();
    while (!stop_) {
        if (count_ == 0 && inD0) {
            // Idle for the whole time-out, not just at one moment.
            if (changed_.wait_for(lock, timeout_, [&] { return stop_ || count_ > 0; })) continue;
            lock.unlock();
            (void)host_.PowerDown();
            lock.lock();
            inD0 = host_.InD0();
        } else if (count_ > 0 && !inD0) {
            const int asked = count_;
            lock.unlock();
            (void)host_.PowerUp();
            lock.lock();
            inD0 = host_.InD0();
            // A device that would not wake is tried again at the next request, not in a loop.
            if (!inD0) changed_.wait(lock, [&] { return stop_ || count_ != asked; });
        } else {
            changed_.wait(lock, [&] { return stop_ || (count_ == 0) == inD0; });
        }
    }
}

}  // namespace geolumen::host
