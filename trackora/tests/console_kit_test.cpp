// The kit every console shares: the combo box index rule, the one-frame parameter click, the frame limit,
// and the watch slot lists. Batching is the vehicle-tracker console's alone and is tested there.
#include <QGridLayout>
#include <QWidget>

#include "console_fixture.h"
#include "consoles/CommandKit.h"
#include "consoles/ParamText.h"
#include "consoles/SlotLists.h"

namespace {

using ConsoleKitTest = ConsoleTest;

TEST_F(ConsoleKitTest, ComboBoxIndexRule) {
    QWidget form;
    auto* grid = new QGridLayout(&form);
    AddControl(&form, grid, 0, 0, ComboDecl("Mode", "", {"Off", "On"}, 1));
    EXPECT_EQ(ComboIndex(&form, "Mode"), 1);
    TypeInCombo(&form, "Mode", "Of");
    EXPECT_EQ(ComboIndex(&form, "Mode"), -1) << "typed text matching no item";
    TypeInCombo(&form, "Mode", "Off");
    EXPECT_EQ(ComboIndex(&form, "Mode"), 0) << "typed text equal to an item";
    Pick(&form, "Mode", 1);
    EXPECT_EQ(ComboIndex(&form, "Mode"), 1);
    SetComboIndex(&form, "Mode", 2);
    EXPECT_EQ(ComboIndex(&form, "Mode"), -1) << "an index past the items selects nothing";
    auto* combo = form.findChild<TComboBox*>("Mode");
    combo->SetNoSelection("On");
    EXPECT_EQ(ComboIndex(&form, "Mode"), -1) << "a shown text is not a selection";
    EXPECT_EQ(combo->currentText(), "On");
    EXPECT_EQ(ComboIndex(&form, "NoSuchBox"), -1);
}

// A console of the family other than the vehicle tracker: the whole page in one frame, with its own
// message when nothing is checked.
TEST_F(ConsoleKitTest, OneFrameParameterClick) {
    const ParamPage page{"Page",
                         {{"SERVIP", "IP", "IP", {EditPart("host")}, "", "", false},
                          {"ALM", "ALM", "Alarm", {ComboPart({"a", "b", "c"}, 2, 1)}, "", "", false},
                          {"VER", "VER", "Version", {}, "", "", false}},
                         {"VER", "ALM", "IP"}};
    QWidget form;
    BuildParamPage(&form, page);
    EXPECT_FALSE(SendParamText(&form, page, ParamMode::Set));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QString::fromUtf8("您未选择设置项目"));
    EXPECT_EQ(boxes[0].caption, QString::fromUtf8("提示窗口"));
    EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);

    Check(&form, "Check_IP");
    Check(&form, "Check_ALM");
    Check(&form, "Check_VER");
    Type(&form, "Value_IP", QString(70, 'h'));  // 8 + 70 + 6 = 84 bytes: no batching in this family
    EXPECT_TRUE(SendParamText(&form, page, ParamMode::Set));
    EXPECT_TRUE(SendParamText(&form, page, ParamMode::Query));
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[0].cmd, 0x0201);
    EXPECT_EQ(Frames()[0].payload, "#SERVIP=" + std::string(70, 'h') + "#ALM=3");
    EXPECT_EQ(Frames()[1].cmd, 0x0202);
    EXPECT_EQ(Frames()[1].payload, "#VER#ALM#SERVIP");
}

