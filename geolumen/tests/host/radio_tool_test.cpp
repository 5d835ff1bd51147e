// The radio tool as a program, against a fake driver published on the channel: what it prints, what it
// sends, and its exit code for each outcome.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "radio_test_support.h"

namespace geolumen::testing {
namespace {

struct ToolRun {
    int exitCode;
    std::string output;  // stdout and stderr together
};

class RadioToolTest : public RadioChannelTest {
  protected:
    ToolRun Run(const std::string& arguments) {
        const std::string out = (runDir_.Path() / "tool.out").string();
        const std::string command = std::string(GEOLUMEN_RADIO_PATH) + " --run-dir " +
                                    runDir_.Path().string() + " " + arguments + " > " + out + " 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream file(out);
        std::stringstream text;
        text << file.rdbuf();
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
    }
};

TEST_F(RadioToolTest, OutcomesAndTheirExitCodes) {
    FakeRadioDriver driver(runDir_.Path());
    struct Row {
        const char* legend;
        uint32_t current, previous;
        std::string arguments;
        int exitCode;
        std::string printed;
        std::vector<std::string> controls;
    };
    const Row rows[] = {
        {"get", 0, 1, "get", 0, "GNSS radio: on; previous: off", {"G6008", "G600C"}},
        {"list", 1, 1, "list", 0, "GNSS (DornaveLocation): off", {"G6008"}},
        {"user switch-off", 0, 0, "set off", 0, "GNSS radio off", {"G6008", "G6008", "S A000=1", "S A004=1"}},
        {"already on", 0, 0, "set on", 0, "GNSS radio on", {"G6008", "G6008"}},
        {"not controllable",
         4,
         0,
         "set on",
         5,
         "error: the switch was refused: the radio is not controllable",
         {"G6008", "G6008"}},
        {"system enable after a user switch-off",
         1,
         1,
         "system on",
         0,
         "GNSS radio: off",
         {"G6008", "G600C", "G6008"}},
        {"system disable",
         0,
         0,
         "system off",
         0,
         "system radio switch passed",
         {"G6008", "G600C", "S A000=1", "G6008"}},
        {"unknown command", 0, 0, "toggle", 2, "error: unknown command toggle", {}},
    };
    for (const Row& row : rows) {
        driver.SetStates(row.current, row.previous);
        driver.ClearControls();
        const ToolRun run = Run(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.legend << "\n" << run.output;
        EXPECT_NE(run.output.find(row.printed), std::string::npos) << row.legend << "\n" << run.output;
        EXPECT_EQ(driver.Controls(), row.controls) << row.legend;
    }
}

// The switch outlasts the tool's time-out at the driver's gate: the tool reports the time-out, stays
// until the switch is carried out, and the driver ends with the radio off.
TEST_F(RadioToolTest, SwitchThatOutlastsItsTimeOut) {
    FakeRadioDriver driver(runDir_.Path());
    driver.CloseGate();
    ToolRun run{};
    std::thread tool([&] { run = Run("--timeout 0 set off"); });
    // Whatever happens, the gate opens and the tool is joined before the test ends.
    const bool held = driver.WaitHeld();
    EXPECT_TRUE(held) << "the switch never reached the driver";
    // The report of the time-out comes while the switch is still held.
    const auto out = runDir_.Path() / "tool.out";
    const auto bound = std::chrono::steady_clock::now() + kRadioWaitBound;
    std::string text;
    while (held && text.find("did not finish") == std::string::npos &&
           std::chrono::steady_clock::now() < bound) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream file(out);
        text.assign(std::istreambuf_iterator<char>(file), {});
    }
    driver.OpenGate();
    tool.join();
    EXPECT_EQ(run.exitCode, 6) << run.output;
    EXPECT_NE(run.output.find("error: the switch did not finish within 0 s"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("the late switch has ended"), std::string::npos) << run.output;
    EXPECT_EQ(driver.Current(), 1u) << "the radio is off";
}

// A zero time-out on a device that answers at once: the request is delivered all the same.
TEST_F(RadioToolTest, ZeroTimeOutStillDeliversTheSwitch) {
    FakeRadioDriver driver(runDir_.Path());
    for (const char* state : {"off", "on", "off"}) {
        const ToolRun run = Run(std::string("--timeout 0 set ") + state);
        EXPECT_TRUE(run.exitCode == 6 || run.exitCode == 0) << run.output;
        EXPECT_EQ(driver.Current(), std::string(state) == "off" ? 1u : 0u) << state << "\n" << run.output;
    }
}

TEST_F(RadioToolTest, NoHostNoDevice) {
    const ToolRun run = Run("set off");
    EXPECT_EQ(run.exitCode, 4) << run.output;
    EXPECT_NE(run.output.find("error: no GNSS device"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace geolumen::testing
