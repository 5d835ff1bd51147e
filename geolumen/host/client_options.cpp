#include "host/client_options.h"

#include "host/command_line.h"

namespace geolumen::host {
namespace {

// A run longer than a day is a typo, not a plan.
constexpr uint32_t kMaxSeconds = 24u * 60 * 60;
// The sensor takes 0 (no wish of this client) or at least this many milliseconds.
constexpr uint32_t kMinIntervalMs = 1000;

const OptionRow<ClientOptions> kClientOptions[] = {
    {"--socket", "a path", [](ClientOptions& o, std::string_view v) { return StoreNonEmpty(o.socket, v); }},
    {"--run-dir", "a directory",
     [](ClientOptions& o, std::string_view v) { return StoreNonEmpty(o.runDir, v); }},
    {"--interval", "0, or 1000 and above",
     [](ClientOptions& o, std::string_view v) {
         uint32_t ms = 0;
         if (!ParseDecimal(v, ms) || (ms != 0 && ms < kMinIntervalMs)) return false;
         o.interval = ms;
         return true;
     }},
    {"--accuracy", "0 or 1",
     [](ClientOptions& o, std::string_view v) { return ParseInRange(v, 0u, 1u, o.accuracy); }},
    {"--nmea", "", SetSwitch<ClientOptions, &ClientOptions::nmea>},
    {"--count", "1 and above",
     [](ClientOptions& o, std::string_view v) { return ParseInRange(v, uint64_t{1}, UINT64_MAX, o.count); }},
    {"--seconds", "1 to 86400",
     [](ClientOptions& o, std::string_view v) { return ParseInRange(v, 1u, kMaxSeconds, o.seconds); }},
    {"--properties", "", SetSwitch<ClientOptions, &ClientOptions::properties>},
};

}  // namespace

const char* ClientUsage() {
    return "usage: geolumen-client [--socket PATH] [--run-dir DIR] [--interval MS] [--accuracy 0|1] "
           "[--nmea]\n"
           "                       [--count N] [--seconds S] [--properties] [--help] [--version]\n"
           "Connects to the sensor of a running geolumen-host, subscribes and prints each event as one JSON\n"
           "line until --count data events or --seconds have passed (without either: until the host ends).\n"
           "--properties prints the sensor's properties instead. The socket is --socket, else sensor.sock\n"
           "in --run-dir, $GEOLUMEN_RUN_DIR, $XDG_RUNTIME_DIR/geolumen or /run/geolumen.\n"
           "--interval is 0 (no wish) or 1000 ms and above; --nmea adds the NMEA sentences to each event.\n"
           "Options take their value as --name VALUE or --name=VALUE.\n";
}

std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& args, std::string* error) {
    ClientOptions options;
    if (!ParseCommandLine<ClientOptions>(kClientOptions, args, options, nullptr, error)) return std::nullopt;
    return options;
}

}  // namespace geolumen::host