// A "#" inside a value would start an item of its own: the click shows one message naming the field, and
// nothing goes out, whichever of several fields holds it.
TEST_F(ConsoleKitTest, ItemMarkInsideAValueIsRefused) {
    const ParamPage page{"Page",
                         {{"APN", "APN", "APN接入点", {EditPart("cmnet")}, "", "", false},
                          {"VIBCHK", "VIB", "", {EditPart("10"), EditPart("3")}, ":", "", false},
                          {"SOFTVERSION", "VER", "Version", {}, "", "", false}},
                         {}};
    struct Row {
        const char* legend;
        const char* apn;
        const char* vibY;
        const char* field;  // nullptr: sent
    } rows[] = {
        {"edit", "x#SERVIP=1.2.3.4", "3", "APN接入点"},
        {"composite part, named by its key without a caption", "cmnet", "3#", "VIBCHK"},
        {"both: the first in set order wins", "#", "#", "APN接入点"},
        {"clean", "cm;net=", "3", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        boxes.clear();
        QWidget form;
        BuildParamPage(&form, page);
        for (const char* box : {"Check_APN", "Check_VIB", "Check_VER"}) Check(&form, box);
        Type(&form, "Value_APN", row.apn);
        Type(&form, "Value_VIB_2", row.vibY);
        EXPECT_EQ(SendParamText(&form, page, ParamMode::Set), row.field == nullptr);
        if (row.field == nullptr) {
            ASSERT_EQ(Frames().size(), 1u);
            EXPECT_EQ(Frames()[0].payload, std::string("#APN=") + row.apn + "#VIBCHK=10:" + row.vibY);
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        EXPECT_TRUE(port.lines.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  QString::fromUtf8("Character \"#\" not allowed in %1").arg(QString::fromUtf8(row.field)));
        EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
        // A query carries keys only, so the same fields still query.
        EXPECT_TRUE(SendParamText(&form, page, ParamMode::Query));
        ASSERT_EQ(Frames().size(), 1u);
        EXPECT_EQ(Frames()[0].payload, "#APN#VIBCHK#SOFTVERSION");
    }
}

TEST_F(ConsoleKitTest, OneByteFieldsKeepTheLowEightBits) {
    QWidget form;
    auto* grid = new QGridLayout(&form);
    AddControl(&form, grid, 0, 0, EditDecl("Edit1", "", ""));
    const CommandDecl decl = Button("SpeedButton1", "Go", 0x0123, {ByteField("Edit1"), ConstantField(0x1FF)});
    struct Row {
        const char* typed;
        int byte;  // -1: refused with the conversion error
    } rows[] = {{"300", 300 - 256}, {"$1FF", 0xFF}, {"-1", 0xFF}, {"255", 0xFF}, {"x1", -1}, {"", -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        SetEditText(&form, "Edit1", row.typed);
        const CommandResult result = BuildCommand(&form, decl);
        if (row.byte < 0) {
            ASSERT_TRUE(result.message.has_value());
            EXPECT_FALSE(result.request.has_value());
            EXPECT_EQ(result.message->text, QString("'%1' is not a valid integer value").arg(row.typed));
            continue;
        }
        ASSERT_TRUE(result.request.has_value());
        EXPECT_EQ(result.request->cmd, 0x0123);
        EXPECT_EQ(result.request->data, std::string({static_cast<char>(row.byte), '\xFF'}));
    }
}

TEST_F(ConsoleKitTest, FrameLimit) {
    EXPECT_TRUE(SendRequest({0x0201, std::string(491, 'x')}));
    EXPECT_FALSE(SendRequest({0x0201, std::string(492, 'x')}));
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0].size(), 2u * 491 + 42);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("492"));
}

TEST_F(ConsoleKitTest, AlarmSlots) {
    AlarmRow rows[5];
    EXPECT_EQ(AlarmSlotText(rows), ";;;;");
    rows[2] = {true, 1, 1, 18, 5, ""};
    EXPECT_EQ(AlarmSlotText(rows), ";;1#2#18:05#;;");
    AlarmRow defaults[1] = {{true, 0, 2, 0, 0, "\xCC\xE1\xCA\xBE"}};  // 提示 in code page 936
    // The reminder goes out as UTF-8: 提 E68F90, 示 E7A4BA.
    EXPECT_EQ(AlarmSlotText(defaults), "0#3#00:00#\xE6\x8F\x90\xE7\xA4\xBA;;;;");
    AlarmRow typed[1] = {{true, -1, -1, -1, 59, "x"}};  // every combo typed over: index -1 as a byte
    EXPECT_EQ(AlarmSlotText(typed), "255#0#255:59#x;;;;");
    EXPECT_EQ(CreateOneClockItem(1, 3, 9, 5, ""), "1#3#09:05#");
    EXPECT_EQ(CreateOneClockItem(1, 3, 23, 59, ""), "1#3#23:59#");
}

