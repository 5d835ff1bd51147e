#pragma once
// The driver host's own lines: progress on stdout, errors on stderr, and its exit codes.
#include <string>

namespace geolumen::host {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 2,
    kExitLibrary = 3,
    kExitUsb = 4,
    kExitDevice = 5,
    kExitUnload = 6,
    kExitSocket = 7,
    kExitRemoved = 8,
    kExitState = 9,
};

// "geolumen-host: <line>" on stdout, flushed at once: tests and service logs follow it live.
void Say(const std::string& line);
// "geolumen-host: error: <message>" on stderr; returns `code`.
int Fail(int code, const std::string& message);

}  // namespace geolumen::host
