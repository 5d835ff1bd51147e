#include "host/host_options.h"

#include <charconv>

#include "platform/trace.h"

namespace geolumen::host {

// A run longer than a day is a typo, not a plan.
constexpr uint32_t kMaxRunMs = 24u * 60 * 60 * 1000;
// Each connection costs a descriptor and a slot of the poll set; more than this is beyond any use of one
// sensor and would only let a flood reach the process's descriptor limit.
constexpr uint32_t kMaxMaxClients = 1000;

const char* HostUsage() {
    return "usage: geolumen-host [--library PATH] [--usb sim|/dev/cdc-wdmN] [--removal orderly|surprise]\n"
           "                     [--run-ms N] [--instance ID] [--state-dir DIR] [--run-dir DIR] [--socket "
           "PATH]\n"
           "                     [--idle] [--trace LEVEL] [--max-clients N]\n"
           "Loads the driver library, runs one device on the chosen USB back end (the simulated module by\n"
           "default) until --run-ms has passed or SIGINT/SIGTERM arrives, then removes it and unloads.\n"
           "Sensor clients connect to <run-dir>/sensor.sock (or --socket); the run directory is --run-dir,\n"
           "else $GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen. --idle lets the\n"
           "device power down while no client holds it awake, which ends the module's session.\n"
           "--trace LEVEL writes the driver's trace lines and its \"Zorvic TX/RX\" lines to stderr;\n"
           "LEVEL is 0..5 or none, critical, error, warning, information, verbose.\n"
           "--max-clients N (1..1000, default 64) bounds the connections served at a time on the sensor\n"
           "socket and on each device interface; one more is answered \"too many clients\" (the device\n"
           "interface: a busy status) and closed. A sensor client has 5 s to connect.\n"
           "A device path must be a CDC WDM character device (class usbmisc);\n"
           "GEOLUMEN_HOST_ANY_DEVICE=1 lets another one stand for it (a pseudo-terminal in a test).\n";
}

std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                            const std::string& defaultLibrary, std::string* error) {
    HostOptions options;
    options.library = defaultLibrary;
    auto fail = [&](std::string text) -> std::optional<HostOptions> {
        if (error) *error = std::move(text);
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--idle") {
            options.idle = true;
            continue;
        }
        if (i + 1 >= args.size()) return fail(arg + " needs a value (or is unknown)");
        const std::string& value = args[++i];
        if (arg == "--library") {
            options.library = value;
        } else if (arg == "--usb") {
            if (value.empty()) return fail("--usb needs sim or a device path");
            options.usb = value;
        } else if (arg == "--removal") {
            if (value != "orderly" && value != "surprise") return fail("--removal takes orderly or surprise");
            options.surprise = value == "surprise";
        } else if (arg == "--run-ms") {
            uint32_t ms = 0;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (ec != std::errc() || end != value.data() + value.size() || ms > kMaxRunMs) {
                return fail("--run-ms takes a number of milliseconds up to " + std::to_string(kMaxRunMs));
            }
            options.runMs = ms;
        } else if (arg == "--instance") {
            if (value.empty() || value.size() >= 1024) return fail("--instance takes 1 to 1023 characters");
            options.instanceId = value;
        } else if (arg == "--state-dir") {
            options.stateDir = value;
        } else if (arg == "--run-dir" || arg == "--socket") {
            if (value.empty()) return fail(arg + " needs a path");
            (arg == "--run-dir" ? options.runDir : options.socket) = value;
        } else if (arg == "--max-clients") {
            uint32_t count = 0;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), count);
            if (ec != std::errc() || end != value.data() + value.size() || count < 1 ||
                count > kMaxMaxClients)
                return fail("--max-clients takes a number from 1 to " + std::to_string(kMaxMaxClients));
            options.maxClients = count;
        } else if (arg == "--trace") {
            options.trace = ParseTraceLevel(value);
            if (!options.trace)
                return fail("--trace takes 0..5 or none, critical, error, warning, information, verbose");
        } else {
            return fail("unknown option " + arg);
        }
    }
    return options;
}

}  // namespace geolumen::host