TEST_F(ConsoleKitTest, NumberSlots) {
    NumberRow three[3] = {{true, "1", "x"}, {true, "2", "y"}, {true, "3", "z"}};
    EXPECT_EQ(SpeedDialSlotText(three), "1#x;2#y;3#z;;");  // a console with three rows of five slots
    NumberRow none[10];
    EXPECT_EQ(SpeedDialSlotText(none), ";;;;");
    EXPECT_EQ(WhiteListSlotText(none), ";;;;;;;;;");
    NumberRow one[1] = {{true, "13800138000", "\xD5\xC5\xC8\xFD"}};  // 张三
    // 11 + 1 + 6 UTF-8 bytes + 9 separators = 27.
    EXPECT_EQ(WhiteListSlotText(one), "13800138000#\xE5\xBC\xA0\xE4\xB8\x89;;;;;;;;;");
    EXPECT_EQ(CreateOneCodeItem("123", ""), "123#");
}

// Three characters of a report interval: the two rules differ only for a text longer than three.
TEST_F(ConsoleKitTest, IntervalText) {
    struct Row {
        const char* typed;
        const char* cut;
        const char* fallback;
    } rows[] = {
        {"", "010", "010"},     {"5", "005", "005"},  {"12", "012", "012"},   {"300", "300", "300"},
        {"1234", "123", "010"}, {"-1", "0-1", "0-1"}, {"中", "00中", "00中"},  // a character, not its bytes,
                                                                               // is counted
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        EXPECT_EQ(IntervalText(row.typed, IntervalRule::CutLong), row.cut);
        EXPECT_EQ(IntervalText(row.typed, IntervalRule::DefaultLong), row.fallback);
    }
}

// The parts of a composite read their own controls: optional groups, their absent texts, a mask.
TEST_F(ConsoleKitTest, CompositeParts) {
    const ParamPage page{
        "Page",
        {{"T",
          "T",
          "T",
          {Optional(TimePart({6, 5}), "1", true, "0000", "<", ">"), MaskPart({"a", "b", "c"}),
           Optional(EditPart("x"), "2", false, "-"), FixedPart("!")},
          "/",
          "",
          false}},
        {}};
    QWidget form;
    BuildParamPage(&form, page);
    Check(&form, "Check_T");
    EXPECT_EQ(FieldValue(&form, page.fields[0]), "<0605>/00/-/!");
    SetChecked(&form, "Value_T_1_Check", false);
    SetChecked(&form, "Value_T_2_1", true);
    SetChecked(&form, "Value_T_2_3", true);
    SetChecked(&form, "Value_T_3_Check", true);
    SetComboIndex(&form, "Value_T_1_2", 59);
    EXPECT_EQ(FieldValue(&form, page.fields[0]), "0000/05/x/!");
}

TEST_F(ConsoleKitTest, SlotSeparatorsInsideAWrittenSlot) {
    AlarmRow alarms[5];
    alarms[1] = {false, 0, 0, 0, 0, "a;b"};  // not written: harmless
    alarms[3] = {true, 0, 0, 0, 0, "x#y"};
    alarms[4] = {true, 0, 0, 0, 0, ";"};
    const auto alarm = AlarmSlotFault(alarms);
    ASSERT_TRUE(alarm.has_value());
    EXPECT_EQ(alarm->slot, 4u);
    EXPECT_EQ(alarm->field, "text");
    EXPECT_EQ(alarm->separator, "#");

    NumberRow numbers[10];
    numbers[0] = {true, "138", "\xD5\xC5"};  // a code page 936 name: its bytes never read as ";" or "#"
    numbers[2] = {true, "1;2", "#"};
    numbers[6] = {true, "7", "a#b"};
    auto number = NumberSlotFault(numbers, 10);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->slot, 3u);
    EXPECT_EQ(number->field, "number");
    EXPECT_EQ(number->separator, ";");
    numbers[2].number = "12";
    EXPECT_EQ(NumberSlotFault(numbers, 10)->field, "name");
    numbers[2].name = "";
    EXPECT_EQ(NumberSlotFault(numbers, 10)->slot, 7u);
    EXPECT_FALSE(NumberSlotFault(numbers, 5).has_value()) << "slot 7 lies beyond a five-slot list";
}

}  // namespace
