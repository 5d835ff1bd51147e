// The e-bike console in the whole program, against a terminal on a pseudo-terminal: it opens from its
// menu item once, its IMEI buttons run the AT flow on Timer2, and the replies the terminal sends reach its
// memo, labels and indicator through the output window's dispatcher only while it is open.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <algorithm>

#include "consoles/TfAppEbike.h"
#include "link/ReplyTable.h"
#include "platform/HiddenLayout.h"
#include "program_fixture.h"

namespace {

class EbikeLink : public ProgramOnPty {
  protected:
    // A reply frame from the terminal, taken out of the ring and dispatched by one receiver tick.
    void Reply(uint16_t type, const std::vector<uint8_t>& payload) {
        ASSERT_TRUE(Arrive(TerminalSim::ReplyFrame(++seq, type, payload)));
        fOutPut->Timer1Timer();
    }
    static void Press(const char* button) { fAppEbike->findChild<QPushButton*>(button)->click(); }
    bool LogHas(const std::string& line) const {
        const auto& lines = fOutPut->Memo1->Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    uint16_t seq = 0;
};

TEST_F(EbikeLink, OpensFromItsMenuItemOnceAndClosesForGood) {
    // The item is hidden in the normal layout; its handler is the same in both.
    EXPECT_EQ(main->findChild<QAction*>("N12")->isVisible(), kShowHiddenControls);
    main->N12Click();
    TfAppEbike* first = fAppEbike;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenedWindow("TfAppEbike"), first);
    main->findChild<QAction*>("N12")->trigger();
    EXPECT_EQ(fAppEbike, first) << "one instance";
    EXPECT_EQ(main->MdiClient->activeSubWindow(), WindowFrame("TfAppEbike"));

    ASSERT_TRUE(WindowFrame("TfAppEbike")->close());
    EXPECT_EQ(fAppEbike, nullptr);
    EXPECT_FALSE(ForwardReply("TfAppEbike.IOTestAckDeal")) << "no reply reaches a closed console";
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->N12Click();
    EXPECT_NE(fAppEbike, nullptr);
}

TEST_F(EbikeLink, ImeiWriteAndReadOverAtLines) {
    OpenPort();
    main->N12Click();
    ASSERT_NE(fAppEbike, nullptr);
    fAppEbike->findChild<QLineEdit*>("EditImei")->setText("865432101234567");
    Press("WriteImei");
    EXPECT_TRUE(fAppEbike->Timer2->isActive());
    EXPECT_EQ(fAppEbike->Timer2->interval(), 1000);
    fAppEbike->Timer2Timer();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=1,7,\"865432101234567\"");
    ASSERT_TRUE(sim.Send(Bytes("\r\nOK\r\n")));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.AtOk == 1; }));
    fAppEbike->Timer2Timer();
    EXPECT_FALSE(fAppEbike->Timer2->isActive());
    EXPECT_TRUE(LogHas("终端IMEI设置成功"));

    Press("ReadImei");
    fAppEbike->Timer2Timer();
    EXPECT_EQ(sim.ReadLine(kWait), "AT+EGMR=0,7");
    ASSERT_TRUE(sim.Send(Bytes("+EGMR: \"356789012345678\"\r\n\r\nOK\r\n")));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.ImeiRead == 1; }));
    fAppEbike->Timer2Timer();
    EXPECT_FALSE(fAppEbike->Timer2->isActive());
    EXPECT_TRUE(LogHas("终端IMEI读取成功：356789012345678"));

    fAppEbike->findChild<QLineEdit*>("EditAtLine")->setText("AT+CSQ");
    Press("SendAtLine");
    EXPECT_EQ(sim.ReadLine(kWait), "AT+CSQ");
}

TEST_F(EbikeLink, RepliesReachTheMemoTheLabelsAndTheIndicator) {
    OpenPort();
    main->N12Click();
    ASSERT_NE(fAppEbike, nullptr);
    Press("StartCalibration");
    EXPECT_EQ(TerminalSim::ParseCommandLine(sim.ReadLine(kWait).value_or(""))->cmd, 0x031F);

    struct Row {
        std::vector<uint8_t> data;
        const char* line;  // nullptr: no line
    } calibration[] = {
        {{1, 1}, "芯片通信正常，开始校准......"},
        {{1, 0}, "芯片通信异常，已退出!!!!!!"},
        {{3, 12, 5}, "校准过程,当前阀值：12振动次数：5"},
        {{2, 1, 0x1E}, "芯片校准成功!阀值为：30"},
        {{2, 0, 7}, "芯片校准失败!检测阀值为：7"},
        {{4, 1}, nullptr},
        {{}, nullptr},  // an empty payload reads as data[0] = 0
    };
    QStringList expected{QString::fromUtf8("请求进行gSensor自校准.......")};
    for (const auto& row : calibration) {
        Reply(0x831F, row.data);
        if (row.line) expected << QString::fromUtf8(row.line);
    }
    EXPECT_EQ(fAppEbike->Memo1->toPlainText().split('\n'), expected);

    Reply(0x8332, {1});
    EXPECT_EQ(fAppEbike->LabelWheel->text(), QString::fromUtf8("当前车轮转换值：高"));
    EXPECT_EQ(fAppEbike->ShapeColor(), QColor(Qt::red));
    Reply(0x8332, {0});
    EXPECT_EQ(fAppEbike->LabelWheel->text(), QString::fromUtf8("当前车轮转换值：低"));
    EXPECT_EQ(fAppEbike->ShapeColor(), QColor(Qt::white));

    // ADC 01 F4 = 500; the time is the program's clock, 2024-12-08 09:05:03.
    Reply(0x835F, {0x01, 0x01, 0xF4, 0x07});
    EXPECT_EQ(fAppEbike->LabelAcc->text(), QString::fromUtf8("ACC状态：开"));
    EXPECT_EQ(fAppEbike->LabelAdc->text(), QString::fromUtf8("ADC采样值：500"));
    EXPECT_EQ(fAppEbike->LabelRf->text(), QString::fromUtf8("RF接收次数：7"));
    EXPECT_EQ(fAppEbike->LabelTime->text(), QString::fromUtf8("时间：24-12-08 09-05-03"));
    Reply(0x835F, {0x00, 0xFF});  // short: the missing bytes read as 0
    EXPECT_EQ(fAppEbike->LabelAcc->text(), QString::fromUtf8("ACC状态：关"));
    EXPECT_EQ(fAppEbike->LabelAdc->text(), QString::fromUtf8("ADC采样值：65280"));
    EXPECT_EQ(fAppEbike->LabelRf->text(), QString::fromUtf8("RF接收次数：0"));
    EXPECT_TRUE(LogHas("MCU数据监控应答"));

    ASSERT_TRUE(WindowFrame("TfAppEbike")->close());
    const size_t before = fOutPut->Memo1->Lines().size();
    Reply(0x8332, {1});  // logged by the output window only
    EXPECT_EQ(fOutPut->Memo1->Lines().size(), before + 3);
    EXPECT_EQ(fOutPut->Memo1->Lines().back(), "8332");
}

}  // namespace
