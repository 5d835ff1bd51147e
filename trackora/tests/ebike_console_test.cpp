// The e-bike console: its window, the parameter pages' texts and messages, one button of every payload
// kind and every special builder as hex lines, what it refuses to send, and its two polls.
//
// Expected lines follow the frame rule: "ATKQ", 4B 51, nine 00, command and Len high byte first, the
// payload, the sum, 0D 0A, CR LF. The sum is 0x9C (4B + 51) plus the command, Len and payload bytes, low
// 8 bits.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "console_fixture.h"
#include "consoles/TfAppEbike.h"
#include "platform/HiddenLayout.h"

namespace {

using Prepare = std::function<void(QWidget*)>;

class EbikeTest : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        form = std::make_unique<TfAppEbike>();
    }
    void TearDown() override {
        form.reset();
        ConsoleTest::TearDown();
    }
    void Page(int index) { form->PageControl1->setCurrentIndex(index); }
    // The lines one click sent, and the texts of the boxes it showed.
    std::pair<std::vector<std::string>, std::vector<QString>> Press(const char* button,
                                                                    const Prepare& setup = {}) {
        port.lines.clear();
        boxes.clear();
        if (setup) setup(form.get());
        Click(form.get(), button);
        std::vector<QString> texts;
        for (const auto& box : boxes) texts.push_back(box.text);
        return {port.lines, texts};
    }

    std::unique_ptr<TfAppEbike> form;
};

