// The whole program against a terminal on a pseudo-terminal: commands leave as their hex lines, replies
// land in the log and the records, and the console's later batches leave from the train's timer while
// replies go on being printed.
#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>

#include "consoles/TfDVRN.h"
#include "program_fixture.h"

namespace {

using Lines = std::vector<std::string>;
using EndToEnd = ProgramOnPty;

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
    ASSERT_TRUE(Arrive(burst)) << RecvRing.Count;  // 18 + 114 + 48 bytes

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
    ASSERT_TRUE(Arrive(std::vector<uint8_t>(frame.begin(), frame.begin() + 10)));
    EXPECT_TRUE(Tick().empty());
    ASSERT_TRUE(Arrive(std::vector<uint8_t>(frame.begin() + 10, frame.end())));
    EXPECT_EQ(Tick(), (Lines{"", heading + "3", "F001", "Opt Fail"}));
}

TEST_F(EndToEnd, ParameterQueryAnswerReachesTheLogAsLabelledLines) {
    OpenPort();
    // L = 0x0021 = 33 bytes: "TERIID=123,VIBCALL=0,PRO=2,X=7,AB".
    std::vector<uint8_t> payload = {0x00, 0x21};
    for (uint8_t b : Bytes("TERIID=123,VIBCALL=0,PRO=2,X=7,AB")) payload.push_back(b);
    ASSERT_TRUE(Arrive(TerminalSim::ReplyFrame(7, 0x8202, payload)));
    EXPECT_EQ(Tick(), (Lines{"", heading + "7", "8202", "Read Param Ack Info!!!", "TeriSN:123",
                             "Vib Call: Disbale", "Ptl Select:GT06", "X:7", "AB:"}));
}

TEST_F(EndToEnd, ConsoleBatchesLeaveFromTheTimerWhileRepliesArePrinted) {
    OpenPort();
    ASSERT_NE(fDVRN, nullptr);
    for (const auto& [id, value] : {std::pair<const char*, QString>{"SERVERADDR", QString(72, 'a')},
                                    {"FREQ", "30"},
                                    {"HEART", "180"}}) {
        fDVRN->findChild<QCheckBox*>(QString("Check_") + id)->setChecked(true);
        fDVRN->findChild<QLineEdit*>(QString("Value_") + id)->setText(value);
    }
    fDVRN->SpeedButton1Click();

    // Set order FREQ, HEART, SERVIP: "#FREQ=30#PULSE=180" (18 bytes) + 80 would be 98 > 70, so two frames.
    const TerminalSim::Command first = NextCommand();
    EXPECT_EQ(first.cmd, 0x0201);
    EXPECT_TRUE(first.checksumOk);
    EXPECT_EQ(first.payload, Bytes("#FREQ=30#PULSE=180"));
    ASSERT_NE(fDVRN->Train(), nullptr);
    EXPECT_TRUE(fDVRN->Train()->Timer().isActive());
    EXPECT_EQ(fDVRN->Train()->Timer().interval(), 300);

    // The terminal acknowledges the first batch; the program prints it before the second frame leaves.
    ASSERT_TRUE(Arrive(TerminalSim::ReplyFrame(1, 0x8201, {})));
    EXPECT_EQ(Tick(), (Lines{"", heading + "1", "8201", "Set Param Ack Info!!!"}));
    EXPECT_FALSE(fDVRN->Train()->Done());
    EXPECT_EQ(sim.Drain(std::chrono::milliseconds(20)), "") << "nothing more before the timer fires";

    fDVRN->Train()->Tick();
    const TerminalSim::Command second = NextCommand();
    EXPECT_EQ(second.cmd, 0x0201);
    EXPECT_TRUE(second.checksumOk);
    EXPECT_EQ(second.payload, Bytes("#SERVIP=" + std::string(72, 'a')));

    const auto& lines = fOutPut->Memo1->Lines();
    const auto firstLog = std::find(lines.begin(), lines.end(), "SZCS#FREQ=30#PULSE=180");
    const auto ack = std::find(lines.begin(), lines.end(), "Set Param Ack Info!!!");
    const auto secondLog = std::find(lines.begin(), lines.end(), "SZCS#SERVIP=" + std::string(72, 'a'));
    ASSERT_NE(secondLog, lines.end());
    EXPECT_LT(firstLog, ack);
    EXPECT_LT(ack, secondLog);
}

}  // namespace
