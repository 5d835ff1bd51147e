// The whole program against a terminal on a pseudo-terminal: commands leave as their hex lines, replies
// land in the log and the records, and the console's later batches leave from the train's timer while
// replies go on being printed.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#include "consoles/TfBrel.h"
#include "consoles/TfDVRN.h"
#include "program_fixture.h"
#include "support/ManualMonotonicClock.h"

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

    // One tick works off all three, in order.
    EXPECT_EQ(Tick(), (Lines{"", heading + "7", "F000", "Opt OK", "", heading + "8", "8100", "",
                             heading + "4660", "8104"}));
    EXPECT_EQ(SysRunInfo.Csq, 23);
    EXPECT_EQ(SysRunInfo.Battery, 4660);
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
    ManualMonotonicClock clock;
    OpenPort();
    ASSERT_NE(fDVRN, nullptr);
    for (const auto& [id, value] : {std::pair<const char*, QString>{"SERVERADDR", QString(72, 'a')},
                                    {"FREQ", "30"},
                                    {"HEART", "180"}}) {
        fDVRN->findChild<QCheckBox*>(QString("Check_") + id)->setChecked(true);
        fDVRN->findChild<QLineEdit*>(QString("Value_") + id)->setText(value);
    }
    fDVRN->SpeedButton1->click();

    // Set order FREQ, HEART, SERVIP: "#FREQ=30#PULSE=180" (18 bytes) + 80 would be 98 > 70, so two frames.
    const TerminalSim::Command first = NextCommand();
    EXPECT_EQ(first.cmd, 0x0201);
    EXPECT_TRUE(first.checksumOk);
    EXPECT_EQ(first.payload, Bytes("#FREQ=30#PULSE=180"));
    ASSERT_NE(fDVRN->Train(), nullptr);
    EXPECT_TRUE(fDVRN->Train()->Timer().isActive());
    EXPECT_GE(fDVRN->Train()->Timer().interval(), 300);

    // The terminal acknowledges the first batch; the program prints it before the second frame leaves.
    ASSERT_TRUE(Arrive(TerminalSim::ReplyFrame(1, 0x8201, {})));
    EXPECT_EQ(Tick(), (Lines{"", heading + "1", "8201", "Set Param Ack Info!!!"}));
    EXPECT_FALSE(fDVRN->Train()->Done());
    EXPECT_EQ(sim.Drain(std::chrono::milliseconds(20)), "") << "nothing more before the timer fires";

    clock.Advance(std::chrono::milliseconds(300) + kLineSlack);
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

// The one test that waits out real pauses: the terminal needs the whole 300 ms between two batches, so the
// gaps are taken where the terminal sees them, on the simulator's side, while the main thread is kept busy.
TEST_F(EndToEnd, BatchGapsOnTheLineAreNeverBelowThePause) {
    using Clock = std::chrono::steady_clock;
    OpenPort();
    ASSERT_NE(fDVRN, nullptr);
    // Set order FREQ, SERVIP, USER: 8 + 80 > 70 and 80 + 70 > 70, so three frames per click.
    for (const auto& [id, value] : {std::pair<const char*, QString>{"FREQ", "30"},
                                    {"SERVERADDR", QString(72, 'a')},
                                    {"USER", QString(64, 'u')}}) {
        fDVRN->findChild<QCheckBox*>(QString("Check_") + id)->setChecked(true);
        fDVRN->findChild<QLineEdit*>(QString("Value_") + id)->setText(value);
    }
    constexpr int kSets = 3;
    constexpr size_t kLines = 3 * kSets;
    // A line cannot have reached the terminal before the start of the last look that found none waiting, so
    // each gap runs from there to the next line's reading: a reader held up by a busy machine reads late, or
    // wakes late from a look that found nothing, and neither must make a gap look short. The reader looks
    // every millisecond or two.
    struct Seen {
        Clock::time_point notYet;
        Clock::time_point read;
    };
    std::vector<Seen> seen;  // the reader's own until it is joined
    std::thread reader([&] {
        Clock::time_point notYet = Clock::now();
        const auto deadline = notYet + std::chrono::seconds(10);
        while (seen.size() < kLines && Clock::now() < deadline) {
            const Clock::time_point looked = Clock::now();
            if (!sim.ReadLine(std::chrono::milliseconds(2))) {
                notYet = looked;
                continue;
            }
            seen.push_back({notYet, Clock::now()});
        }
    });
    // Busy work queued on the main thread all along, as a loaded program has.
    QTimer load;
    QObject::connect(&load, &QTimer::timeout, [] {
        const auto until = Clock::now() + std::chrono::milliseconds(7);
        while (Clock::now() < until) {
        }
    });
    load.start(0);
    for (int set = 0; set < kSets; ++set) {
        ASSERT_TRUE(WaitUntil([&] { return fDVRN->SpeedButton1->isEnabled(); }));
        fDVRN->SpeedButton1->click();
        ASSERT_TRUE(WaitUntil([&] { return !fDVRN->Train(); }, 5000));
    }
    load.stop();
    reader.join();
    ASSERT_EQ(seen.size(), kLines);
    Clock::duration shortest = Clock::duration::max();
    for (size_t i = 0; i < kLines; ++i) {
        if (i % 3 != 0) shortest = std::min(shortest, seen[i].read - seen[i - 1].notYet);
    }
    EXPECT_GE(shortest, std::chrono::milliseconds(300))
        << std::chrono::duration_cast<std::chrono::microseconds>(shortest).count() << " us";
}

