// The fixed-command windows and the two start-up windows: one case per kind of payload, the buttons' own
// messages, and the values that cannot fit their field.
#include <QCoreApplication>
#include <QEvent>
#include <functional>
#include <memory>

#include "console_fixture.h"
#include "consoles/FixedConsoles.h"
#include "consoles/StartupWindows.h"
#include "reply_test_util.h"
#include "shell/WindowCatalog.h"
#include "shell/WindowOpener.h"

namespace {

using FixedConsoleTest = ConsoleTest;

TEST_F(FixedConsoleTest, SmsRecordCountsCodePageBytes) {
    TfSmsTest form;
    Type(&form, "Edit1", "13800");
    Type(&form, "Edit2", "Hi");
    Click(&form, "SpeedButton1");
    // 05 "13800" 02 "Hi": Len 9; 0x9C + 0x03 + 0x10 + 0x09 = 0xB8, payload bytes add 0x1B4 -> 0x26C -> 0x6C.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0], "ATKQ4B51000000000000000000031000090531333830300248696C0D0A\r\n");

    // Two characters, four bytes: 你 C4E3, 好 BAC3.
    Type(&form, "Edit4", "你好");
    Type(&form, "Edit3", "13800");
    Click(&form, "SpeedButton2");
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[1].cmd, 0x030D);
    EXPECT_EQ(Frames()[1].payload, Bytes({5, '1', '3', '8', '0', '0', 4, 0xC4, 0xE3, 0xBA, 0xC3}));

    Type(&form, "Edit2", "");
    Click(&form, "SpeedButton1");
    EXPECT_EQ(Frames()[2].payload, Bytes({5, '1', '3', '8', '0', '0', 0}));  // Len = 2 + 5
}

TEST_F(FixedConsoleTest, SmsRecordLongerThanItsLengthByteIsRefused) {
    TfSmsTest form;
    Type(&form, "Edit1", "13800");
    Type(&form, "Edit2", QString(128, QChar(0x4E2D)));  // 中 x 128 = 256 bytes
    Click(&form, "SpeedButton1");
    EXPECT_TRUE(port.lines.empty());
    ASSERT_EQ(boxes.size(), 1u);

    Type(&form, "Edit2", QString(255, 'x'));  // 2 + 5 + 255 = 262 bytes, within a frame
    Click(&form, "SpeedButton1");
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0].payload.size(), 262u);
    EXPECT_EQ(static_cast<uint8_t>(Frames()[0].payload[6]), 255);
}

