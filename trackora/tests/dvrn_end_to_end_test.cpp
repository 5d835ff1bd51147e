// End to end over a pseudo-terminal: a parameter set from the vehicle-tracker console reaches the
// terminal as its frames, the later ones from the train's timer, while the program goes on reading and
// printing the terminal's replies in between.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "PtyPair.h"
#include "console_fixture.h"
#include "consoles/TfDVRN.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "support/TerminalSim.h"

namespace {

using namespace std::chrono_literals;

class DvrnEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(quiet.folder.isValid());
        output = std::make_unique<TfOutPut>();
        output->Timer1->stop();  // the receiver's ticks are called by hand
        port = std::make_unique<TfComManage>();
        port->Timer1->stop();
        port->SetSleeper([](int) {});
        port->ComboBox1->setEditText(QString::fromStdString(sim.DevicePath()));
        port->SpeedButton1Click();
        ASSERT_TRUE(GlobalData.ComOpen);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(sim.ReadLine(3000ms), "AT");  // the port's greeting
        console = std::make_unique<TfDVRN>();
    }
    void TearDown() override {
        console.reset();
        port.reset();
        output.reset();
    }
    bool Logged(const std::string& line) const {
        const auto& lines = output->Memo1->Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // Keeps the program running (port events, the receiver's tick) until the line is in the log.
    bool WaitForLogLine(const std::string& line) {
        return WaitUntil([&] {
            output->Timer1Timer();
            return Logged(line);
        });
    }
    TerminalSim::Command NextCommand() {
        const auto line = sim.ReadLine(3000ms);
        if (!line) return {};
        return TerminalSim::ParseCommandLine(*line).value_or(TerminalSim::Command{});
    }

    QuietProgram quiet;
    TerminalSim sim;
    std::unique_ptr<TfOutPut> output;
    std::unique_ptr<TfComManage> port;
    std::unique_ptr<TfDVRN> console;
};

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST_F(DvrnEndToEndTest, BatchesArriveFromTheTimerWhileRepliesAreProcessed) {
    console->findChild<QCheckBox*>("Check_SERVERADDR")->setChecked(true);
    console->findChild<QLineEdit*>("Value_SERVERADDR")->setText(QString(72, 'a'));  // 80-byte item
    console->findChild<QCheckBox*>("Check_FREQ")->setChecked(true);
    console->findChild<QLineEdit*>("Value_FREQ")->setText("30");
    console->findChild<QCheckBox*>("Check_HEART")->setChecked(true);
    console->findChild<QLineEdit*>("Value_HEART")->setText("180");
    console->SpeedButton1Click();

    // Set order FREQ, HEART, SERVIP: "#FREQ=30#PULSE=180" (18 bytes) + 80 would be 98 > 70, so two frames.
    const TerminalSim::Command first = NextCommand();
    EXPECT_EQ(first.cmd, 0x0201);
    EXPECT_TRUE(first.checksumOk);
    EXPECT_EQ(first.payload, Bytes("#FREQ=30#PULSE=180"));
    ASSERT_NE(console->Train(), nullptr);
    EXPECT_TRUE(console->Train()->Timer().isActive());
    EXPECT_EQ(console->Train()->Timer().interval(), 300);

    // The terminal acknowledges the first batch; the program prints it before the second frame leaves.
    ASSERT_TRUE(sim.Send(TerminalSim::ReplyFrame(1, 0x8201, {})));
    ASSERT_TRUE(WaitForLogLine("Set Param Ack Info!!!"));
    EXPECT_FALSE(console->Train()->Done());
    EXPECT_EQ(sim.Drain(20ms), "") << "nothing more before the timer fires";

    console->Train()->Tick();
    const TerminalSim::Command second = NextCommand();
    EXPECT_EQ(second.cmd, 0x0201);
    EXPECT_TRUE(second.checksumOk);
    EXPECT_EQ(second.payload, Bytes("#SERVIP=" + std::string(72, 'a')));

    const auto& lines = output->Memo1->Lines();
    const auto firstLog = std::find(lines.begin(), lines.end(), "SZCS#FREQ=30#PULSE=180");
    const auto ack = std::find(lines.begin(), lines.end(), "Set Param Ack Info!!!");
    const auto secondLog = std::find(lines.begin(), lines.end(), "SZCS#SERVIP=" + std::string(72, 'a'));
    ASSERT_NE(secondLog, lines.end());
    EXPECT_LT(firstLog, ack);
    EXPECT_LT(ack, secondLog);
}

}  // namespace
