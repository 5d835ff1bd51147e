// A parameter query answer from a terminal on the line reaches the output window as labelled lines:
// port manager, receive ring, frame parser, dispatcher and the list decoder, all the program's own.
#include <gtest/gtest.h>

#include <QComboBox>
#include <algorithm>
#include <memory>

#include "PtyPair.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "support/LogCapture.h"
#include "support/TerminalSim.h"

namespace {

TEST(ParamQueryEndToEnd, AnswerFromTheTerminalReachesMemo1AsLabelledLines) {
    ResetPublicData();
    SetClock([] { return TestClockTime(); });
    TerminalSim sim;
    auto output = std::make_unique<TfOutPut>();
    output->Timer1->stop();  // the receiver is ticked by hand
    auto ports = std::make_unique<TfComManage>();
    ports->Timer1->stop();
    ports->SetSleeper([](int) {});
    ports->ComboBox1->setEditText(QString::fromStdString(sim.DevicePath()));
    ports->SpeedButton1Click();
    ASSERT_TRUE(GlobalData.ComOpen);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.ReadLine(std::chrono::milliseconds(kTestWaitMs)), "AT");

    // L = 0x0021 = 33 bytes: "TERIID=123,VIBCALL=0,PRO=2,X=7,AB".
    const std::string items = "TERIID=123,VIBCALL=0,PRO=2,X=7,AB";
    std::vector<uint8_t> payload(2 + items.size());
    payload[1] = static_cast<uint8_t>(items.size());
    std::copy(items.begin(), items.end(), payload.begin() + 2);
    const std::vector<uint8_t> frame = TerminalSim::ReplyFrame(7, 0x8202, payload);
    ASSERT_TRUE(sim.Send(frame));
    ASSERT_TRUE(WaitUntil([&] { return RecvRing.Count >= static_cast<int>(frame.size()); }));

    const size_t before = output->Memo1->Lines().size();
    output->Timer1Timer();
    const std::vector<std::string> lines(output->Memo1->Lines().begin() + static_cast<long>(before),
                                         output->Memo1->Lines().end());
    EXPECT_EQ(lines, (std::vector<std::string>{"", std::string("DateTime:") + kTestClockText + "  NO:7",
                                               "8202", "Read Param Ack Info!!!", "TeriSN:123",
                                               "Vib Call: Disbale", "Ptl Select:GT06", "X:7", "AB:"}));

    ports->SpeedButton2Click();
    ports.reset();
    output.reset();
    SetClock(nullptr);
}

}  // namespace
