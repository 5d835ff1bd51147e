// The command line every program of the host folder shares. A program's options are rows of one table:
// the name, what the option takes (empty for a switch) and a check that stores a good value. One parser
// walks the table for all of them, so every program reads "--name=value" and "--name value" alike,
// knows --help and --version, names an unknown option as unknown and, on a refused value, says what the
// option takes. A new option is a new row.
#pragma once

#include <charconv>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#ifndef GEOLUMEN_VERSION
#define GEOLUMEN_VERSION "unknown"
#endif

namespace geolumen::host {

inline constexpr int kCommandLineUsageExit = 2;

template <class Options>
struct OptionRow {
    std::string_view name;  // "--interval"
    // What the option takes, worded for "--interval takes 0, or 1000 and above"; empty for a switch.
    std::string_view takes;
    // Checks the value (empty for a switch) and stores it; false refuses it.
    bool (*apply)(Options& options, std::string_view value);
};

// A whole decimal number of the type: no sign, no blanks, no trailing text, within the type's range.
template <class Number>
[[nodiscard]] bool ParseDecimal(std::string_view text, Number& value) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The stored value of a number option that must lie in [low, high]; `out` is the number or an optional.
template <class Number, class Target>
[[nodiscard]] bool ParseInRange(std::string_view text, Number low, Number high, Target& out) {
    Number value{};
    if (!ParseDecimal(text, value) || value < low || value > high) return false;
    out = value;
    return true;
}

// The apply step of a switch: sets its flag.
template <class Options, bool Options::*flag>
bool SetSwitch(Options& options, std::string_view) {
    options.*flag = true;
    return true;
}

// The stored value of a path or name option, which must not be empty.
[[nodiscard]] inline bool StoreNonEmpty(std::string& target, std::string_view value) {
    if (value.empty()) return false;
    target = value;
    return true;
}

// Parses `args` (argv[1..]) into `options`, which holds the defaults on entry and must have `help` and
// `version` flags. Words that are not options go to `operands`; without `operands` they are refused.
// "--" makes every later word an operand. On a refusal returns false with `error` set.
template <class Options>
[[nodiscard]] bool ParseCommandLine(std::span<const OptionRow<Options>> rows,
                                    const std::vector<std::string>& args, Options& options,
                                    std::vector<std::string>* operands, std::string* error) {
    auto fail = [&](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!operands) return fail("unexpected argument " + std::string(arg));
            operands->emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
                name = arg.substr(0, equals);
                inlineValue = arg.substr(equals + 1);
            }
        }
        if (name == "--help" || name == "-h" || name == "--version") {
            if (inlineValue) return fail(std::string(name) + " takes no value");
            (name == "--version" ? options.version : options.help) = true;
            continue;
        }
        const OptionRow<Options>* row = nullptr;
        for (const auto& candidate : rows) {
            if (candidate.name == name) row = &candidate;
        }
        if (!row) return fail("unknown option " + std::string(name));
        const std::string named(name);
        if (row->takes.empty()) {
            if (inlineValue) return fail(named + " takes no value");
            if (!row->apply(options, {})) return fail(named + " is refused");
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) return fail(named + " needs a value: " + std::string(row->takes));
            inlineValue = args[++i];
        }
        if (!row->apply(options, *inlineValue)) return fail(named + " takes " + std::string(row->takes));
    }
    return true;
}

// The options to run with, or nothing with `*exitCode` set when the program ends here: a bad command
// line prints its error and the usage on stderr (exit 2); --help prints the usage and --version the
// program's name and version on stdout (exit 0).
template <class Options>
[[nodiscard]] std::optional<Options> CommandLineOrExit(const char* program, std::optional<Options> parsed,
                                                       const std::string& error, const char* usage,
                                                       int* exitCode) {
    if (!parsed) {
        std::fprintf(stderr, "%s: error: %s\n%s", program, error.c_str(), usage);
        *exitCode = kCommandLineUsageExit;
        return std::nullopt;
    }
    if (parsed->help || parsed->version) {
        if (parsed->help) {
            std::fputs(usage, stdout);
        } else {
            std::printf("%s %s\n", program, GEOLUMEN_VERSION);
        }
        *exitCode = std::fflush(stdout) == 0 ? 0 : 1;
        return std::nullopt;
    }
    return parsed;
}

}  // namespace geolumen::host
