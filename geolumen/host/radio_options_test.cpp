#include "host/radio_options.h"

#include <gtest/gtest.h>

namespace geolumen::host {
namespace {

TEST(RadioOptions, CommandsAndOptions) {
    struct Row {
        std::vector<std::string> args;
        RadioCommand command;
        bool on;
        uint32_t timeout;
        std::string runDir;
    };
    const Row rows[] = {
        {{"list"}, RadioCommand::kList, false, 10, ""},
        {{"get", "--run-dir", "/tmp/r"}, RadioCommand::kGet, false, 10, "/tmp/r"},
        {{"--timeout", "0", "set", "off"}, RadioCommand::kSet, false, 0, ""},
        {{"set", "on", "--timeout", "3600"}, RadioCommand::kSet, true, 3600, ""},
        {{"system", "off"}, RadioCommand::kSystem, false, 10, ""},
        {{"watch"}, RadioCommand::kWatch, false, 10, ""},
    };
    for (const Row& row : rows) {
        std::string error;
        const auto options = ParseRadioOptions(row.args, "lib.so", &error);
        ASSERT_TRUE(options) << row.args[0] << ": " << error;
        EXPECT_EQ(options->command, row.command) << row.args[0];
        EXPECT_EQ(options->on, row.on) << row.args[0];
        EXPECT_EQ(options->timeoutSeconds, row.timeout) << row.args[0];
        EXPECT_EQ(options->runDir, row.runDir) << row.args[0];
        EXPECT_EQ(options->library, "lib.so");
    }
}

TEST(RadioOptions, Refusals) {
    struct Row {
        std::vector<std::string> args;
        const char* error;
    };
    const Row rows[] = {
        {{}, "a command is needed"},
        {{"set"}, "set takes on or off"},
        {{"set", "maybe"}, "set takes on or off"},
        {{"system", "on", "off"}, "system takes on or off"},
        {{"get", "now"}, "get takes no argument"},
        {{"switch"}, "unknown command switch"},
        {{"list", "--timeout", "-1"}, "--timeout takes a number of seconds up to 3600"},
        {{"list", "--timeout", "3601"}, "--timeout takes a number of seconds up to 3600"},
        {{"list", "--run-dir", ""}, "--run-dir needs a directory"},
        {{"list", "--timeout"}, "--timeout needs a value (or is unknown)"},
        {{"list", "--colour", "red"}, "unknown option --colour"},
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_FALSE(ParseRadioOptions(row.args, "lib.so", &error)) << row.error;
        EXPECT_EQ(error, row.error);
    }
}

}  // namespace
}  // namespace geolumen::host
