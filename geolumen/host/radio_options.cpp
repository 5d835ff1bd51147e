#include "host/radio_options.h"

#include <charconv>

namespace geolumen::host {

// A switch that takes longer than an hour is not coming.
constexpr uint32_t kMaxTimeoutSeconds = 3600;

const char* RadioUsage() {
    return "usage: geolumen-radio [--run-dir DIR] [--timeout S] [--library PATH] COMMAND\n"
           "commands:\n"
           "  list             the radios and their states\n"
           "  get              the GNSS radio's state and previous state\n"
           "  set on|off       switch the GNSS radio as the user does\n"
           "  system on|off    pass the system-wide radio switch\n"
           "  watch            print every radio change until Ctrl-C\n"
           "Talks to a running geolumen-host through its device interface in the run directory\n"
           "(--run-dir, else GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen).\n";
}

std::optional<RadioOptions> ParseRadioOptions(const std::vector<std::string>& args,
                                              const std::string& defaultLibrary, std::string* error) {
    RadioOptions options;
    options.library = defaultLibrary;
    auto fail = [&](std::string text) -> std::optional<RadioOptions> {
        if (error) *error = std::move(text);
        return std::nullopt;
    };
    std::vector<std::string> words;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            words.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) return fail(arg + " needs a value (or is unknown)");
        const std::string& value = args[++i];
        if (arg == "--library") {
            options.library = value;
        } else if (arg == "--run-dir") {
            if (value.empty()) return fail("--run-dir needs a directory");
            options.runDir = value;
        } else if (arg == "--timeout") {
            uint32_t seconds = 0;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
            if (ec != std::errc() || end != value.data() + value.size() || seconds > kMaxTimeoutSeconds) {
                return fail("--timeout takes a number of seconds up to " +
                            std::to_string(kMaxTimeoutSeconds));
            }
            options.timeoutSeconds = seconds;
        } else {
            return fail("unknown option " + arg);
        }
    }
    if (options.help) return options;
    if (words.empty()) return fail("a command is needed");
    const std::string& command = words[0];
    const size_t arguments = words.size() - 1;
    if (command == "list" || command == "get" || command == "watch") {
        if (arguments != 0) return fail(command + " takes no argument");
        options.command = command == "list"  ? RadioCommand::kList
                          : command == "get" ? RadioCommand::kGet
                                             : RadioCommand::kWatch;
        return options;
    }
    if (command == "set" || command == "system") {
        if (arguments != 1 || (words[1] != "on" && words[1] != "off"))
            return fail(command + " takes on or off");
        options.command = command == "set" ? RadioCommand::kSet : RadioCommand::kSystem;
        options.on = words[1] == "on";
        return options;
    }
    return fail("unknown command " + command);
}

}  // namespace geolumen::host
