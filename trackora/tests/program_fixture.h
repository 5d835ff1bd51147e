// The whole program as the program block starts it, with a terminal on a pseudo-terminal; every timer is
// driven by hand. For tests that follow bytes from a window to the line and replies back to a window.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <chrono>
#include <string>
#include <vector>

#include "PtyPair.h"
#include "console_fixture.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "support/LogCapture.h"
#include "support/TerminalSim.h"

class ProgramOnPty : public ::testing::Test {
  protected:
    using Lines = std::vector<std::string>;
    static constexpr std::chrono::milliseconds kWait{kTestWaitMs};

    ProgramOnPty() {
        main = new TfKQMain;
        OpenWindow("TfOutPut");
        main->Timer1->stop();
        fOutPut->Timer1->stop();
        main->Timer1Timer();
        fComManage->Timer1->stop();
        fComManage->SetSleeper([](int) {});
    }
    ~ProgramOnPty() override { delete main; }

    static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

    void OpenPort() {
        fComManage->ComboBox1->setEditText(QString::fromStdString(sim.DevicePath()));
        fComManage->SpeedButton1Click();
        ASSERT_NE(GlobalData.ComOpen, 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.ReadLine(kWait), "AT");
    }
    // Sends bytes from the terminal and runs the program until they are all in the receive ring.
    bool Arrive(const std::vector<uint8_t>& bytes) {
        const int want = RecvRing.Count + static_cast<int>(bytes.size());
        return sim.Send(bytes) && WaitUntil([&] { return RecvRing.Count == want; });
    }
    // The lines a tick of the receiver added to the log.
    Lines Tick() {
        const size_t before = fOutPut->Memo1->Lines().size();
        fOutPut->Timer1Timer();
        const Lines& all = fOutPut->Memo1->Lines();
        return Lines(all.begin() + static_cast<long>(before), all.end());
    }
    TerminalSim::Command NextCommand() {
        const auto line = sim.ReadLine(kWait);
        return TerminalSim::ParseCommandLine(line.value_or("")).value_or(TerminalSim::Command{});
    }

    QuietProgram quiet;
    LogCapture log;
    TerminalSim sim;
    TfKQMain* main;
    const std::string heading = std::string("DateTime:") + kTestClockText + "  NO:";
};
