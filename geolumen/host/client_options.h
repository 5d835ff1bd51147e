#pragma once
// geolumen-client's command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace geolumen::host {

struct ClientOptions {
    std::string socket;                // empty: sensor.sock in the run directory
    std::string runDir;                // empty: found as host/run_dir.h says
    std::optional<uint32_t> interval;  // report interval to ask for, ms
    std::optional<uint32_t> accuracy;  // 0 default, 1 high
    bool nmea = false;                 // ask for NMEA sentences
    std::optional<uint64_t> count;     // exit after this many data events
    std::optional<uint32_t> seconds;   // exit after this long
    bool properties = false;           // print the properties and exit
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on a bad argument returns nullopt with `error` set.
[[nodiscard]] std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& args,
                                                              std::string* error);
[[nodiscard]] const char* ClientUsage();

}  // namespace geolumen::host
