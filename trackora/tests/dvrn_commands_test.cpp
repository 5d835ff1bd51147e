// The vehicle-tracker console's command pages: each button's frame, the refusals, the tyre-sensor answers
// on the Car page. The pages are hidden; their buttons are pressed by their names.
#include <QLabel>
#include <functional>
#include <memory>

#include "console_fixture.h"
#include "consoles/DvrnCommands.h"
#include "consoles/TfDVRN.h"
#include "link/LogMemo.h"
#include "link/ReplyDispatch.h"
#include "platform/Clock.h"
#include "reply_test_util.h"

namespace {

using Prepare = std::function<void(QWidget*)>;

std::string Hex(const std::string& bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

class DvrnCommandsTest : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        form = std::make_unique<TfDVRN>();
    }
    void TearDown() override {
        form.reset();
        SetClock(nullptr);
        ConsoleTest::TearDown();
    }
    void Run(const char* button) { Click(form.get(), button); }

    std::unique_ptr<TfDVRN> form;
};

TEST_F(DvrnCommandsTest, EveryButtonSendsItsFrame) {
    const auto none = [](QWidget*) {};
    struct Row {
        const char* button;
        Prepare setup;
        int cmd;
        std::string payload;  // hexadecimal
    } rows[] = {
        // Debug page
        {"SpeedButton5", none, 0x0340, ""},
        {"SpeedButton6", none, 0x0341, ""},
        {"SpeedButton8", none, 0x030A, ""},
        {"SpeedButton9", none, 0x030F, ""},
        {"SpeedButton10", none, 0x0330, ""},
        {"SpeedButton11", none, 0x0331, ""},
        // 112° 12.3456' E, 22° 12.3456' N, speed 0, at 2026-12-08 14:05:09: 112 = 0x70, 12 = 0x0C, 34 = 0x22,
        // 56 = 0x38, 22 = 0x16, speed 00 00, then 26 = 0x1A, 12 = 0x0C, 8, 14 = 0x0E, 5, 9.
        {"SpeedButton12",
         [](QWidget* f) {
             const char* values[] = {"112", "12", "34", "56", "22", "12", "34", "56", "0"};
             for (int i = 0; i < 9; ++i) Type(f, "Edit" + std::to_string(i + 2), values[i]);
         },
         0x0336,
         "700C2238160C22380000"
         "1A0C080E0509"},
        {"SpeedButton13", [](QWidget* f) { Pick(f, "ComboBox1", 2); }, 0x0385, "02140300"},
        {"SpeedButton14", none, 0x0386, ""},
        {"SpeedButton15", none, 0x0517, "313233343536373839303132"},
        {"SpeedButton16", [](QWidget* f) { Pick(f, "ComboBox2", 1); }, 0x051A, "01"},
        {"SpeedButton17", none, 0x051B, ""},
        {"SpeedButton18", none, 0x051C, "00"},
        {"SpeedButton19", none, 0x051D, ""},
        {"SpeedButton20", none, 0x0374, "0FA0"},  // 4000
        {"SpeedButton21", [](QWidget* f) { Pick(f, "ComboBox4", 1); }, 0x0531, "0101000ED8"},
        {"SpeedButton22", none, 0x0319, "FA082651805AA578"},
        {"SpeedButton22", [](QWidget* f) { Type(f, "Edit16", "fa0"); }, 0x0319, "FA"},
        {"SpeedButton23", [](QWidget* f) { Pick(f, "ComboBox6", 2); }, 0x0382, "03"},
        // Car page: tyre sub-commands, count "4" and number "1" at start
        {"SpeedButton24", none, 0x0383, "01"},
        {"SpeedButton25", none, 0x0383, "02"},
        {"Button1", none, 0x0383, "0504"},
        {"Button2", none, 0x0383, "030401"},
        {"Button2", [](QWidget* f) { Pick(f, "ComboBox13", 21); }, 0x0383, "030416"},
        {"Button3", none, 0x0383, "04"},
        {"Button4", none, 0x0383, "0F"},
        // Gun page: type 1, mode 0, distance 10, GSM 0, the IMEI, port 5001 = 0x1389, the address
        {"Button6", none, 0x0532, "01000A00" + Hex("860000000000001") + "1389" + Hex("192.168.1.100")},
        {"Button6", [](QWidget* f) { Pick(f, "ComboBox7", 1); }, 0x0532,
         "02000A00" + Hex("860000000000001") + "1389" + Hex("192.168.1.100")},
        // The IMEI field holds 15 bytes: a short IMEI is filled with zero bytes, a long one cut.
        {"Button6", [](QWidget* f) { Type(f, "Edit17", "12345"); }, 0x0532,
         "01000A00" + Hex("12345") + std::string(20, '0') + "1389" + Hex("192.168.1.100")},
        {"Button6", [](QWidget* f) { Type(f, "Edit17", "12345678901234567"); }, 0x0532,
         "01000A00" + Hex("123456789012345") + "1389" + Hex("192.168.1.100")},
        {"Button7", none, 0x0533, ""},
        {"Button8", none, 0x0534, ""},
        {"Button9", none, 0x0535, ""},
        // Low battery: the third flag; sentry device: type 2
        {"Button10",
         [](QWidget* f) {
             Pick(f, "ComboBox10", 2);
             Pick(f, "ComboBox7", 1);
         },
         0x0536,
         "0000010ED802" + Hex("860000000000001") + "1389" + Hex("192.168.1.100") + std::string(34, '0')},
        // Slots 1 to 4 checked at start: three of them among the first three.
        {"Button11", [](QWidget* f) { Pick(f, "ComboBox11", 1); }, 0x0538, "0103000101"},
        {"Button11", [](QWidget* f) { Check(f, "CheckBox3", false); }, 0x0538, "0002000101"},
    };
    SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)); });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        port.lines.clear();
        form = std::make_unique<TfDVRN>();
        row.setup(form.get());
        Run(row.button);
        const auto frames = Frames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].cmd, row.cmd);
        EXPECT_EQ(Hex(frames[0].payload), row.payload);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DvrnCommandsTest, GunAndSentryFramesOnTheLine) {
    // Alarm "离位报警": 01 00 00; battery 3800 = 0E D8; gun: 01; the IMEI; port 13 89; 13 address bytes and
    // 17 zero bytes fill the 30-byte field: Len 23 + 30 = 53 (0x35).
    // Checksum 0x9C + 05 + 36 + 00 + 35 = 0x10C; the payload bytes add 0x717; 0x823 -> 0x23.
    Type(form.get(), "Edit17", "123456789012345");
    Pick(form.get(), "ComboBox10", 1);
    Run("Button10");
    // Slots 1, 2 and 4: 03, three times 15 digits and 00, distance 0A: Len 2 + 16 * 3 = 50 (0x32).
    // Checksum 0x9C + 05 + 37 + 00 + 32 = 0x10A; the payload bytes add 0x8E6; 0x9F0 -> 0xF0.
    Check(form.get(), "CheckBox4", false);
    Type(form.get(), "Edit22", "111111111111111");
    Type(form.get(), "Edit23", "222222222222222");
    Type(form.get(), "Edit25", "444444444444444");
    Run("Button12");
    ASSERT_EQ(port.lines.size(), 2u);
    EXPECT_EQ(
        port.lines[0],
        "ATKQ4B51000000000000000000053600350100000ED80131323334353637383930313233343513893139322E3136382E"
        "312E3130300000000000000000000000000000000000230D0A\r\n");
    EXPECT_EQ(port.lines[1],
              "ATKQ4B5100000000000000000005370032"
              "03" +
                  Hex(std::string(15, '1')) + "00" + Hex(std::string(15, '2')) + "00" +
                  Hex(std::string(15, '4')) +
                  "00"
                  "0A"
                  "F0"
                  "0D0A\r\n");
}