TEST_F(EndToEnd, KeyFobMonitorShowsTheTerminalsRfState) {
    OpenPort();
    main->Q711Click();
    ASSERT_NE(fBrel, nullptr);
    fBrel->findChild<QPushButton*>("SpeedButton19")->click();  // "开始RF监控"
    fBrel->Timer1Timer();
    const TerminalSim::Command query = NextCommand();
    EXPECT_EQ(query.cmd, 0x0202);
    EXPECT_EQ(query.payload, Bytes("#CHANNAL#RFCLOSEENAB#RFCHKT#ATUOFREQEN#RFWORK#RFRECT"));

    auto answer = [](const std::string& items) {
        std::vector<uint8_t> payload = {0x00, static_cast<uint8_t>(items.size())};
        for (uint8_t b : Bytes(items)) payload.push_back(b);
        return TerminalSim::ReplyFrame(9, 0x8202, payload);
    };
    auto labels = [] {
        std::vector<std::string> texts;
        for (const QLabel* label : fBrel->Labels) texts.push_back(label->text().toStdString());
        return texts;
    };
    ASSERT_TRUE(Arrive(answer("CHANNAL=41,RFCLOSEENAB=1,RFCHKT=45,ATUOFREQEN=0,RFWORK=1,RFRECT=12")));
    const Lines printed = Tick();
    EXPECT_NE(std::find(printed.begin(), printed.end(), "CHANNAL:41"), printed.end());
    const std::vector<std::string> shown = {
        "RF工作状态：1",    "当前频道号：41",  "有效接收次数：12", "当前时间：24-12-08 09:05:03",
        "接收检测时间：45", "自动跳频功能：0", "RF工作模式：1"};
    EXPECT_EQ(labels(), shown);

    // An answer that carries only some keys changes only their labels.
    ASSERT_TRUE(Arrive(answer("RFRECT=13")));
    Tick();
    EXPECT_EQ(labels()[2], "有效接收次数：13");
    EXPECT_EQ(labels()[1], "当前频道号：41");

    // With the monitor stopped an answer (to "查询参数", say) leaves the labels as they are.
    fBrel->findChild<QPushButton*>("SpeedButton20")->click();  // "停止RF监控"
    ASSERT_TRUE(Arrive(answer("CHANNAL=81,RFRECT=99")));
    Tick();
    EXPECT_EQ(labels()[1], "当前频道号：41");
    EXPECT_EQ(labels()[2], "有效接收次数：13");
}

// Counts the writes on their way to the port manager, which puts them on the line.
class CountingPort : public LinePort {
  public:
    explicit CountingPort(LinePort* next) : next_(next) { SetLinePort(this); }
    ~CountingPort() override { SetLinePort(next_); }
    bool WriteData(const uint8_t* buffer, int length) override {
        sizes.push_back(length);
        return next_->WriteData(buffer, length);
    }
    void SendErrorDeal() override { next_->SendErrorDeal(); }
    std::vector<int> sizes;

  private:
    LinePort* next_;
};

TEST_F(EndToEnd, ModuleImeiIsWrittenUntilTheModuleSaysOkThenTheNextOneIsReady) {
    OpenPort();
    ASSERT_NE(fDVRN, nullptr);
    CountingPort counting(CurrentLinePort());
    fDVRN->findChild<QLineEdit*>("Edit1")->setText("086000000000009");  // a leading zero
    fDVRN->findChild<QPushButton*>("SpeedButton3")->click();            // "SetIMEI", "AutoAdd" checked
    EXPECT_TRUE(fDVRN->Timer1->isActive());
    EXPECT_EQ(fDVRN->Timer1->interval(), 300);
    EXPECT_EQ(sim.Drain(std::chrono::milliseconds(20)), "") << "the first line waits for the first tick";

    // AT+EGMR=1,7," (13) + 15 digits + " (1) + CR LF (2) = 31 bytes, one write each.
    for (int tick = 0; tick < 2; ++tick) {
        counting.sizes.clear();
        fDVRN->Timer1Timer();
        EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=1,7,\"086000000000009\"");
        EXPECT_EQ(counting.sizes, std::vector<int>(31, 1));
    }
    ASSERT_TRUE(sim.Send(Bytes("\r\nOK\r\n")));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.AtOk == 1; }));
    const size_t before = fOutPut->Memo1->Lines().size();
    fDVRN->Timer1Timer();
    const Lines& lines = fOutPut->Memo1->Lines();
    EXPECT_EQ(Lines(lines.begin() + static_cast<long>(before), lines.end()), (Lines{"", "IMEI SET OK"}));
    EXPECT_FALSE(fDVRN->Timer1->isActive());
    EXPECT_EQ(fDVRN->findChild<QLineEdit*>("Edit1")->text(), "086000000000010");
    EXPECT_EQ(sim.Drain(std::chrono::milliseconds(20)), "");

    // Reading asks until the module names its IMEI.
    fDVRN->findChild<QPushButton*>("SpeedButton4")->click();
    fDVRN->Timer1Timer();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=0,7");
    ASSERT_TRUE(sim.Send(Bytes("+EGMR: \"356789012345678\"\r\n\r\nOK\r\n")));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.ImeiRead == 1; }));
    fDVRN->Timer1Timer();
    EXPECT_EQ(lines.back(), "IMEI READ OK356789012345678");
    EXPECT_FALSE(fDVRN->Timer1->isActive());
}

}  // namespace
