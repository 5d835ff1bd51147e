#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <chrono>
#include <functional>

#include "link/ComManage.h"
#include "link/OutPut.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "support/LogCapture.h"
#include "support/TerminalSim.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// Long enough for a loaded sanitizer build; a working link answers in milliseconds.
constexpr auto kWait = 3000ms;

// The whole program as the program block starts it, with a terminal on a pseudo-terminal; every timer
// is driven by hand.
class EndToEnd : public ::testing::Test {
  protected:
    EndToEnd() {
        main = new TfKQMain;
        OpenWindow("TfOutPut");
        main->Timer1->stop();
        fOutPut->Timer1->stop();
        main->Timer1Timer();
        fComManage->Timer1->stop();
        fComManage->SetSleeper([](int) {});
    }
    ~EndToEnd() override { delete main; }

    // Runs the main thread's queue until `done` holds or the wait is over.
    static bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    void OpenPort() {
        fComManage->ComboBox1->setEditText(QString::fromStdString(sim.DevicePath()));
        fComManage->SpeedButton1Click();
        ASSERT_NE(GlobalData.ComOpen, 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.ReadLine(kWait), "AT");
    }

    // The lines a tick of the receiver added to the log.
    Lines Tick() {
        const size_t before = fOutPut->Memo1->Lines().size();
        fOutPut->Timer1Timer();
        const Lines& all = fOutPut->Memo1->Lines();
        return Lines(all.begin() + static_cast<long>(before), all.end());
    }

    LogCapture log;
    TerminalSim sim;
    TfKQMain* main;
};

TEST_F(EndToEnd, CommandGoesOutAsItsHexLineAndRepliesLandInTheLogAndRecords) {
    OpenPort();
    main->Timer1Timer();
    EXPECT_EQ(main->PanelText(1), "Com Status:Open");

    CommandRecord.Cmd = 0x0100;
    CommandRecord.Len = 0;
    SendFrame();
    // "KQ", nine zero bytes, 01 00, 00 00, checksum 0x4B + 0x51 + 0x01 = 0x9D, CR LF.
    const std::optional<std::string> line = sim.ReadLine(kWait);
    EXPECT_EQ(line, "ATKQ4B51000000000000000000010000009D0D0A");
    const auto command = TerminalSim::ParseCommandLine(line.value_or(""));
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->cmd, 0x0100);
    EXPECT_TRUE(command->checksumOk);

    // The terminal answers: an acknowledgement, its state and its GPS and BeiDou status.
    std::vector<uint8_t> state(96, 0);
    state[4] = 23;     // Csq
    state[12] = 0x34;  // Battery, low byte first: 0x1234 = 4660
    state[13] = 0x12;
    const std::vector<uint8_t> gps = {0x01, 0x01, 0x01, 0x0C, 0x2C, 0x01, 0x5A, 0x00, 0x71, 0x38,
                                      0x07, 0x0C, 0x16, 0x1E, 0x2D, 0x06, 0x18, 0x0C, 0x08, 0x0A,
                                      0x14, 0x1E, 0x01, 0x05, 0x1E, 0x00, 0x07, 0x01, 0x03, 0x28};
    std::vector<uint8_t> burst = TerminalSim::ReplyFrame(7, 0xF000, {});
    for (const auto& frame :
         {TerminalSim::ReplyFrame(8, 0x8100, state), TerminalSim::ReplyFrame(0x1234, 0x8104, gps)})
        burst.insert(burst.end(), frame.begin(), frame.end());
    ASSERT_TRUE(sim.Send(burst));
    const int expected = static_cast<int>(burst.size());  // 18 + 114 + 48
    ASSERT_TRUE(RunUntil([&] { return RecvRing.Count == expected; })) << RecvRing.Count;

    const std::string heading = std::string("DateTime:") + kTestClockText + "  NO:";
    EXPECT_EQ(Tick(), (Lines{"", heading + "7", "F000", "Opt OK"}));
    EXPECT_EQ(Tick(), (Lines{"", heading + "8", "8100"}));
    EXPECT_EQ(SysRunInfo.Csq, 23);
    EXPECT_EQ(SysRunInfo.Battery, 4660);
    EXPECT_EQ(Tick(), (Lines{"", heading + "4660", "8104"}));
    EXPECT_EQ(GpsInfoManage.LongitudeText, "113.560712");
    EXPECT_EQ(GpsInfoManage.Speed, 300);
    EXPECT_EQ(GpsInfoManage.GpsCount, 1);
    EXPECT_EQ(GpsInfoManage.CollectTimes, 7);  // bytes 25-26 = 00 07
    EXPECT_EQ(GpsInfoManage.BdCount, 1);       // byte 27
    EXPECT_EQ(GpsInfoManage.BdPrn[0], 3);
    EXPECT_EQ(GpsInfoManage.BdSnr[0], 40);
    EXPECT_TRUE(Tick().empty());
}

TEST_F(EndToEnd, FrameSplitAcrossTwoChunksIsDeliveredOnce) {
    OpenPort();
    const std::vector<uint8_t> frame = TerminalSim::ReplyFrame(3, 0xF001, {0xAA, 0xBB});
    ASSERT_TRUE(sim.Send(std::vector<uint8_t>(frame.begin(), frame.begin() + 10)));
    ASSERT_TRUE(RunUntil([] { return RecvRing.Count == 10; }));
    EXPECT_TRUE(Tick().empty());
    ASSERT_TRUE(sim.Send(std::vector<uint8_t>(frame.begin() + 10, frame.end())));
    ASSERT_TRUE(RunUntil([&] { return RecvRing.Count == static_cast<int>(frame.size()); }));
    EXPECT_EQ(Tick(), (Lines{"", std::string("DateTime:") + kTestClockText + "  NO:3", "F001", "Opt Fail"}));
}

}  // namespace
