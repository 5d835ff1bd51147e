#include "host/radio_options.h"

#include "host/command_line.h"

namespace geolumen::host {
namespace {

// A switch that takes longer than an hour is not coming.
constexpr uint32_t kMaxTimeoutSeconds = 3600;

const OptionRow<RadioOptions> kRadioOptions[] = {
    {"--library", "a path", [](RadioOptions& o, std::string_view v) { return StoreNonEmpty(o.library, v); }},
    {"--run-dir", "a directory",
     [](RadioOptions& o, std::string_view v) { return StoreNonEmpty(o.runDir, v); }},
    {"--timeout", "0 to 3600 seconds",
     [](RadioOptions& o, std::string_view v) {
         return ParseInRange(v, 0u, kMaxTimeoutSeconds, o.timeoutSeconds);
     }},
};

}  // namespace

const char* RadioUsage() {
    return "usage: geolumen-radio [--run-dir DIR] [--timeout S] [--library PATH] [--help] [--version] "
           "COMMAND\n"
           "commands:\n"
           "  list             the radios and their states\n"
           "  get              the GNSS radio's state and previous state\n"
           "  set on|off       switch the GNSS radio as the user does\n"
           "  system on|off    pass the system-wide radio switch\n"
           "  watch            print every radio change until Ctrl-C\n"
           "Talks to a running geolumen-host through its device interface in the run directory\n"
           "(--run-dir, else GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen).\n"
           "A switch that outlasts --timeout (0 to 3600 s, default 10) is reported, and the tool still\n"
           "waits for it to be carried out before it ends.\n";
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
    if (!ParseCommandLine<RadioOptions>(kRadioOptions, args, options, &words, error)) return std::nullopt;
    if (options.help || options.version) return options;
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
