#include "platform/trace.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <utility>

namespace geolumen {
namespace {

// The most characters of one trace message; longer ones are cut, as a fixed message buffer would.
constexpr std::size_t kTraceMessageMax = 1024;

struct TraceState {
    std::mutex mutex;
    bool registered = false;
    std::uint8_t level = TRACE_LEVEL_NONE;
    std::uint32_t flags = 0;
    TraceSink sink;
};

TraceState& Trace() {
    static TraceState state;
    return state;
}

struct DebugOutputState {
    std::mutex mutex;
    std::deque<std::string> lines;
    std::function<void(std::string_view)> listener;
};

DebugOutputState& Debug() {
    static DebugOutputState state;
    return state;
}

void WriteToStderr(const TraceRecord& r) {
    std::fprintf(stderr, "[%u %#x] %s:%d %s\n", r.level, r.flags, r.file, r.line, r.text.c_str());
}

}  // namespace

void RegisterTraceProvider() {
    std::lock_guard lock(Trace().mutex);
    Trace().registered = true;
}

void UnregisterTraceProvider() {
    std::lock_guard lock(Trace().mutex);
    Trace().registered = false;
}

void SetTraceSession(std::uint8_t level, std::uint32_t flags) {
    std::lock_guard lock(Trace().mutex);
    Trace().level = level;
    Trace().flags = flags;
}

bool TraceEnabled(std::uint8_t level, std::uint32_t flags) {
    std::lock_guard lock(Trace().mutex);
    const TraceState& t = Trace();
    return t.registered && level != TRACE_LEVEL_NONE && level <= t.level && (flags & t.flags) != 0;
}

TraceSink SetTraceSink(TraceSink sink) {
    std::lock_guard lock(Trace().mutex);
    return std::exchange(Trace().sink, std::move(sink));
}

void TraceMessage(std::uint8_t level, std::uint32_t flags, const char* file, int line, const char* format,
                  ...) {
    if (!TraceEnabled(level, flags)) return;
    char buf[kTraceMessageMax];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    TraceRecord record{level, flags, file, line, buf};
    TraceSink sink;
    {
        std::lock_guard lock(Trace().mutex);
        sink = Trace().sink;
    }
    // The sink runs outside the lock so it may trace or change settings itself.
    if (sink) {
        sink(record);
    } else {
        WriteToStderr(record);
    }
}

void OutputDebugStringA(const char* text) {
    if (!text) return;
    std::function<void(std::string_view)> listener;
    {
        std::lock_guard lock(Debug().mutex);
        auto& lines = Debug().lines;
        if (lines.size() == kDebugOutputCapacity) lines.pop_front();
        lines.emplace_back(text);
        listener = Debug().listener;
    }
    if (listener) listener(text);
}

std::vector<std::string> DebugOutputLines() {
    std::lock_guard lock(Debug().mutex);
    return {Debug().lines.begin(), Debug().lines.end()};
}

void ClearDebugOutput() {
    std::lock_guard lock(Debug().mutex);
    Debug().lines.clear();
}

std::function<void(std::string_view)> SetDebugOutputListener(std::function<void(std::string_view)> listener) {
    std::lock_guard lock(Debug().mutex);
    return std::exchange(Debug().listener, std::move(listener));
}

std::optional<std::uint8_t> ParseTraceLevel(std::string_view text) {
    static constexpr std::string_view kNames[] = {"none",    "critical",    "error",
                                                  "warning", "information", "verbose"};
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (text == kNames[i]) return static_cast<std::uint8_t>(i);
    }
    unsigned level = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
        level > TRACE_LEVEL_VERBOSE) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(level);
}

void ApplyTraceEnvironment() {
    const char* value = std::getenv(kTraceEnvironment);
    if (value == nullptr) return;
    const auto level = ParseTraceLevel(value);
    if (!level) {
        std::fprintf(stderr, "%s=%s is not a trace level (0..5 or none..verbose)\n", kTraceEnvironment,
                     value);
        return;
    }
    SetTraceSession(*level, TRACE_ALL);
    if (*level == TRACE_LEVEL_NONE) return;
    (void)SetDebugOutputListener([](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    });
}

}  // namespace geolumen
