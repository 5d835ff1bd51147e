// The whole program as it starts, with a terminal on a pseudo-terminal and every timer driven by hand, for
// tests that work a console through the main window and read what the terminal receives and what the
// output log prints of its answers.
#pragma once

#include <gtest/gtest.h>

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

    void OpenPort() {
        fComManage->ComboBox1->setEditText(QString::fromStdString(sim.DevicePath()));
        fComManage->SpeedButton1Click();
        ASSERT_NE(GlobalData.ComOpen, 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.ReadLine(wait), "AT");
    }
    // The next command line the terminal received, with its CR LF, as the program wrote it.
    std::string NextLine() { return sim.ReadLine(wait).value_or("(none)") + "\r\n"; }
    // Sends a reply from the terminal and returns the lines the receiver's next tick printed.
    std::vector<std::string> Answer(uint16_t type, const std::string& payload) {
        const auto frame =
            TerminalSim::ReplyFrame(1, type, std::vector<uint8_t>(payload.begin(), payload.end()));
        const int want = RecvRing.Count + static_cast<int>(frame.size());
        EXPECT_TRUE(sim.Send(frame));
        EXPECT_TRUE(WaitUntil([&] { return RecvRing.Count == want; }));
        const size_t before = fOutPut->Memo1->Lines().size();
        fOutPut->Timer1Timer();
        const auto& all = fOutPut->Memo1->Lines();
        return {all.begin() + static_cast<long>(before), all.end()};
    }
    // A parameter answer: the 16-bit length of the items, then the items.
    static std::string ParamAnswer(const std::string& items) {
        return std::string{static_cast<char>(items.size() >> 8), static_cast<char>(items.size())} + items;
    }

    QuietProgram quiet;
    LogCapture log;
    TerminalSim sim;
    TfKQMain* main;
    const std::chrono::milliseconds wait{kTestWaitMs};
    const std::string heading = std::string("DateTime:") + kTestClockText + "  NO:1";
};
