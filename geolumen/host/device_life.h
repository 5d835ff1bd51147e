#pragma once
// The device's whole life in the host, from its first add to its last removal: the host plays the
// framework and the sensor service, and when the USB device is pulled it does what the platform does
// (the surprise-removal path, the hardware released, the sensor leaving its clients), then adds the
// device again as at the start when it returns.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "host/host_events.h"
#include "host/host_options.h"
#include "host/idle_power.h"
#include "host/sensor_server.h"
#include "host/usb_back_end.h"
#include "platform/driver_host.h"
#include "platform/interface_server.h"

namespace geolumen::host {

// How often the host looks for a pulled device's path while it is away: a client is to have data again
// within two seconds of the module's return, of which the session's start and first report take most;
// a stat() ten times a second, only while the device is away, costs nothing.
constexpr auto kReturnPollInterval = std::chrono::milliseconds(100);

class DeviceLife {
  public:
    // `backEnd` is open already; the library stays loaded while this object lives.
    DeviceLife(const DriverLibrary& library, const std::string& instanceId, BackEnds& backEnds,
               BackEnd& backEnd, HostEvents& events, const HostOptions& options);

    // Runs until a stop, the run time, or (with --exit-on-removal) a removal; the exit code.
    [[nodiscard]] int Run();

  private:
    // Everything after the device add: start, interfaces, the clients' file cleanup. False when the
    // device did not start.
    bool StartAdded();
    void StartIdle();
    // Waits for the end, removing and adding the device as it goes and comes; the exit code.
    int Serve();
    // The device has gone: what the platform does for a pulled device. True when the host is to exit.
    bool Pulled();
    // Removes the device and lets its back end go.
    void Remove(bool surprise);
    // Looks for the device's return and adds it as at the start; false while it is not back.
    bool Return();

    DriverHost host_;
    SensorServer clients_;
    IdlePower idle_;
    std::optional<HostInterfaceServer> interfaces_;
    BackEnds& backEnds_;
    BackEnd& backEnd_;
    HostEvents& events_;
    const HostOptions& options_;
    const std::filesystem::path runDir_;
    std::string lastProblem_;  // why the returned path was refused, said once
};

}  // namespace geolumen::host
