#pragma once
// SIGINT, SIGTERM and SIGHUP end the host and the radio tool's watch. They are blocked in every thread (the
// mask is set before the first thread starts and inherited) and taken synchronously by the main thread, so
// no handler runs at all.
#include <signal.h>

#include <cstdint>
#include <optional>

namespace geolumen::host {

[[nodiscard]] sigset_t StopSignals();

// Blocks both in the calling thread and in every thread it starts afterwards.
void BlockStopSignals();

// Waits for a stop signal, at most `ms` milliseconds (none: without limit); true when one came.
bool WaitForStop(std::optional<uint32_t> ms);

}  // namespace geolumen::host
