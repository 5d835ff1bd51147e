#pragma once
// The radio tool's command line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace geolumen::host {

enum class RadioCommand { kList, kGet, kSet, kSystem, kWatch };

struct RadioOptions {
    std::string library;  // path of libgeolumen.so
    std::string runDir;   // empty: found as the host finds it
    RadioCommand command = RadioCommand::kList;
    bool on = false;               // set and system: switch on (true) or off
    uint32_t timeoutSeconds = 10;  // how long a switch may take
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on a bad argument returns nullopt with `error` set.
[[nodiscard]] std::optional<RadioOptions> ParseRadioOptions(const std::vector<std::string>& args,
                                                            const std::string& defaultLibrary,
                                                            std::string* error);

[[nodiscard]] const char* RadioUsage();

}  // namespace geolumen::host
