// The command lines of the three programs through their one parser: both value forms, the built-in
// --help and --version, unknown options named as such, and refusals that say what an option takes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/client_options.h"
#include "host/host_options.h"
#include "host/radio_options.h"

namespace geolumen::host {
namespace {

enum class Tool { kClient, kRadio, kHost };

// What a parse gave, as "error: ..." or the options that differ from their defaults.
std::string Outcome(Tool tool, const std::vector<std::string>& args) {
    std::string error;
    std::ostringstream out;
    auto flags = [&](bool help, bool version) {
        if (help) out << " help";
        if (version) out << " version";
    };
    switch (tool) {
        case Tool::kClient: {
            const auto o = ParseClientOptions(args, &error);
            if (!o) return "error: " + error;
            if (!o->socket.empty()) out << " socket=" << o->socket;
            if (!o->runDir.empty()) out << " run-dir=" << o->runDir;
            if (o->interval) out << " interval=" << *o->interval;
            if (o->accuracy) out << " accuracy=" << *o->accuracy;
            if (o->nmea) out << " nmea";
            if (o->count) out << " count=" << *o->count;
            if (o->seconds) out << " seconds=" << *o->seconds;
            if (o->properties) out << " properties";
            flags(o->help, o->version);
            break;
        }
        case Tool::kRadio: {
            const auto o = ParseRadioOptions(args, "lib.so", &error);
            if (!o) return "error: " + error;
            if (o->library != "lib.so") out << " library=" << o->library;
            if (!o->runDir.empty()) out << " run-dir=" << o->runDir;
            if (o->timeoutSeconds != 10) out << " timeout=" << o->timeoutSeconds;
            if (!o->help && !o->version) {
                out << " command=" << static_cast<int>(o->command) << (o->on ? " on" : "");
            }
            flags(o->help, o->version);
            break;
        }
        case Tool::kHost: {
            const auto o = ParseHostOptions(args, "lib.so", &error);
            if (!o) return "error: " + error;
            if (o->library != "lib.so") out << " library=" << o->library;
            if (o->usb != "sim") out << " usb=" << o->usb;
            if (o->surprise) out << " surprise";
            if (o->runMs) out << " run-ms=" << *o->runMs;
            if (!o->instanceId.empty()) out << " instance=" << o->instanceId;
            if (!o->stateDir.empty()) out << " state-dir=" << o->stateDir;
            if (!o->runDir.empty()) out << " run-dir=" << o->runDir;
            if (!o->socket.empty()) out << " socket=" << o->socket;
            if (o->idle) out << " idle";
            if (o->trace) out << " trace=" << static_cast<int>(*o->trace);
            flags(o->help, o->version);
            break;
        }
    }
    return out.str().empty() ? "defaults" : out.str().substr(1);
}

TEST(CommandLine, EveryToolEveryForm) {
    const Tool C = Tool::kClient, R = Tool::kRadio, H = Tool::kHost;
    struct Row {
        Tool tool;
        std::vector<std::string> args;
        std::string outcome;
    };
    const Row rows[] = {
        // Both value forms, and the value taken whole after the first "=".
        {C, {"--interval", "2000", "--accuracy=1"}, "interval=2000 accuracy=1"},
        {C, {"--socket=/r/a=b.sock"}, "socket=/r/a=b.sock"},
        {C, {"--interval=0", "--count=3", "--seconds", "86400"}, "interval=0 count=3 seconds=86400"},
        {C, {"--nmea", "--properties", "--run-dir", "/r"}, "run-dir=/r nmea properties"},
        {C, {}, "defaults"},
        {C, {"--help"}, "help"},
        {C, {"-h"}, "help"},
        {C, {"--version"}, "version"},
        // Refusals say the valid range.
        {C, {"--interval", "500"}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--interval=999"}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--interval", "-1"}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--interval", "+2000"}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--interval", "4294967296"}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--interval", "2s"}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--interval"}, "error: --interval needs a value: 0, or 1000 and above"},
        {C, {"--interval="}, "error: --interval takes 0, or 1000 and above"},
        {C, {"--accuracy", "2"}, "error: --accuracy takes 0 or 1"},
        {C, {"--count", "0"}, "error: --count takes 1 and above"},
        {C, {"--seconds", "86401"}, "error: --seconds takes 1 to 86400"},
        {C, {"--socket", ""}, "error: --socket takes a path"},
        {C, {"--nmea=1"}, "error: --nmea takes no value"},
        {C, {"--help=yes"}, "error: --help takes no value"},
        // Unknown options are named as unknown, with or without a value.
        {C, {"--x"}, "error: unknown option --x"},
        {C, {"--frobnicate", "1"}, "error: unknown option --frobnicate"},
        {C, {"--frobnicate=1"}, "error: unknown option --frobnicate"},
        {C, {"-x"}, "error: unknown option -x"},
        {C, {"stray"}, "error: unexpected argument stray"},
        // The radio tool: options around its command words.
        {R, {"--timeout", "0", "set", "off"}, "timeout=0 command=2"},
        {R, {"set", "--timeout=3600", "on"}, "timeout=3600 command=2 on"},
        {R, {"--run-dir=/r", "--library", "x.so", "get"}, "library=x.so run-dir=/r command=1"},
        {R, {"--", "list"}, "command=0"},
        {R, {"--version"}, "version"},
        {R, {"--help"}, "help"},
        {R, {"--timeout", "3601", "get"}, "error: --timeout takes 0 to 3600 seconds"},
        {R, {"--timeout=-1", "get"}, "error: --timeout takes 0 to 3600 seconds"},
        {R, {"--timeout"}, "error: --timeout needs a value: 0 to 3600 seconds"},
        {R, {"--loud", "get"}, "error: unknown option --loud"},
        {R, {}, "error: a command is needed"},
        {R, {"toggle"}, "error: unknown command toggle"},
        {R, {"set", "up"}, "error: set takes on or off"},
        // The host.
        {H,
         {"--usb=/dev/cdc-wdm0", "--removal", "surprise", "--run-ms=250", "--idle", "--trace=verbose"},
         "usb=/dev/cdc-wdm0 surprise run-ms=250 idle trace=5"},
        {H,
         {"--instance", "USB\\A", "--state-dir=/s", "--run-dir", "/r", "--socket=/s.sock"},
         "instance=USB\\A state-dir=/s run-dir=/r socket=/s.sock"},
        {H, {"--version"}, "version"},
        {H, {"--removal", "sideways"}, "error: --removal takes orderly or surprise"},
        {H, {"--run-ms", "86400001"}, "error: --run-ms takes 0 to 86400000"},
        {H, {"--instance", std::string(1024, 'a')}, "error: --instance takes 1 to 1023 characters"},
        {H, {"--instance="}, "error: --instance takes 1 to 1023 characters"},
        {H,
         {"--trace", "loud"},
         "error: --trace takes 0..5 or none, critical, error, warning, information, verbose"},
        {H, {"--idle=yes"}, "error: --idle takes no value"},
        {H, {"--usb"}, "error: --usb needs a value: sim or a device path"},
        {H, {"--max-frobs", "3"}, "error: unknown option --max-frobs"},
    };
    for (const Row& row : rows) {
        std::string legend;
        for (const auto& arg : row.args) legend += arg + " ";
        EXPECT_EQ(Outcome(row.tool, row.args), row.outcome)
            << "tool " << static_cast<int>(row.tool) << ": " << legend;
    }
}

}  // namespace
}  // namespace geolumen::host