TEST_F(EbikeTest, WindowPagesAndStartState) {
    EXPECT_EQ(form->objectName(), "TfAppEbike");
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("电瓶车/摩托车终端-通用设置"));
    // Never smaller than 573 x 350; wider where the pages need it at the fonts in use.
    EXPECT_EQ(form->size(), QSize(573, 350).expandedTo(form->minimumSizeHint()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "a fixed border";
    const char* captions[] = {"厂家参数", "报警叁数", "运行参数", "gSensor管理", "设备调试", "Kesmo调试",
                              "IMEI管理", "Kesmo2.0", "下载",     "系统调试",    "4G测试",   "4G扩展"};
    ASSERT_EQ(form->PageControl1->count(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(form->PageControl1->tabText(i), QString::fromUtf8(captions[i])) << i;
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    for (QTimer* timer : {form->Timer1, form->Timer2, form->Timer3}) {
        EXPECT_FALSE(timer->isActive());
        EXPECT_EQ(timer->interval(), 1000);
    }
    EXPECT_EQ(form->ShapeColor(), QColor(Qt::white));
    EXPECT_FALSE(IsChecked(form.get(), "Check_TERIID"));
    EXPECT_TRUE(IsChecked(form.get(), "Check_DW_ADDR"));
    for (const char* button :
         {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4", "GpsReset", "Dial"})
        EXPECT_NE(form->findChild<QPushButton*>(button), nullptr) << button;
    // Hidden in the normal layout, shown in the build that shows every control.
    for (const char* button : {"HexTest", "ShowPageIndex"})
        EXPECT_EQ(!form->findChild<QPushButton*>(button)->isHidden(), kShowHiddenControls) << button;
    EXPECT_FALSE(form->findChild<QPushButton*>("GpsReset")->isHidden());
}

TEST_F(EbikeTest, ParameterPages) {
    const QString nothing = QString::fromUtf8("您未选择设置项目");
    const QString wrongPage = QString::fromUtf8("您当前未在参数页面，请切换到参数页面");
    struct Row {
        const char* legend;
        int page;
        std::vector<const char*> checks;
        const char* button;
        const char* line;  // empty: nothing sent
        QString message;
    } rows[] = {
        // Len 40 (0x28): 0x9C + 0x02 + 0x01 + 0x28 + bytes 0xB2A = 0xBF1 -> EF
        {"page 0 set",
         0,
         {"TERIID", "SERVPORT"},
         "SpeedButton1",
         "ATKQ4B5100000000000000000002010028235445524949443D4142434445464748494A31323334353637382353455256504"
         "F52543D"
         "35303032EF0D0A",
         {}},
        // Len 16: 0x9C + 0x02 + 0x02 + 0x10 + bytes 0x58C = 0x63C -> 3C
        {"page 0 query",
         0,
         {"TERIID", "SERVPORT"},
         "SpeedButton2",
         "ATKQ4B5100000000000000000002020010235445524949442353455256504F52543C0D0A",
         {}},
        // "#VIBCHK=10:4": Len 12, 0x9C + 0x03 + 0x0C + bytes 0x3E6 = 0x491 -> 91
        {"page 1 set of the composite",
         1,
         {"VIBCHK"},
         "SpeedButton1",
         "ATKQ4B510000000000000000000201000C2356494243484B3D31303A34910D0A",
         {}},
        {"page 1 query",
         1,
         {"VIBCHK"},
         "SpeedButton2",
         "ATKQ4B51000000000000000000020200072356494243484B810D0A",
         {}},
        {"page 2 set with query-only boxes", 2, {"FLICALC", "CHARGE_STATUS"}, "SpeedButton1", "", nothing},
        // Len 22 (0x16): 0x9C + 0x04 + 0x16 + bytes 0x621 = 0x6D7 -> D7
        {"page 2 query",
         2,
         {"FLICALC", "CHARGE_STATUS"},
         "SpeedButton2",
         "ATKQ4B510000000000000000000202001623464C4943414C43234348415247455F535441545553D70D0A",
         {}},
        // all seven boxes start checked; Len 66 (0x42), sum C0
        {"page 8 query at start",
         8,
         {},
         "SpeedButton2",
         "ATKQ4B51000000000000000000020200422344575F414444522344575F504F52542344575F464C4147234155544F5F454E4"
         "1424C"
         "45234155544F5F41444452234155544F5F504F5254234155544F5F464C4147C00D0A",
         {}},
        {"a command page before 11 has nothing to send", 10, {}, "SpeedButton1", "", nothing},
        {"query there too", 10, {}, "SpeedButton2", "", nothing},
        {"page 11 is no parameter page", 11, {}, "SpeedButton1", "", wrongPage},
        {"query there too", 11, {}, "SpeedButton2", "", wrongPage},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        form = std::make_unique<TfAppEbike>();
        Page(row.page);
        const auto [lines, texts] = Press(row.button, [&row](QWidget* w) {
            for (const char* key : row.checks) Check(w, std::string("Check_") + key);
        });
        if (*row.line) {
            EXPECT_EQ(lines, std::vector<std::string>{std::string(row.line) + "\r\n"});
            EXPECT_TRUE(texts.empty());
        } else {
            EXPECT_TRUE(lines.empty());
            EXPECT_EQ(texts, std::vector<QString>{row.message});
        }
    }
}

TEST_F(EbikeTest, CheckAllAndClearAllLeaveTheirExceptions) {
    Page(1);
    Click(form.get(), "SpeedButton3");
    EXPECT_TRUE(IsChecked(form.get(), "Check_POFT"));
    EXPECT_TRUE(IsChecked(form.get(), "Check_VIBT"));
    EXPECT_FALSE(IsChecked(form.get(), "Check_HTTP_REF"));
    Check(form.get(), "Check_HTTP_REF");
    Click(form.get(), "SpeedButton4");
    EXPECT_FALSE(IsChecked(form.get(), "Check_POFT"));
    EXPECT_TRUE(IsChecked(form.get(), "Check_HTTP_REF"));

    Page(2);
    Click(form.get(), "SpeedButton3");
    EXPECT_TRUE(IsChecked(form.get(), "Check_TRACE"));
    EXPECT_TRUE(IsChecked(form.get(), "Check_FLICALC"));
    for (const char* kept : {"LED_CTRL", "GPRS_CTRL", "EXPTRST_TIMES", "CHARGE_STATUS"})
        EXPECT_FALSE(IsChecked(form.get(), std::string("Check_") + kept)) << kept;

    Page(8);
    Click(form.get(), "SpeedButton4");
    EXPECT_TRUE(IsChecked(form.get(), "Check_DW_ADDR")) << "only pages 0 to 2";
}

// One button of every payload kind and every special builder, at the window's start values unless the
// row sets others.
TEST_F(EbikeTest, CommandLines) {
    struct Row {
        const char* button;
        Prepare setup;
        const char* line;
    } rows[] = {
        // none: 0x9C + 0x03 + 0x70 = 0x10F -> 0F
        {"FlightMode",
         {},
         "ATKQ4B5100000000000000000003700000"
         "0F0D0A"},
        // hex fields and a byte: 26 52 30 06; 0x9C + 0x03 + 0x16 + 0x04 + 0xAE = 0x167
        {"WriteGsRegister", {}, "ATKQ4B510000000000000000000316000426523006670D0A"},
        // coordinates and BE16: 70 0C 22 38 16 0C 22 38 00 0A
        {"MileageTest", {}, "ATKQ4B51000000000000000000030E000A700C2238160C2238000A130D0A"},
        // two indexes, the second box picked by hand: 01 00
        {"LedSwitch", [](QWidget* w) { Pick(w, "ComboLedTarget", 1); },
         "ATKQ4B51000000000000000000031500020100B70D0A"},
        // text of 32 characters, sent as characters, not as the bytes they spell
        {"Uart1Once",
         {},
         "ATKQ4B510000000000000000000320002031313232333334343535363637373838393941414242434344444545464630302"
         "3"
         "0D0A"},
        // index + 1: item "11" (index 10) sends 0B
        {"Buzzer5", {}, "ATKQ4B51000000000000000000035800010B030D0A"},
        // BE32: 140 = 00 00 00 8C; 0x9C + 0x03 + 0x23 + 0x04 + 0x8C = 0x152
        {"SetTerminalId", {}, "ATKQ4B51000000000000000000032300040000008C520D0A"},
        // six edits 13 10 13 16 00 00 -> 0D 0A 0D 10 00 00
        {"SetInitTime", {}, "ATKQ4B51000000000000000000032500060D0A0D100000FE0D0A"},
        // a constant: 0A
        {"ReportAudio", {}, "ATKQ4B51000000000000000000033100010ADB0D0A"},
        // BE16 and hex pairs: 05 DC 01..08; 0x9C + 0x03 + 0x27 + 0x0A + 0x05 + 0xDC + 0x24 = 0x1D5
        {"TwiWrite", {}, "ATKQ4B510000000000000000000327000A05DC0102030405060708D50D0A"},
        // index and hex pairs: register 3, "AB"
        {"SetRfRegister",
         [](QWidget* w) {
             Pick(w, "ComboRfRegister", 3);
             Type(w, "EditRfData", "AB");
         },
         "ATKQ4B510000000000000000000360000203ABAF0D0A"},
        // the record: 0B, 11 digits, 10 (16 bytes of code page 936 text), the text; sum 45
        {"SmsSend", [](QWidget* w) { Type(w, "EditSmsNumber", "13800000000"); },
         "ATKQ4B510000000000000000000310001D0B3133383030303030303030104C543632B2E2CAD4B6CCD0C5B7A2CBCD450D0"
         "A"},
        // warm start: class, id, length 04 00, mask 01 00, mode 02, 00; check bytes over those eight:
        // A 06 0A 0E 0E 0F 0F 11 11, B 06 10 1E 2C 3B 4A 5B 6C
        {"GpsReset", [](QWidget* w) { Pick(w, "ComboGpsRestart", 1); },
         "ATKQ4B51000000000000000000031D000CB5620604040001000200116C6D0D0A"},
        // cold: mask FF 07, A = 0x06 + 0x04 + 0x04 + 0xFF + 0x07 + 0x02 = 0x116 -> 16, B 79
        {"GpsReset", [](QWidget* w) { Pick(w, "ComboGpsRestart", 0); },
         "ATKQ4B51000000000000000000031D000CB56206040400FF0702001679840D0A"},
        // hot: mask 00 00, A 10, B 68
        {"GpsReset", [](QWidget* w) { Pick(w, "ComboGpsRestart", 2); },
         "ATKQ4B51000000000000000000031D000CB56206040400000002001068670D0A"},
        // 1000 = 03 E8, 03 + E8 = EB: the characters "03E8EB"
        {"SetFrameNumber", {}, "ATKQ4B5100000000000000000003390006303345384542450D0A"},
        // 70000 = 0x11170, low 16 bits 11 70, 11 + 70 = 81: "117081"
        {"SetFrameNumber", [](QWidget* w) { Type(w, "EditFrameNumber", "70000"); },
         "ATKQ4B5100000000000000000003390006313137303831100D0A"},
        // "20140328090101": 14 03 28 09 01 01 in decimal -> 0E 03 1C 09 01 01
        {"SetSystemTime", {}, "ATKQ4B51000000000000000000032500060E031C090101020D0A"},
        // "1020": 10 20 -> 0A 14
        {"SetAlarmClock", {}, "ATKQ4B51000000000000000000051300020A14D40D0A"},
        // 41030404054 = 0x0098D9A47D6 -> 00 09 8D 9A 47 D6
        {"SetObdId", {}, "ATKQ4B510000000000000000000375000600098D9A47D6670D0A"},
        // 2^48 - 1, the largest id: six FF; 0x9C + 0x03 + 0x75 + 0x06 + 6 * 0xFF = 0x714
        {"SetObdId", [](QWidget* w) { Type(w, "EditObdId", "281474976710655"); },
         "ATKQ4B5100000000000000000003750006FFFFFFFFFFFF140D0A"},
        // count 1: the register alone; count 5: register and count
        {"ReadRfRegister", {}, "ATKQ4B510000000000000000000361000100010D0A"},
        {"ReadRfRegister", [](QWidget* w) { Type(w, "EditRfData", "5"); },
         "ATKQ4B51000000000000000000036100020005070D0A"},
        // BE16 and a byte: 120 = 00 78, 15 = 0F
        {"ObdSpeedAlarm", {}, "ATKQ4B510000000000000000000426000300780F500D0A"},
        // cell-module rows of pages 10 and 11 (each sub-code's line is in the builder's own test)
        {"SocketSend", {}, "ATKQ4B5100000000000000000003A500050503414243170D0A"},
        {"UsbAlwaysOff", {}, "ATKQ4B5100000000000000000003A500021733900D0A"},
        {"Network4G", {}, "ATKQ4B5100000000000000000003A500021A04640D0A"},
        // 13 + the first 19 of 25 characters + 00: Len 21, sum EB
        {"ErrorDisplay",
         [](QWidget* w) {
             Type(w, "EditErrorLine1", "ABCDEFGHIJKLMNOPQRSTUVWXY");
             Type(w, "EditErrorLine2", "");
         },
         "ATKQ4B5100000000000000000003A60015134142434445464748494A4B4C4D4E4F5051525300EB0D0A"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        form = std::make_unique<TfAppEbike>();
        const auto [lines, texts] = Press(row.button, row.setup);
        EXPECT_EQ(lines, std::vector<std::string>{std::string(row.line) + "\r\n"});
        EXPECT_TRUE(texts.empty()) << texts.front().toStdString();
    }
}

TEST_F(EbikeTest, WhatIsRefusedSendsNothing) {
    const QString tooLong = QStringLiteral("%1 (492 > 491)").arg(QString::fromUtf8(kSendTooLongLog));
    const QString longHex(984, 'A');  // 492 bytes as pairs
    struct Row {
        const char* legend;
        const char* button;
        Prepare setup;
        QString message;  // empty: any message
    } rows[] = {
        {"no restart kind picked",
         "GpsReset",
         [](QWidget* w) { SetComboIndex(w, "ComboGpsRestart", -1); },
         {}},
        {"an id of 2^48", "SetObdId", [](QWidget* w) { Type(w, "EditObdId", "281474976710656"); }, {}},
        {"a negative id", "SetObdId", [](QWidget* w) { Type(w, "EditObdId", "-1"); }, {}},
        {"an id that is no number", "SetObdId", [](QWidget* w) { Type(w, "EditObdId", "41O"); }, {}},
        {"13 characters of time", "SetSystemTime",
         [](QWidget* w) { Type(w, "EditSystemTime", "2014032809010"); },
         QString::fromUtf8("参数长度错误!!!")},
        {"a time group that is no number", "SetSystemTime",
         [](QWidget* w) { Type(w, "EditSystemTime", "2014032809010x"); }, QString::fromUtf8("参数错误!!!")},
        {"the register write's own message", "WriteGsRegister",
         [](QWidget* w) { Type(w, "EditGsValue", "5G"); }, QString::fromUtf8("参数错误!!!")},
        {"the register read's own message", "ReadGsRegister", [](QWidget* w) { Type(w, "EditGsChip", "x"); },
         QString::fromUtf8("数据设置错误!!!")},
        {"an IMEI of 14 characters", "WriteImei", [](QWidget* w) { Type(w, "EditImei", "86543210123456"); },
         QString::fromUtf8("请输入正确的长度15位")},
        {"free text 0x0320", "Uart1Once", [](QWidget* w) { Type(w, "EditFreeText", QString(492, 'a')); },
         tooLong},
        {"free text 0x0321", "Uart1Repeat", [](QWidget* w) { Type(w, "EditFreeText", QString(492, 'a')); },
         tooLong},
        {"hex pairs 0x0322", "HexTest", [&](QWidget* w) { Type(w, "EditHexTest", longHex); }, tooLong},
        {"hex pairs 0x0327", "TwiWrite", [](QWidget* w) { Type(w, "EditTwiData", QString(980, 'A')); },
         tooLong},
        {"text 0x0351", "SetAuthAddr", [](QWidget* w) { Type(w, "EditAuthAddr", QString(492, 'a')); },
         tooLong},
        {"text 0x035A", "OneWireSend", [](QWidget* w) { Type(w, "EditOneWire", QString(492, 'a')); },
         tooLong},
        {"text 0x0392", "MakeQr", [](QWidget* w) { Type(w, "EditQrText", QString(492, 'a')); }, tooLong},
        {"hex pairs 0x0360", "SetRfRegister", [](QWidget* w) { Type(w, "EditRfData", QString(982, 'A')); },
         tooLong},
        {"hex pairs that are not", "SetRfRegister", [](QWidget* w) { Type(w, "EditRfData", "1Z"); }, {}},
        {"a \"#\" inside a parameter value",
         "SpeedButton1",
         [](QWidget* w) {
             Check(w, "Check_APN");
             Type(w, "Value_APN", "CM#NET");
         },
         {}},
        {"a parameter text over one frame", "SpeedButton1",
         [](QWidget* w) {
             Check(w, "Check_SERVIP");
             Type(w, "Value_SERVIP", QString(484, 'a'));  // "#SERVIP=" + 484 = 492
         },
         tooLong},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        form = std::make_unique<TfAppEbike>();
        Click(form.get(), "FlightMode");  // leaves its bytes in the send record: none may go out again
        const auto [lines, texts] = Press(row.button, row.setup);
        EXPECT_TRUE(lines.empty());
        ASSERT_EQ(texts.size(), 1u);
        if (!row.message.isEmpty()) {
            EXPECT_EQ(texts[0], row.message);
        }
    }
    // A button of the window's own that only shows a text.
    form = std::make_unique<TfAppEbike>();
    const auto [lines, texts] = Press("SerialPortTest");
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(texts, std::vector<QString>{QStringLiteral("//./")});
}

TEST_F(EbikeTest, PollsSendAtEveryTickWhileTheirButtonsHaveThemOn) {
    struct Row {
        const char* start;
        const char* stop;
        QTimer* TfAppEbike::*timer;
        void (TfAppEbike::*tick)();
        const char* line;
    } rows[] = {
        // 0x9C + 0x03 + 0x32 = 0xD1
        {"StartSpeedRead", "StopSpeedRead", &TfAppEbike::Timer1, &TfAppEbike::Timer1Timer,
         "ATKQ4B5100000000000000000003320000D10D0A\r\n"},
        // 0x9C + 0x03 + 0x5F = 0xFE
        {"StartMonitor", "StopMonitor", &TfAppEbike::Timer3, &TfAppEbike::Timer3Timer,
         "ATKQ4B51000000000000000000035F0000FE0D0A\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.start);
        port.lines.clear();
        QTimer* timer = form.get()->*row.timer;
        Click(form.get(), row.start);
        EXPECT_TRUE(timer->isActive());
        EXPECT_TRUE(port.lines.empty()) << "the first poll waits for the first tick";
        (form.get()->*row.tick)();
        (form.get()->*row.tick)();
        EXPECT_EQ(port.lines, (std::vector<std::string>{row.line, row.line}));
        Click(form.get(), row.stop);
        EXPECT_FALSE(timer->isActive());
    }
    Click(form.get(), "StartSpeedRead");
    Click(form.get(), "StartMonitor");
    form->FormClose();
    EXPECT_FALSE(form->Timer1->isActive()) << "closing ends the polls";
    EXPECT_FALSE(form->Timer3->isActive());
}

}  // namespace
