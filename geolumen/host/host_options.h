#pragma once
// The driver host's command line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace geolumen::host {

struct HostOptions {
    std::string library;            // path of libgeolumen.so
    std::string usb = "sim";        // "sim" or the path of a CDC WDM character device
    bool surprise = false;          // surprise removal instead of an orderly one
    std::optional<uint32_t> runMs;  // run time before removal; none: until SIGINT or SIGTERM
    std::string instanceId;         // empty: derived from the back end
    std::string stateDir;           // empty: the default store root
    std::string runDir;             // empty: found as host/run_dir.h says
    std::string socket;             // empty: sensor.sock in the run directory
    std::string socketGroup;        // empty: the host's own group keeps the run directory and sockets
    bool idle = false;              // let the device leave D0 while no client holds it awake
    bool exitOnRemoval = false;     // exit non-zero when the device is pulled, instead of awaiting it
    std::optional<uint8_t> trace;   // trace level of the driver's lines on standard error; none: off
    size_t maxClients = 64;         // connections served at a time on the sensor socket and on each interface
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on a bad argument returns nullopt with `error` set.
[[nodiscard]] std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                                          const std::string& defaultLibrary,
                                                          std::string* error);

[[nodiscard]] const char* HostUsage();

}  // namespace geolumen::host
