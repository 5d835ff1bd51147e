// The key-fob console: parameter texts set and queried in the table's order, every RF command's line, the
// refusals of the register command, and the monitor's query.
#include <QLabel>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "console_fixture.h"
#include "consoles/TfBrel.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"

namespace {

using Prepare = std::function<void(QWidget*)>;

class BrelTest : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        form = std::make_unique<TfBrel>();
    }
    void TearDown() override {
        form.reset();
        ConsoleTest::TearDown();
    }
    std::unique_ptr<TfBrel> form;
};

TEST_F(BrelTest, OpensFromItsMenuItemOnTheMonitorPage) {
    form.reset();
    QuietProgram quiet;
    TfKQMain main;
    main.Timer1->stop();
    main.Q711Click();
    ASSERT_NE(fBrel, nullptr);
    EXPECT_EQ(OpenedWindow("TfBrel"), fBrel);
    EXPECT_EQ(fBrel->PageControl1->currentIndex(), 2);
    EXPECT_EQ(fBrel->PageControl1->tabText(0), QString::fromUtf8("参数设置"));
    EXPECT_FALSE(fBrel->Timer1->isActive());
}

TEST_F(BrelTest, ParameterTextsInTheTableOrder) {
    const auto none = [](QWidget*) {};
    struct Row {
        const char* legend;
        std::vector<const char*> checked;
        Prepare setup;
        const char* button;
        std::string text;  // empty: the box "您未选择设置项目"
    } rows[] = {
        {"receive count and work state",
         {"Check_RFWORK", "Check_RFRECT"},
         none,
         "SpeedButton2",
         "#RFRECT#RFWORK"},
        {"channel 81",
         {"Check_CHANNAL"},
         [](QWidget* f) { Pick(f, "Value_CHANNAL", 2); },
         "SpeedButton1",
         "#CHANNAL=81"},
        {"a typed channel selects none: empty value",
         {"Check_CHANNAL"},
         [](QWidget* f) { TypeInCombo(f, "Value_CHANNAL", "99信道"); },
         "SpeedButton1",
         "#CHANNAL="},
        {"query-only keys take no part in a set",
         {"Check_SOFTVERSION", "Check_RFRECT"},
         none,
         "SpeedButton1",
         ""},
        {"nothing checked", {}, none, "SpeedButton2", ""},
        {"all checked, set",
         {},
         [](QWidget* f) { Click(f, "SpeedButton3"); },
         "SpeedButton1",
         "#SERVIP=www.example.com#SERVPORT=2351#APN=CMNET#PULSE=30#FREQ=30#USER=13800138000"
         "#TERIID=1234567890123456#CHANNAL=1#RFCHKT=45#ATUOFREQEN=0#RFCLOSEENAB=0"},
        {"all checked, query",
         {},
         [](QWidget* f) { Click(f, "SpeedButton3"); },
         "SpeedButton2",
         "#SOFTVERSION#SERVIP#SERVPORT#APN#PULSE#FREQ#USER#TERIID#CHANNAL#RFCHKT#ATUOFREQEN#RFCLOSEENAB#"
         "RFRECT"
         "#RFWORK"},
        {"all checked, then all cleared",
         {},
         [](QWidget* f) {
             Click(f, "SpeedButton3");
             Click(f, "SpeedButton4");
         },
         "SpeedButton2",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        boxes.clear();
        form = std::make_unique<TfBrel>();
        for (const char* box : row.checked) Check(form.get(), box);
        row.setup(form.get());
        Click(form.get(), row.button);
        if (row.text.empty()) {
            EXPECT_TRUE(port.lines.empty());
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, QString::fromUtf8("您未选择设置项目"));
            EXPECT_EQ(boxes[0].caption, QString::fromUtf8("提示窗口"));
            EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
            continue;
        }
        ASSERT_EQ(Frames().size(), 1u);
        EXPECT_EQ(Frames()[0].cmd, std::string(row.button) == "SpeedButton1" ? 0x0201 : 0x0202);
        EXPECT_EQ(Frames()[0].payload, row.text);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(BrelTest, EveryRfCommandLine) {
    // Checksums: the low byte of 0x9C ("K" + "Q") + the code bytes + the length bytes + the payload bytes,
    // e.g. 0x0401 with "00001000": 0x9C + 04 + 01 + 08 = 0xA9; 7 * 0x30 + 0x31 = 0x181; 0x22A -> 0x2A.
    struct Row {
        const char* button;
        Prepare setup;
        const char* line;
    } rows[] = {
        {"SpeedButton5", {}, "ATKQ4B510000000000000000000401000830303030313030302A0D0A"},
        {"SpeedButton6", {}, "ATKQ4B5100000000000000000004020000A20D0A"},
        {"SpeedButton7", {}, "ATKQ4B510000000000000000000403000830303030313030312D0D0A"},
        {"SpeedButton8", {}, "ATKQ4B5100000000000000000004040000A40D0A"},
        {"SpeedButton9",
         [](QWidget* f) {
             Type(f, "Edit3", "1A");
             Type(f, "Edit4", "0102");
         },
         "ATKQ4B51000000000000000000040600031A0102C60D0A"},
        {"SpeedButton10", [](QWidget* f) { Type(f, "Edit3", "1a"); },
         "ATKQ4B51000000000000000000040700011AC20D0A"},
        {"SpeedButton11", [](QWidget* f) { Pick(f, "ComboBox1", 1); },
         "ATKQ4B510000000000000000000413000101B50D0A"},
        {"SpeedButton12", {}, "ATKQ4B5100000000000000000004140000B40D0A"},
        {"SpeedButton13", [](QWidget* f) { Pick(f, "ComboBox2", 1); },
         "ATKQ4B510000000000000000000415000101B70D0A"},
        {"SpeedButton14", {}, "ATKQ4B5100000000000000000004160000B60D0A"},
        {"SpeedButton15", [](QWidget* f) { Pick(f, "ComboBox3", 1); },
         "ATKQ4B510000000000000000000419000101BB0D0A"},
        {"SpeedButton16", {}, "ATKQ4B5100000000000000000004200000C00D0A"},
        {"SpeedButton17", [](QWidget* f) { Pick(f, "ComboBox4", 1); },
         "ATKQ4B510000000000000000000421000101C30D0A"},
        {"SpeedButton18", {}, "ATKQ4B5100000000000000000004220000C20D0A"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        port.lines.clear();
        form = std::make_unique<TfBrel>();
        if (row.setup) row.setup(form.get());
        Click(form.get(), row.button);
        ASSERT_EQ(port.lines.size(), 1u);
        EXPECT_EQ(port.lines[0], std::string(row.line) + "\r\n");
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BrelTest, RegisterTextsThatAreNotHexadecimal) {
    struct Row {
        const char* legend;
        const char* button;
        const char* reg;
        const char* value;
        QString box;
    } rows[] = {
        {"set, register", "SpeedButton9", "1G", "01", QString::fromUtf8("参数错误!")},
        {"set, value", "SpeedButton9", "1A", "01X2", QString::fromUtf8("参数错误!")},
        {"query, register", "SpeedButton10", "1G", "01",
         QStringLiteral("'$1G' is not a valid integer value")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        boxes.clear();
        Type(form.get(), "Edit3", row.reg);
        Type(form.get(), "Edit4", row.value);
        Click(form.get(), row.button);
        EXPECT_TRUE(port.lines.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.box);
    }
    boxes.clear();
    Type(form.get(), "Edit3", "1A");
    Type(form.get(), "Edit4", QString(982, 'F'));  // 1 + 491 bytes: too long for a frame
    Click(form.get(), "SpeedButton9");
    EXPECT_TRUE(port.lines.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QString::fromUtf8(kSendTooLongLog)));
}

TEST_F(BrelTest, TheMonitorAsksForTheSixRfKeysEachTick) {
    Click(form.get(), "SpeedButton19");
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    form->Timer1Timer();
    GlobalData.ComOpen = 0;
    form->Timer1Timer();  // a closed port sends nothing, and the monitor goes on
    EXPECT_TRUE(form->Timer1->isActive());
    // 52 bytes (0x34); checksum 0x1C.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(
        port.lines[0],
        "ATKQ4B5100000000000000000002020034234348414E4E414C235246434C4F5345454E414223524643484B54234154554F"
        "46524551454E235246574F524B235246524543541C0D0A\r\n");
    Click(form.get(), "SpeedButton20");
    EXPECT_FALSE(form->Timer1->isActive());
}

}  // namespace