TEST_F(DvrnCommandsTest, FieldsThatDoNotFitAreMendedOrRefused) {
    struct Row {
        const char* legend;
        const char* button;
        Prepare setup;
        std::optional<size_t> sentBytes;  // nothing: refused with a box
        QString box;                      // the box's text, or its start
    } rows[] = {
        {"an address of 35 bytes needs no zeros",
         "Button10",
         [](QWidget* f) { Type(f, "Edit18", QString(35, 'h')); },
         23 + 35,
         {}},
        {"a low-voltage text that is no number", "SpeedButton20", [](QWidget* f) { Type(f, "Edit14", "4k"); },
         std::nullopt, QString::fromUtf8("输入数据有非法字符")},
        {"a hex text that is no hex", "SpeedButton22", [](QWidget* f) { Type(f, "Edit16", "FAG0"); },
         std::nullopt, QStringLiteral("'$G0' is not a valid integer value")},
        {"491 hex bytes go",
         "SpeedButton22",
         [](QWidget* f) { Type(f, "Edit16", QString(982, 'A')); },
         491,
         {}},
        {"492 hex bytes are refused", "SpeedButton22",
         [](QWidget* f) { Type(f, "Edit16", QString(984, 'A')); }, std::nullopt,
         QString::fromUtf8(kSendTooLongLog)},
        {"an APN test text too long for a frame", "SpeedButton15",
         [](QWidget* f) { Type(f, "Edit13", QString(492, '1')); }, std::nullopt,
         QString::fromUtf8(kSendTooLongLog)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        boxes.clear();
        form = std::make_unique<TfDVRN>();
        row.setup(form.get());
        Run(row.button);
        if (row.sentBytes) {
            ASSERT_EQ(Frames().size(), 1u);
            EXPECT_EQ(Frames()[0].payload.size(), *row.sentBytes);
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        EXPECT_TRUE(port.lines.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.startsWith(row.box)) << boxes[0].text.toStdString();
    }
}

TEST_F(DvrnCommandsTest, TyreSensorAnswersShowOnTheCarPage) {
    struct Row {
        const char* legend;
        std::string payload;
        std::vector<std::string> lines;
    } rows[] = {
        {"handshake",
         Bytes({0x81, 'V', '1', '.', '2', 6, 2}),
         {"握手应答--MCU版本：V1.2 车胎总数：6 已配对：2"}},
        // 0x2F = 0b00'10'11'11: tyres 1 and 2 normal (3), tyre 3 abnormal (2).
        {"state query",
         Bytes({0x82, 4, 3, 0x2F, 0, 0, 0, 0, 0}),
         {"状态查询应答--车胎总数：4 已配对：3", "车胎状态--1:正常|2:正常|3:异常"}},
        {"state query with no tyre paired",
         Bytes({0x82, 4, 0, 0xFF, 0, 0, 0, 0, 0}),
         {"状态查询应答--车胎总数：4 已配对：0"}},
        // 0x40 = 0b01'00'00'00 in byte 4: tyre 8 lost; 0x80 in the last byte: tyre 24
        // abnormal. Only the 24 tyres the record holds are shown of 30.
        {"work mode, more tyres than the record holds",
         Bytes({0x8F, 30, 30, 0, 0x40, 0, 0, 0, 0x80}),
         {"进入工作模式应答--车胎总数：30 已配对：30",
          "车胎状态--1:未配对|2:未配对|3:未配对|4:未配对|5:未配对|6:未配对|7:未配对|8:失联|9:未配对|10:"
          "未配对|"
          "11:未配对|12:未配对|13:未配对|14:未配对|15:未配对|16:未配对|17:未配对|18:未配对|19:未配对|20:"
          "未配对|"
          "21:未配对|22:未配对|23:未配对|24:异常"}},
        {"pairing confirmed", Bytes({0x83, 5}), {"配对确认--当前车胎编号:5"}},
        {"pairing result", Bytes({0x84, 1, 2, 3}), {"配对消息--结果：成功! 当前编号:2 已配对总数：3"}},
        {"pairing failed", Bytes({0x84, 0, 2, 3}), {"配对消息--结果：失败! 当前编号:2 已配对总数：3"}},
        {"pairing started", Bytes({0x85, 4}), {"开始配对确认--车胎数：4"}},
        // 1 * 65536 + 2 * 256 + 3 = 66051
        {"tyre paired",
         Bytes({0x94, 3, 2, 1, 2, 3}),
         {"当前车胎配对完毕消息--已配对：3 当前编号：2 传感器编码：66051"}},
        {"unknown kind: only the label", Bytes({0x86, 1}), {}},
        {"short frame reads zeros, not stale bytes", Bytes({0x82}), {"状态查询应答--车胎总数：0 已配对：0"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        form->Memo1->Clear();
        ReplyRecord = MakeReply(0x8384, row.payload);
        DispatchReply(ReplyRecord);
        EXPECT_EQ(form->Memo1->Lines(), row.lines);
        std::string label = "接收提示：";
        for (unsigned char b : row.payload) label += Hex(std::string(1, static_cast<char>(b))) + " ";
        EXPECT_EQ(form->Label16->text().toStdString(), label);
    }
    // The dump covers what the record holds, not a Len beyond it.
    ReplyRecord = MakeReply(0x8384, std::string(1024, '\x11'));
    ReplyRecord.Len = 2048;
    DispatchReply(ReplyRecord);
    EXPECT_EQ(form->Label16->text().size(), QString::fromUtf8("接收提示：").size() + 1024 * 3);

    Run("Button5");  // "清除数据"
    EXPECT_TRUE(form->Memo1->Lines().empty());
    EXPECT_TRUE(port.lines.empty());
}

TEST_F(DvrnCommandsTest, ImeiWriteRefusalsAndTheNextImei) {
    struct Row {
        const char* legend;
        QString imei;
        bool autoAdd;
        QString after;  // the edit after "IMEI SET OK"
        std::vector<QString> boxes;
    } rows[] = {
        {"width kept", "000000000000099", true, "000000000000100", {}},
        {"carry into a new digit", "999999999999999", true, "1000000000000000", {}},
        {"AutoAdd off", "860000000000001", false, "860000000000001", {}},
        {"not a number: the conversion error, the text stays",
         "86000000000000A",
         true,
         "86000000000000A",
         {"'86000000000000A' is not a valid integer value"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        boxes.clear();
        form = std::make_unique<TfDVRN>();
        Type(form.get(), "Edit1", row.imei);
        Check(form.get(), "CheckBox1", row.autoAdd);
        Run("SpeedButton3");
        SysRunInfo.AtOk = 1;
        form->Timer1Timer();
        EXPECT_FALSE(form->Timer1->isActive());
        EXPECT_EQ(EditText(form.get(), "Edit1"), row.after);
        ASSERT_EQ(boxes.size(), row.boxes.size());
        for (size_t i = 0; i < boxes.size(); ++i) EXPECT_EQ(boxes[i].text, row.boxes[i]);
    }
    boxes.clear();
    port.lines.clear();
    Type(form.get(), "Edit1", "86000000000001");  // 14 characters
    Run("SpeedButton3");
    EXPECT_FALSE(form->Timer1->isActive());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Input Length Rsq 15");
    form->Timer1Timer();
    EXPECT_TRUE(port.lines.empty());
    EXPECT_EQ(NextImeiText("9223372036854775806"), "9223372036854775807");
    EXPECT_EQ(NextImeiText("9223372036854775807"), std::nullopt) << "its successor needs more than 64 bits";
    EXPECT_EQ(NextImeiText(""), std::nullopt);
    EXPECT_EQ(NextImeiText("-1"), std::nullopt);
}

}  // namespace
