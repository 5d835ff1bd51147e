// The driver's trace provider and its debugger-output channel.
//
// Trace messages are filtered as an event-tracing session filters them: a message goes out only while the
// provider is registered, its level is at or below the session's level, and its flags share a bit with the
// session's flags. With no session (level 0) nothing is formatted. Enabled messages go to the sink, by
// default standard error.
//
// Debugger output ("Zorvic TX"/"Zorvic RX" lines and the like) is kept in a bounded in-memory log that
// tests and the host can read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace geolumen {

// Levels, from most to least severe; a session at level L receives levels 1..L.
enum TraceLevel : std::uint8_t {
    TRACE_LEVEL_NONE = 0,
    TRACE_LEVEL_CRITICAL = 1,
    TRACE_LEVEL_ERROR = 2,
    TRACE_LEVEL_WARNING = 3,
    TRACE_LEVEL_INFORMATION = 4,
    TRACE_LEVEL_VERBOSE = 5,
};

// One flag per area of the driver, so a session can follow one area.
enum TraceFlag : std::uint32_t {
    TRACE_DRIVER = 0x0001,    // module, driver and device objects
    TRACE_DEVICE = 0x0002,    // USB transport and power
    TRACE_QUEUE = 0x0004,     // queue and I/O controls
    TRACE_HALYX = 0x0008,     // message stack: transport, client layer, codec
    TRACE_LOCATION = 0x0010,  // location client, session worker, assistance data
    TRACE_SENSOR = 0x0020,    // sensor interface, data fields, events
    TRACE_RADIO = 0x0040,     // radio state and radio management
    TRACE_ALL = 0xFFFFFFFF,
};

// The provider's name as sessions know it.
inline constexpr std::string_view kTraceProviderName = "Sarnovy\\UMDF\\Dornave";

// One enabled trace message as handed to the sink.
struct TraceRecord {
    std::uint8_t level;
    std::uint32_t flags;
    const char* file;
    int line;
    std::string text;
};

using TraceSink = std::function<void(const TraceRecord&)>;

// Registers and unregisters the provider (module load and unload); messages outside are dropped.
void RegisterTraceProvider();
void UnregisterTraceProvider();
// Sets what the listening session asks for; level 0 stops tracing.
void SetTraceSession(std::uint8_t level, std::uint32_t flags);
// Whether a message of this level and flags would go out now.
[[nodiscard]] bool TraceEnabled(std::uint8_t level, std::uint32_t flags);
// Replaces the sink; an empty sink restores standard error. Returns the previous sink.
TraceSink SetTraceSink(TraceSink sink);
// Formats and hands out one message when enabled; use through GEOLUMEN_TRACE.
void TraceMessage(std::uint8_t level, std::uint32_t flags, const char* file, int line, const char* format,
                  ...) __attribute__((format(printf, 5, 6)));

#define GEOLUMEN_TRACE(level, flags, ...) \
    ::geolumen::TraceMessage((level), (flags), __FILE__, __LINE__, __VA_ARGS__)

// Reads a trace level: a number 0..5 or a level's name (none, critical, error, warning, information,
// verbose); nothing for anything else.
[[nodiscard]] std::optional<std::uint8_t> ParseTraceLevel(std::string_view text);

// The environment variable through which a host asks a loaded copy of the driver for its trace: the
// library is loaded with dlopen and has trace state of its own, out of the host's reach otherwise.
inline constexpr const char* kTraceEnvironment = "GEOLUMEN_TRACE_LEVEL";
// When GEOLUMEN_TRACE_LEVEL holds a level: a session at that level over every flag, and every debug-output
// entry
// ("Zorvic TX/RX" lines and the like) also written to standard error.
void ApplyTraceEnvironment();

// The most lines the debug-output log keeps; older lines are dropped first so a long run cannot grow it.
inline constexpr std::size_t kDebugOutputCapacity = 4096;

// Writes one piece of text to the debugger output (kept as one entry, usually a line ending in "\n").
void OutputDebugStringA(const char* text);
// The entries written since the last clear, oldest first.
[[nodiscard]] std::vector<std::string> DebugOutputLines();
// Empties the debug-output log.
void ClearDebugOutput();
// Also passes every entry to `listener` as it is written (empty = none); returns the previous listener.
std::function<void(std::string_view)> SetDebugOutputListener(std::function<void(std::string_view)> listener);

}  // namespace geolumen
