#include "host/client_options.h"

#include <charconv>

namespace geolumen::host {
namespace {

// A run longer than a day is a typo, not a plan.
constexpr uint32_t kMaxSeconds = 24u * 60 * 60;

template <class Number>
bool ParseNumber(const std::string& text, Number& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

const char* ClientUsage() {
    return "usage: geolumen-client [--socket PATH] [--run-dir DIR] [--interval MS] [--accuracy 0|1] "
           "[--nmea]\n"
           "                       [--count N] [--seconds S] [--properties]\n"
           "Connects to the sensor of a running geolumen-host, subscribes and prints each event as one JSON\n"
           "line until --count data events or --seconds have passed (without either: until the host ends).\n"
           "--properties prints the sensor's properties instead. The socket is --socket, else sensor.sock\n"
           "in --run-dir, $GEOLUMEN_RUN_DIR, $XDG_RUNTIME_DIR/geolumen or /run/geolumen.\n";
}

std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& args, std::string* error) {
    ClientOptions options;
    auto fail = [&](std::string text) -> std::optional<ClientOptions> {
        if (error) *error = std::move(text);
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--nmea") {
            options.nmea = true;
            continue;
        }
        if (arg == "--properties") {
            options.properties = true;
            continue;
        }
        if (i + 1 >= args.size()) return fail(arg + " needs a value (or is unknown)");
        const std::string& value = args[++i];
        if (arg == "--socket" || arg == "--run-dir") {
            if (value.empty()) return fail(arg + " needs a path");
            (arg == "--socket" ? options.socket : options.runDir) = value;
        } else if (arg == "--interval") {
            uint32_t ms = 0;
            if (!ParseNumber(value, ms)) return fail("--interval takes a number of milliseconds");
            options.interval = ms;
        } else if (arg == "--accuracy") {
            if (value != "0" && value != "1") return fail("--accuracy takes 0 or 1");
            options.accuracy = value == "1" ? 1u : 0u;
        } else if (arg == "--count") {
            uint64_t count = 0;
            if (!ParseNumber(value, count) || count == 0) return fail("--count takes a number above 0");
            options.count = count;
        } else if (arg == "--seconds") {
            uint32_t seconds = 0;
            if (!ParseNumber(value, seconds) || seconds == 0 || seconds > kMaxSeconds) {
                return fail("--seconds takes 1 to " + std::to_string(kMaxSeconds));
            }
            options.seconds = seconds;
        } else {
            return fail("unknown option " + arg);
        }
    }
    return options;
}

}  // namespace geolumen::host
