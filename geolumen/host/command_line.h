// The start every program of the host folder shares: the command line parsed, a bad one answered with
// its error and the usage on stderr (exit 2), --help with the usage (exit 0).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace geolumen::host {

inline constexpr int kCommandLineUsageExit = 2;

// The options to run with, or nothing with `*exitCode` set when the program ends here. `helpStream` is
// where --help prints (the client keeps stdout for its JSON lines).
template <class Options>
[[nodiscard]] std::optional<Options> CommandLineOrExit(const char* program, std::optional<Options> parsed,
                                                       const std::string& error, const char* usage,
                                                       int* exitCode, std::FILE* helpStream = stdout) {
    if (!parsed) {
        std::fprintf(stderr, "%s: error: %s\n%s", program, error.c_str(), usage);
        *exitCode = kCommandLineUsageExit;
        return std::nullopt;
    }
    if (parsed->help) {
        std::fputs(usage, helpStream);
        *exitCode = 0;
        return std::nullopt;
    }
    return parsed;
}

}  // namespace geolumen::host
