// The module IMEI flow against a terminal on a pseudo-terminal: the AT line repeats at each tick until
// the port manager has seen the module's answer, then the flow stops and logs its line once.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTimer>
#include <chrono>
#include <memory>

#include "PtyPair.h"
#include "consoles/ImeiAtFlow.h"
#include "link/ComManage.h"
#include "platform/MessageBox.h"
#include "support/LogCapture.h"
#include "support/TerminalSim.h"

namespace {

constexpr std::chrono::milliseconds kWait(kTestWaitMs);

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class ImeiAtFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return MsgResult::Ok;
        });
        ports = std::make_unique<TfComManage>();
        ports->Timer1->stop();
        ports->SetSleeper([](int) {});
        ports->ComboBox1->setEditText(QString::fromStdString(sim.DevicePath()));
        ports->SpeedButton1Click();
        ASSERT_NE(GlobalData.ComOpen, 0);
        for (int i = 0; i < 3; ++i) ASSERT_EQ(sim.ReadLine(kWait), "AT");
        flow = std::make_unique<TImeiAtFlow>(
            &timer, 1000, texts, mode, [this] { return imei; }, nullptr);
    }
    void TearDown() override {
        flow.reset();
        ports.reset();
        SetMessageBoxHandler(nullptr);
    }

    LogCapture log;  // first: it resets the records
    TerminalSim sim;
    std::unique_ptr<TfComManage> ports;
    QTimer timer;
    ImeiAtMode mode = ImeiAtMode::None;
    QString imei = QStringLiteral("865432101234567");
    ImeiAtTexts texts{WarningMessage(QStringLiteral("length")), "set", "read:"};
    std::unique_ptr<TImeiAtFlow> flow;
    std::vector<MessageBoxCall> boxes;
};

TEST_F(ImeiAtFlowTest, WriteRepeatsItsLineUntilTheModuleSaysOk) {
    ASSERT_TRUE(flow->StartWrite());
    EXPECT_EQ(mode, ImeiAtMode::Write);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_EQ(sim.Drain(std::chrono::milliseconds(20)), "") << "the first line waits for the first tick";

    for (int tick = 0; tick < 2; ++tick) {
        flow->Tick();
        EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=1,7,\"865432101234567\"");
    }
    imei = QStringLiteral("865432101234568");  // the edit is read again at every tick
    flow->Tick();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=1,7,\"865432101234568\"");

    ASSERT_TRUE(sim.Send(Bytes("\r\nOK\r\n")));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.AtOk == 1; }));
    int afterWrite = 0;
    flow->SetAfterWrite([&] { ++afterWrite; });
    flow->Tick();
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"", "set"}));
    EXPECT_EQ(afterWrite, 1);
    EXPECT_EQ(sim.Drain(std::chrono::milliseconds(20)), "");
}

TEST_F(ImeiAtFlowTest, ReadRepeatsUntilTheModuleNamesItsImei) {
    SysRunInfo.ImeiRead = 1;  // left from an earlier read: starting clears it
    flow->StartRead();
    EXPECT_EQ(SysRunInfo.ImeiRead, 0);
    flow->Tick();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=0,7");
    ASSERT_TRUE(sim.Send(Bytes("\r\nOK\r\n")));  // an OK alone does not end a read
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.AtOk == 1; }));
    flow->Tick();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=0,7");

    ASSERT_TRUE(sim.Send(Bytes("+EGMR: \"356789012345678\"\r\n\r\nOK\r\n")));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.ImeiRead == 1; }));
    flow->Tick();
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"", "read:356789012345678"}));
}

TEST_F(ImeiAtFlowTest, WrongLengthIsRefusedAndTheOtherButtonSwitchesTheRunningFlow) {
    imei = QStringLiteral("86543210123456");  // 14 characters
    EXPECT_FALSE(flow->StartWrite());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "length");
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(mode, ImeiAtMode::None);

    imei = QStringLiteral("865432101234567");
    ASSERT_TRUE(flow->StartWrite());
    flow->StartRead();
    EXPECT_TRUE(timer.isActive());
    flow->Tick();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=0,7");
}

}  // namespace
