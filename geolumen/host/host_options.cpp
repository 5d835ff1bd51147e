#include "host/host_options.h"

#include "host/command_line.h"
#include "platform/trace.h"

namespace geolumen::host {
namespace {

// A run longer than a day is a typo, not a plan.
constexpr uint32_t kMaxRunMs = 24u * 60 * 60 * 1000;
// Each connection costs a descriptor and a slot of the poll set; more than this is beyond any use of one
// sensor and would only let a flood reach the process's descriptor limit.
constexpr size_t kMaxMaxClients = 1000;
// Instance ids are kept in fixed wide buffers of 1024 characters, terminator included.
constexpr size_t kMaxInstanceChars = 1023;

const OptionRow<HostOptions> kHostOptions[] = {
    {"--library", "a path", [](HostOptions& o, std::string_view v) { return StoreNonEmpty(o.library, v); }},
    {"--usb", "sim or a device path",
     [](HostOptions& o, std::string_view v) { return StoreNonEmpty(o.usb, v); }},
    {"--removal", "orderly or surprise",
     [](HostOptions& o, std::string_view v) {
         if (v != "orderly" && v != "surprise") return false;
         o.surprise = v == "surprise";
         return true;
     }},
    {"--run-ms", "0 to 86400000",
     [](HostOptions& o, std::string_view v) { return ParseInRange(v, 0u, kMaxRunMs, o.runMs); }},
    {"--instance", "1 to 1023 characters",
     [](HostOptions& o, std::string_view v) {
         if (v.size() > kMaxInstanceChars) return false;
         return StoreNonEmpty(o.instanceId, v);
     }},
    // Empty keeps the default store root.
    {"--state-dir", "a directory",
     [](HostOptions& o, std::string_view v) {
         o.stateDir = v;
         return true;
     }},
    {"--run-dir", "a directory",
     [](HostOptions& o, std::string_view v) { return StoreNonEmpty(o.runDir, v); }},
    {"--socket", "a path", [](HostOptions& o, std::string_view v) { return StoreNonEmpty(o.socket, v); }},
    {"--socket-group", "a group name",
     [](HostOptions& o, std::string_view v) { return StoreNonEmpty(o.socketGroup, v); }},
    {"--idle", "", SetSwitch<HostOptions, &HostOptions::idle>},
    {"--exit-on-removal", "", SetSwitch<HostOptions, &HostOptions::exitOnRemoval>},
    {"--max-clients", "a number from 1 to 1000",
     [](HostOptions& o, std::string_view v) {
         return ParseInRange(v, size_t{1}, kMaxMaxClients, o.maxClients);
     }},
    {"--trace", "0..5 or none, critical, error, warning, information, verbose",
     [](HostOptions& o, std::string_view v) {
         o.trace = ParseTraceLevel(v);
         return o.trace.has_value();
     }},
};

}  // namespace

const char* HostUsage() {
    return "usage: geolumen-host [--library PATH] [--usb sim|/dev/cdc-wdmN] [--removal orderly|surprise]\n"
           "                     [--run-ms N] [--instance ID] [--state-dir DIR] [--run-dir DIR] [--socket "
           "PATH]\n"
           "                     [--idle] [--exit-on-removal] [--max-clients N] [--socket-group NAME]\n"
           "                     [--trace LEVEL] [--help] [--version]\n"
           "Loads the driver library, runs one device on the chosen USB back end (the simulated module by\n"
           "default) until --run-ms has passed or SIGINT, SIGTERM or SIGHUP arrives, then removes it and\n"
           "unloads.\n"
           "Sensor clients connect to <run-dir>/sensor.sock (or --socket); the run directory is --run-dir,\n"
           "else $GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen. --idle lets the\n"
           "device power down while no client holds it awake, which ends the module's session.\n"
           "When the device is pulled, the host removes it as the platform would and adds it again once\n"
           "its path is back (the simulated module: kill -USR1 pulls it, kill -USR2 returns it);\n"
           "--exit-on-removal exits with status 8 instead, for a service manager that restarts the host.\n"
           "--socket-group NAME gives the run directory (0750) and the sockets (0660) to the group NAME,\n"
           "so that its members may read fixes and switch the radio.\n"
           "--trace LEVEL writes the driver's trace lines and its \"Zorvic TX/RX\" lines to stderr;\n"
           "LEVEL is 0..5 or none, critical, error, warning, information, verbose.\n"
           "--max-clients N (1..1000, default 64) bounds the connections served at a time on the sensor\n"
           "socket and on each device interface; one more is answered \"too many clients\" (the device\n"
           "interface: a busy status) and closed. A sensor client has 5 s to connect.\n"
           "A device path must be a CDC WDM character device (class usbmisc);\n"
           "GEOLUMEN_HOST_ANY_DEVICE=1 lets another one stand for it (a pseudo-terminal in a test).\n"
           "Options take their value as --name VALUE or --name=VALUE.\n";
}

std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                            const std::string& defaultLibrary, std::string* error) {
    HostOptions options;
    options.library = defaultLibrary;
    if (!ParseCommandLine<HostOptions>(kHostOptions, args, options, nullptr, error)) return std::nullopt;
    return options;
}

}  // namespace geolumen::host
