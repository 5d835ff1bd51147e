// The port manager through its own handlers: names, combos, the AT answer parser, the ring writer,
// opening on a pseudo-terminal, failed writes and a lost line, and the port list refresh.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <cerrno>

#include "PtyPair.h"
#include "link/ComManage.h"
#include "link/OutputLog.h"
#include "platform/MessageBox.h"
#include "support/LogCapture.h"

namespace {

TEST(PortNamesTest, ComStyleNamesArePrefixedAndCutDevicePathsStayWhole) {
    struct Row {
        const char* text;
        const char* commName;
        const char* comName;
    } rows[] = {
        {"COM3", "COM3", "COM3"},
        {"COM12", "//./COM12", "COM12"},
        {"COM123", "//./COM123", "COM12"},  // at most five characters shown
        {"/dev/ttyUSB0", "/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/pts/17", "/dev/pts/17", "/dev/pts/17"},
    };
    for (const auto& r : rows) {
        const PortNames names = MakePortNames(r.text);
        EXPECT_EQ(names.commName, r.commName) << r.text;
        EXPECT_EQ(names.comName, r.comName) << r.text;
    }
}

TEST(PortNamesTest, ComboIndexesToRateAndParity) {
    const uint32_t rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(BaudForIndex(i), rates[i]) << i;
    EXPECT_EQ(BaudForIndex(-1), std::nullopt);
    EXPECT_EQ(BaudForIndex(8), std::nullopt);
    // The combo lists "Even" "Mark" "None" "Odd" "Space": index 0 is Even, not the first parity.
    const TParity parities[] = {TParity::Even, TParity::Mark, TParity::None, TParity::Odd, TParity::Space};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ParityForIndex(i), parities[i]) << i;
    EXPECT_EQ(ParityForIndex(5), std::nullopt);
}

TEST(AtAnswerTest, EachChunkOnItsOwn) {
    struct Row {
        const char* legend;
        std::string chunk;
        bool ok;
        bool imeiRead;
        const char* imei;
    } rows[] = {
        {"plain OK", "\r\nOK\r\n", true, false, ""},
        {"IMEI with OK", "+EGMR: \"865432101234567\"\r\n\r\nOK\r\n", true, true, "865432101234567"},
        {"IMEI of 3 characters", "+EGMR: \"123\"\r\n", false, false, ""},
        {"IMEI of 16 characters", "+EGMR: \"8654321012345678\"\r\n", false, false, ""},
        {"one quote only", "+EGMR: \"865432101234567\r\n", false, false, ""},
        {"quotes without +EGMR:", "\"865432101234567\"", false, false, ""},
        {"first half of a split OK", "O", false, false, ""},
        {"second half of a split OK", "K\r\n", false, false, ""},
        {"OK without LF", "OK\r", false, false, ""},
    };
    for (const auto& r : rows) {
        const AtAnswer a =
            ParseAtAnswer(reinterpret_cast<const uint8_t*>(r.chunk.data()), static_cast<int>(r.chunk.size()));
        EXPECT_EQ(a.ok, r.ok) << r.legend;
        EXPECT_EQ(a.imeiRead, r.imeiRead) << r.legend;
        EXPECT_EQ(a.imei, r.imei) << r.legend;
    }
}

class ComManageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return MsgResult::Ok;
        });
        form = std::make_unique<TfComManage>();
        form->Timer1->stop();  // ticks are called by hand
        form->SetSleeper([](int) {});
        form->SetPortListSource([this] { return ports; });
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHandler(nullptr);
    }
    void Receive(const std::string& chunk) {
        form->Comm1ReceiveData(form->Comm1, reinterpret_cast<const uint8_t*>(chunk.data()),
                               static_cast<uint16_t>(chunk.size()));
    }
    void OpenOn(const PtyPair& pty) {
        form->ComboBox1->setEditText(QString::fromStdString(pty.SlavePath()));
        form->SpeedButton1Click();
    }
    QStringList Items() const {
        QStringList items;
        for (int i = 0; i < form->ComboBox1->count(); ++i) items << form->ComboBox1->itemText(i);
        return items;
    }

    std::unique_ptr<TfComManage> form;
    SerialCommMap ports;
    LogCapture log;
    std::vector<MessageBoxCall> boxes;
};