TEST_F(FixedConsoleTest, FreeParameterText) {
    struct Row {
        const char* legend;
        const char* button;
        const char* edit;
        QString text;
        const char* message;  // nullptr: sent unchanged
        int cmd;
    } rows[] = {
        {"set text", "SpeedButton3", "Edit5", "#SERVIP=a#SERVPORT=1", nullptr, 0x0201},
        {"query text", "SpeedButton4", "Edit6", "#SERVIP#SERVPORT", nullptr, 0x0202},
        {"no leading #", "SpeedButton3", "Edit5", "SERVIP=1", "Input Format Error", 0},
        {"empty", "SpeedButton4", "Edit6", "", "Input info is empty", 0},
        {"longer than a frame", "SpeedButton3", "Edit5", "#" + QString(491, 'a'), "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        boxes.clear();
        TfSmsTest form;
        Type(&form, row.edit, row.text);
        Click(&form, row.button);
        if (!row.message) {
            ASSERT_EQ(Frames().size(), 1u);
            EXPECT_EQ(Frames()[0].cmd, row.cmd);
            EXPECT_EQ(Frames()[0].payload, row.text.toStdString());
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        EXPECT_TRUE(port.lines.empty());
        ASSERT_EQ(boxes.size(), 1u);
        if (*row.message) {
            EXPECT_EQ(boxes[0].text, QString::fromLatin1(row.message));
        }
    }
}

TEST_F(FixedConsoleTest, ImeiCheckDigit) {
    struct Row {
        const char* body;
        int digit;
    } rows[] = {
        // odd positions 4+0+5+2+3+3+5 = 22; doubled even positions 9,1,4,0,2,7,1 give 9+2+8+0+4+5+2 = 30;
        // 52 -> 10 - 2 = 8.
        {"49015420323751", 8},
        {"00000000000001", 8},  // 2 * 1 = 2 -> 8
        {"00000000000000", 0},  // a multiple of 10 gives 0
        {"00000000000005", 9},  // 2 * 5 = 10, digit sum 1 -> 10 - 1 = 9
    };
    for (const auto& row : rows) EXPECT_EQ(ImeiCheckDigit(row.body), row.digit) << row.body;
    EXPECT_EQ(ImeiCheckDigit("0000000000000"), std::nullopt);

    TfCallTest form;
    Type(&form, "Edit2", "49015420323751");
    Click(&form, "SpeedButton2");
    EXPECT_EQ(EditText(&form, "Edit3"), "8");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QString::fromUtf8("校验成功"));

    Type(&form, "Edit2", "4901542032375");
    Click(&form, "SpeedButton2");
    EXPECT_EQ(boxes.back().text, QString::fromUtf8("数据长度有误"));

    Type(&form, "Edit2", "49015420323A51");
    Click(&form, "SpeedButton2");
    EXPECT_EQ(boxes.back().text, QStringLiteral("'A' is not a valid integer value"));
    EXPECT_EQ(boxes.back().icon, MsgIcon::Error);
    EXPECT_EQ(EditText(&form, "Edit3"), "8");
    EXPECT_TRUE(port.lines.empty());
}

TEST_F(FixedConsoleTest, PayloadKinds) {
    struct Row {
        const char* legend;
        std::function<QWidget*()> make;
        std::function<void(QWidget*)> setup;
        const char* button;
        int cmd;
        std::string payload;
        const char* line = nullptr;  // the exact line, where worked out by hand
    } rows[] = {
        {"constant byte", [] { return new TfCallTest; }, [](QWidget*) {}, "SpeedButton4", 0x0122, Bytes({2})},
        {"no payload", [] { return new TfCallTest; }, [](QWidget*) {}, "SpeedButton8", 0x0124, ""},
        {"volume index", [] { return new TfCallTest; }, [](QWidget* f) { Pick(f, "ComboBox1", 6); },
         "SpeedButton9", 0x0332, Bytes({6})},
        {"typed volume: -1 as a byte", [] { return new TfCallTest; },
         [](QWidget* f) { TypeInCombo(f, "ComboBox1", "7"); }, "SpeedButton9", 0x0332, Bytes({0xFF})},
        {"number text", [] { return new TfCallTest; }, [](QWidget* f) { Type(f, "Edit1", "10086"); },
         "SpeedButton1", 0x031A, "10086"},
        // 0x9C + 0x05 + 0x02 + 0x01 + 0x0C = 0xB0.
        {"band index 3 sends 12", [] { return new TfRK_mtv; }, [](QWidget*) {}, "SpeedButton3", 0x0502,
         Bytes({0x0C}), "ATKQ4B51000000000000000000050200010CB00D0A\r\n"},
        {"band index 1", [] { return new TfRK_mtv; }, [](QWidget* f) { Pick(f, "ComboBox1", 1); },
         "SpeedButton3", 0x0502, Bytes({1})},
        {"work mode", [] { return new TfRK_mtv; }, [](QWidget* f) { Pick(f, "ComboBox2", 1); },
         "SpeedButton5", 0x0504, Bytes({1})},
        {"IMEI text", [] { return new TfRK_mtv; }, [](QWidget* f) { Type(f, "Edit1", "860000000000001"); },
         "SpeedButton1", 0x0500, "860000000000001"},
        // 0x9C + 0x03 + 0x74 + 0x02 + 0x0F + 0x3C = 0x160 -> 0x60.
        {"voltage high byte first", [] { return new TfSFWatch; },
         [](QWidget* f) { Type(f, "Edit1", "3900"); }, "SpeedButton2", 0x0374, Bytes({0x0F, 0x3C}),
         "ATKQ4B51000000000000000000037400020F3C600D0A\r\n"},
        {"voltage in hexadecimal", [] { return new TfSFWatch; }, [](QWidget* f) { Type(f, "Edit1", "$F3C"); },
         "SpeedButton2", 0x0374, Bytes({0x0F, 0x3C})},
        // 0x9C + 0x03 + 0xA9 + 0x03 + 0x02 + 0x05 = 0x152 -> 0x52.
        {"mode index then interval", [] { return new TfSFWatch; }, [](QWidget* f) { Type(f, "Edit2", "5"); },
         "SpeedButton3", 0x03A9, Bytes({2, 0, 5}), "ATKQ4B5100000000000000000003A90003020005520D0A\r\n"},
        {"debug enable", [] { return new TfSFWatch; }, [](QWidget*) {}, "SpeedButton5", 0x0308, Bytes({1})},
        {"reset record query", [] { return new TfSFWatch; }, [](QWidget*) {}, "SpeedButton8", 0x030A, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        std::unique_ptr<QWidget> form(row.make());
        row.setup(form.get());
        Click(form.get(), row.button);
        ASSERT_EQ(Frames().size(), 1u);
        EXPECT_EQ(Frames()[0].cmd, row.cmd);
        EXPECT_EQ(Frames()[0].payload, row.payload);
        if (row.line) {
            EXPECT_EQ(port.lines[0], row.line);
        }
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FixedConsoleTest, InputThatCannotBeSent) {
    struct Row {
        const char* legend;
        std::function<QWidget*()> make;
        std::function<void(QWidget*)> setup;
        const char* button;
        QString text;
        MsgIcon icon;
    } rows[] = {
        {"voltage not a number", [] { return new TfSFWatch; }, [](QWidget* f) { Type(f, "Edit1", "39a0"); },
         "SpeedButton2", QString::fromUtf8("输入数据有非法字符"), MsgIcon::None},
        {"voltage too big for two bytes", [] { return new TfSFWatch; },
         [](QWidget* f) { Type(f, "Edit1", "65536"); }, "SpeedButton2",
         QString::fromUtf8("输入数据有非法字符"), MsgIcon::None},
        {"interval not a number: conversion error", [] { return new TfSFWatch; },
         [](QWidget* f) { Type(f, "Edit2", "5m"); }, "SpeedButton3",
         QStringLiteral("'5m' is not a valid integer value"), MsgIcon::Error},
        {"interval negative", [] { return new TfSFWatch; }, [](QWidget* f) { Type(f, "Edit2", "-1"); },
         "SpeedButton3", QString(), MsgIcon::Warning},
        {"typed band matches no item", [] { return new TfRK_mtv; },
         [](QWidget* f) { TypeInCombo(f, "ComboBox1", "2100"); }, "SpeedButton3",
         QString::fromUtf8("请选择工作频段"), MsgIcon::Warning},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        boxes.clear();
        std::unique_ptr<QWidget> form(row.make());
        row.setup(form.get());
        Click(form.get(), row.button);
        EXPECT_TRUE(port.lines.empty());
        ASSERT_EQ(boxes.size(), 1u);
        if (!row.text.isEmpty()) {
            EXPECT_EQ(boxes[0].text, row.text);
        }
        EXPECT_EQ(boxes[0].icon, row.icon);
    }
}

TEST_F(FixedConsoleTest, NoStaleBytesFromAnEarlierCommand) {
    TfSmsTest sms;
    Type(&sms, "Edit1", "13800138000");
    Type(&sms, "Edit2", "a long text left in the send record");
    Click(&sms, "SpeedButton1");
    TfSFWatch watch;
    Click(&watch, "SpeedButton1");  // 0x0373 declares no payload
    Type(&watch, "Edit1", "1");
    Click(&watch, "SpeedButton2");  // 0x0374 declares two
    ASSERT_EQ(port.lines.size(), 3u);
    // 0x9C + 0x03 + 0x73 = 0x112 -> 0x12.
    EXPECT_EQ(port.lines[1], "ATKQ4B5100000000000000000003730000120D0A\r\n");
    EXPECT_EQ(Frames()[2].payload, Bytes({0x00, 0x01}));
}

TEST_F(FixedConsoleTest, ServerWindow) {
    struct Row {
        const char* legend;
        const char* edit;
        QString text;
        const char* button;
        std::string line;  // empty: refused with `message`
        QString message = {};
    } rows[] = {
        // 0x9C + 0x03 + 0x03 + 0x02 + 0x1F + 0x40 = 0x103 -> 0x03.
        {"port 8000", "Edit2", "8000", "SpeedButton2", "ATKQ4B51000000000000000000030300021F40030D0A\r\n"},
        // 0x9C + 0x03 + 0x03 + 0x02 + 0xFF + 0xFF = 0x2A2 -> 0xA2.
        {"port 65535", "Edit2", "65535", "SpeedButton2", "ATKQ4B5100000000000000000003030002FFFFA20D0A\r\n"},
        {"port not a number", "Edit2", "abc", "SpeedButton2", "",
         QString::fromUtf8("您输入的参数有误，请确认!")},
        {"port above 65535", "Edit2", "70000", "SpeedButton2", "",
         QString::fromUtf8("您输入的参数有误，请确认!")},
        {"negative port", "Edit2", "-1", "SpeedButton2", "", QString::fromUtf8("您输入的参数有误，请确认!")},
        // 0x9C + 0x03 + 0x01 = 0xA0.
        {"empty address goes with length 0", "Edit1", "", "SpeedButton1",
         "ATKQ4B5100000000000000000003010000A00D0A\r\n"},
        {"address with a trailing blank", "Edit1", "1.2.3.4 ", "SpeedButton1", "",
         QString::fromUtf8("参数错误!")},
        // 0x9C + 0x03 + 0x05 + 0x05 = 0xA9, "cmnet" adds 0x217 -> 0x2C0 -> 0xC0.
        {"APN", "Edit3", "cmnet", "SpeedButton3", "ATKQ4B5100000000000000000003050005636D6E6574C00D0A\r\n"},
        {"APN with a blank", "Edit3", "cm net", "SpeedButton3", "", QString::fromUtf8("参数错误!")},
        // 0x9C + 0x03 + 0x02 = 0xA1.
        {"address query", "Edit1", "", "SpeedButton4", "ATKQ4B5100000000000000000003020000A10D0A\r\n"},
        // 0x9C + 0x03 + 0x04 = 0xA3.
        {"port query", "Edit2", "abc", "SpeedButton5", "ATKQ4B5100000000000000000003040000A30D0A\r\n"},
        // 0x9C + 0x03 + 0x06 = 0xA5.
        {"APN query", "Edit3", "", "SpeedButton6", "ATKQ4B5100000000000000000003060000A50D0A\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        boxes.clear();
        TfServer form;
        Type(&form, row.edit, row.text);
        Click(&form, row.button);
        if (!row.line.empty()) {
            ASSERT_EQ(port.lines.size(), 1u);
            EXPECT_EQ(port.lines[0], row.line);
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        EXPECT_TRUE(port.lines.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.message);
    }
}

TEST_F(FixedConsoleTest, ResetAndTheButtonsWithoutAction) {
    TfEquManage form;
    Click(&form, "SpeedButton2");
    Click(&form, "SpeedButton3");
    EXPECT_TRUE(port.lines.empty());
    Click(&form, "SpeedButton1");
    // 0x4B + 0x51 + 0x03 = 0x9F; 42 characters and CR LF.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0], "ATKQ4B51000000000000000000030000009F0D0A\r\n");
}

TEST_F(FixedConsoleTest, ClosedPortSendsNothingAndSaysNothing) {
    GlobalData.ComOpen = 0;
    TfServer server;
    for (const char* b :
         {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4", "SpeedButton5", "SpeedButton6"}) {
        Type(&server, "Edit2", "8000");
        Click(&server, b);
    }
    EXPECT_TRUE(port.lines.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FixedConsoleTest, HiddenButtonsStayHidden) {
    if (kShowHiddenControls) GTEST_SKIP() << "a build that shows every control";
    TfCallTest form;
    form.show();
    EXPECT_TRUE(form.findChild<QPushButton*>("SpeedButton1")->isVisible());
    for (const char* name : {"SpeedButton2", "SpeedButton5", "SpeedButton9", "ComboBox1", "Edit2"}) {
        EXPECT_FALSE(form.findChild<QWidget*>(name)->isVisible()) << name;
    }
}

TEST_F(FixedConsoleTest, ClosingAWindowClearsItsPointer) {
    RegisterAllWindows();
    ASSERT_NE(OpenWindow("TfSmsTest"), nullptr);
    ASSERT_NE(fSmsTest, nullptr);
    fSmsTest->close();
    EXPECT_EQ(fSmsTest, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
