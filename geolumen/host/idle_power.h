#pragma once
// The framework's idle power policy, for a user who lets the device save power: once nothing holds the
// device awake (its StopIdle count is 0) for the idle time-out the driver assigned, the device leaves
// D0; the next StopIdle brings it back. The driver's location session runs only in D0, so the module's
// session ends when the last sensor client has gone.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/driver_host.h"

namespace geolumen::host {

// Used when the driver assigned no idle settings.
inline constexpr std::chrono::milliseconds kDefaultIdleTimeout{100};

class IdlePower {
  public:
    explicit IdlePower(DriverHost& host);
    ~IdlePower();
    IdlePower(const IdlePower&) = delete;
    IdlePower& operator=(const IdlePower&) = delete;

    // Whether the driver's own idle settings enable idling (the host's --idle enables it regardless).
    [[nodiscard]] static bool EnabledByDriver(HostDevice& device);
    // Watches the started device's idle count from now on.
    void Start();
    // Stops watching; a device left in D3 is removed from there (no second D0 exit).
    void Stop();

  private:
    void Run();

    DriverHost& host_;
    ComPtr<HostDevice> device_;
    std::chrono::milliseconds timeout_ = kDefaultIdleTimeout;
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace geolumen::host