TEST_F(ComManageTest, WindowCarriesItsNamesAndDefaults) {
    EXPECT_EQ(fComManage, form.get());
    EXPECT_EQ(form->objectName(), "TfComManage");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("串口管理"));
    EXPECT_EQ(form->ComboBox2->currentText(), "115200");
    EXPECT_EQ(form->ComboBox3->currentText(), "None");
    EXPECT_FALSE(form->LampIsGreen());
    EXPECT_EQ(CurrentLinePort(), form.get());
    EXPECT_NE(form->findChild<QObject*>("Comm1"), nullptr);
    form.reset();
    EXPECT_EQ(fComManage, nullptr);
    EXPECT_EQ(CurrentLinePort(), nullptr);
}

TEST_F(ComManageTest, RingTakesWhatFitsAndAtBufferTheFirst2000) {
    std::string chunk(2500, '\0');
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i % 251);
    Receive(chunk);
    EXPECT_EQ(form->AtLength, 2000);
    EXPECT_EQ(RecvRing.Count, 2000);
    EXPECT_EQ(RecvRing.WriteIndex, 1);  // 2000 bytes from position 1 wrap back to 1
    EXPECT_EQ(RecvRing.Data[1], 0);
    EXPECT_EQ(RecvRing.Data[2000], 1999 % 251);
    EXPECT_EQ(form->AtBuffer[1999], 1999 % 251);
}

TEST_F(ComManageTest, AtAnswersSetTheFlagsAndSplitAnswersDoNot) {
    Receive("O");
    Receive("K\r\n");
    EXPECT_EQ(SysRunInfo.AtOk, 0);
    Receive("+EGMR: \"123\"\r\n");
    EXPECT_EQ(SysRunInfo.ImeiRead, 0);
    Receive("+EGMR: \"865432101234567\"\r\n\r\nOK\r\n");
    EXPECT_EQ(SysRunInfo.AtOk, 1);
    EXPECT_EQ(SysRunInfo.ImeiRead, 1);
    EXPECT_EQ(SysRunInfo.Imei, "865432101234567");
    // Nothing here clears the flags again.
    Receive("ERROR\r\n");
    EXPECT_EQ(SysRunInfo.AtOk, 1);
}

TEST_F(ComManageTest, HitEchoesChunksIntoTheLog) {
    Receive("quiet");
    EXPECT_TRUE(log.lines.empty());
    form->CheckBox2->setChecked(true);
    Receive(std::string("a\0b", 3));
    EXPECT_EQ(log.lines, std::vector<std::string>{"ab"});
}

TEST_F(ComManageTest, OpeningGreetsWithThreeAtLinesAndReceivesIntoTheRing) {
    PtyPair pty;
    OpenOn(pty);
    ASSERT_TRUE(boxes.empty());
    EXPECT_EQ(pty.Receive(12), "AT\r\nAT\r\nAT\r\n");
    EXPECT_TRUE(GlobalData.ComOpen);
    EXPECT_TRUE(form->LampIsGreen());
    EXPECT_EQ(GlobalData.ComName, pty.SlavePath());
    EXPECT_EQ(form->PortOpenedOnce, 1);
    EXPECT_EQ(form->LastPortText, pty.SlavePath());

    ASSERT_TRUE(pty.Send("\r\nOK\r\n"));
    ASSERT_TRUE(WaitUntil([] { return SysRunInfo.AtOk == 1; }));
    EXPECT_EQ(RecvRing.Count, 6);

    // A second "OpenCom" only warns; no more AT lines go out.
    form->SpeedButton1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("请先关闭端端口!"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("警告窗口"));
    EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
    EXPECT_EQ(pty.Receive(1, 50), "");

    form->SpeedButton2Click();
    EXPECT_FALSE(GlobalData.ComOpen);
    EXPECT_FALSE(form->LampIsGreen());
    EXPECT_FALSE(form->Comm1->IsOpen());
}

TEST_F(ComManageTest, OpenFailureWarnsAndStaysClosed) {
    form->ComboBox1->setEditText("/nonexistent/tty");
    form->SpeedButton1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("串口打开失败!请检查所选串口.."));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("警告窗口"));
    EXPECT_FALSE(GlobalData.ComOpen);
    EXPECT_FALSE(form->LampIsGreen());
    EXPECT_EQ(log.lines, std::vector<std::string>{"串口打开失败: /nonexistent/tty: no such device"});
}

TEST(OpenFailureLogTest, TheSystemsReasonInTheTechniciansWords) {
    struct Row {
        int error;
        const char* reason;
    } rows[] = {
        {ENOENT, "no such device"},
        {ENXIO, "no such device"},
        // A refused permission names the device's own group: see the port permission tests.
        {EBUSY, "in use by another program"},
        {EWOULDBLOCK, "in use by another program"},
        {ENOTTY, "not a serial port"},
        {0, "Error creating read thread"},  // no error number: the component's own text
    };
    for (const auto& r : rows)
        EXPECT_EQ(OpenFailureLog("/dev/ttyUSB0", r.error, "Error creating read thread"),
                  std::string("串口打开失败: /dev/ttyUSB0: ") + r.reason)
            << r.error;
}

TEST_F(ComManageTest, APortHeldByAnotherProgramIsNamedAsInUse) {
    PtyPair pty;
    const int other = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    OpenOn(pty);
    ::close(other);
    EXPECT_FALSE(GlobalData.ComOpen);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"串口打开失败: " + pty.SlavePath() + ": in use by another program"});
}

TEST_F(ComManageTest, ThePortBoxShowsTheWholePathInItsTooltip) {
    const QString path = "/dev/serial/by-id/usb-Vendor_USB_Serial_0123456789-if00-port0";
    form->ComboBox1->setEditText(path);
    EXPECT_EQ(form->ComboBox1->toolTip(), path);
    EXPECT_GE(form->ComboBox1->minimumContentsLength(), 24);
}

TEST_F(ComManageTest, AFailedWriteClosesThePortWithTheLogLine) {
    form->SendErrorDeal();  // ComOpen clear: nothing at all
    EXPECT_TRUE(log.lines.empty());
    PtyPair pty;
    OpenOn(pty);
    ASSERT_EQ(pty.Receive(12), "AT\r\nAT\r\nAT\r\n");
    pty.CloseMaster();
    // Without running the main thread's queue (so the hang-up notice waits), keep sending: the transmit
    // thread fails on the dead line and ends, and the next write is refused.
    CommandRecord.Cmd = 0x0300;
    CommandRecord.Len = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTestWaitMs);
    while (GlobalData.ComOpen && std::chrono::steady_clock::now() < deadline) {
        SendFrame();
        QThread::msleep(2);
    }
    EXPECT_FALSE(GlobalData.ComOpen);
    EXPECT_FALSE(form->LampIsGreen());
    EXPECT_FALSE(form->Comm1->IsOpen());
    EXPECT_EQ(log.lines, std::vector<std::string>{kSendErrorLog});
    Settle(50);  // the late hang-up notice of the closed port adds nothing
    EXPECT_EQ(log.lines.size(), 1u);
}

TEST_F(ComManageTest, ALostLineIsClosedAndLoggedOnce) {
    PtyPair pty;
    OpenOn(pty);
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([] { return !GlobalData.ComOpen; }));
    EXPECT_FALSE(form->LampIsGreen());
    EXPECT_FALSE(form->Comm1->IsOpen());
    Settle(50);
    EXPECT_EQ(log.lines, std::vector<std::string>{kPortLostLog});
}

TEST_F(ComManageTest, ListRefreshKeepsTheChoiceAndFreezesWhileOpen) {
    ports = {{"\\Device\\Serial0", "/dev/ttyS0"},
             {"\\Device\\Serial1", "/dev/ttyS1"},
             {"\\Device\\USBSER000", "/dev/ttyUSB0"}};
    form->Timer1Timer();
    EXPECT_EQ(Items(), (QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);

    form->ComboBox1->setCurrentIndex(2);
    form->Timer1Timer();
    EXPECT_EQ(form->ComboBox1->currentIndex(), 2);

    GlobalData.ComOpen = kTrue32;
    ports.pop_back();
    form->Timer1Timer();
    EXPECT_EQ(form->ComboBox1->count(), 3);

    GlobalData.ComOpen = 0;
    ports.clear();
    form->Timer1Timer();
    EXPECT_EQ(form->ComboBox1->count(), 0);
    EXPECT_EQ(form->ComboBox1->currentText(), "");
}

TEST_F(ComManageTest, LockListsOnlyTheLastOpenedPort) {
    PtyPair pty;
    ports = {{"\\Device\\Serial0", "/dev/ttyS0"}, {"\\Device\\Serial1", pty.SlavePath()}};
    form->Timer1Timer();
    form->ComboBox1->setCurrentIndex(1);
    form->SpeedButton1Click();
    ASSERT_TRUE(GlobalData.ComOpen);
    form->SpeedButton2Click();
    form->CheckBox3->setChecked(true);
    form->Timer1Timer();
    EXPECT_EQ(Items(), QStringList{QString::fromStdString(pty.SlavePath())});
}

TEST_F(ComManageTest, UsbScanKeepsAtMostTenConsecutiveNames) {
    ports = {{UsbSerialValueName(0), "/dev/ttyUSB0"}, {UsbSerialValueName(1), "/dev/ttyACM0"}};
    form->GetMTKUsbComPortInfo();
    EXPECT_EQ(GlobalData.UsbComCount, 2);
    EXPECT_EQ(GlobalData.UsbComNames[1], "/dev/ttyACM0");

    ports.clear();
    for (int n = 0; n < 12; ++n) ports.emplace_back(UsbSerialValueName(n), "/dev/ttyUSB" + std::to_string(n));
    form->GetMTKUsbComPortInfo();
    EXPECT_EQ(GlobalData.UsbComCount, 10);
    EXPECT_EQ(GlobalData.UsbComNames[9], "/dev/ttyUSB9");
}

TEST_F(ComManageTest, UsbModeOpensTheListedUsbPort) {
    PtyPair pty;
    form->CheckBox1->setChecked(true);
    form->CheckBox1Click();  // empty USB list
    form->SpeedButton1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("未找到有效的MTKUSB!"));

    ports = {{UsbSerialValueName(0), pty.SlavePath()}};
    form->CheckBox1Click();
    form->Timer1Timer();  // the system list must not replace the USB names
    EXPECT_EQ(Items(), QStringList{QString::fromStdString(pty.SlavePath())});
    form->SpeedButton1Click();
    EXPECT_TRUE(GlobalData.ComOpen);
    EXPECT_EQ(pty.Receive(12), "AT\r\nAT\r\nAT\r\n");

    // Leaving the mode closes the port and says so everywhere.
    form->CheckBox1->setChecked(false);
    form->CheckBox1Click();
    EXPECT_FALSE(GlobalData.ComOpen);
    EXPECT_FALSE(form->Comm1->IsOpen());
    EXPECT_EQ(form->ComboBox1->count(), 20);
    EXPECT_EQ(form->ComboBox1->itemText(19), "COM20");
}

}  // namespace
