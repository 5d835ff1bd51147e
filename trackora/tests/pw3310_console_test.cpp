// The positioning watch's console: its pages' set and query texts and messages, its slot lists and every
// command button, in one golden table, with the composites at their edges and the refused values.
#include "console_golden.h"
#include "consoles/TfPW3310.h"

namespace {

using PW3310Test = GoldenConsoleTest;

const char* const kNothingChecked = "您未选择设置项目";
const char* const kWrongPage = "您当前未在参数页面，请切换到参数页面";
const std::string kReminder = "\xE6\x8F\x90\xE7\xA4\xBA";  // 提示 in UTF-8
const std::string kSampleSlot = "13800138000#" + kReminder;

std::function<void(QWidget*)> Text(const std::string& edit, const QString& text) {
    return [edit, text](QWidget* f) { SetEditText(f, edit, text); };
}

TEST_F(PW3310Test, ParameterPagesGolden) {
    RunGolden<TfPW3310>({
        {"every field of page 0, set", CheckAllFields, "SpeedButton1", 0x0201,
         "#SKY_LINE_FLAG=0#APN=CMNET#USERPPP=#PWPPP=#STEP_ENABLE=1#VIB_BASE=68#PULSE=300#VOLUME=6"
         "#SJS3310=010000000000000#MUTE_DT=000#VOC_PORT=8888#RECORD_DT=15#STEP_DEBUG=0"
         "#VOC_ADDR=voice.example.com#PW33_POS=0#AUTO_POW_CTRL=105000000"},
        {"every field of page 0, query", CheckAllFields, "SpeedButton2", 0x0202,
         "#SOFTVERSION#IMEI#SKY_LINE_FLAG#APN#USERPPP#PWPPP#STEP_ENABLE#VIB_BASE#PULSE#VOLUME#SJS3310#MUTE_DT"
         "#VOC_PORT#RECORD_DT#STEP_DEBUG#VOC_ADDR#PW33_POS#AUTO_POW_CTRL"},
        {"period interval of one character", Then(Checks({"Check_SJS3310"}), Typed("Value_SJS3310_1", "7")),
         "SpeedButton1", 0x0201, "#SJS3310=007000000000000"},
        {"period interval too long", Then(Checks({"Check_SJS3310"}), Typed("Value_SJS3310_1", "12345")),
         "SpeedButton1", 0x0201, "#SJS3310=010000000000000"},
        {"period interval empty, times at their ends",
         Then(Checks({"Check_SJS3310"}),
              Then(Typed("Value_SJS3310_1", ""), Combos("Value_SJS3310_2", {23, 59, 59}))),
         "SpeedButton1", 0x0201, "#SJS3310=010235959000000"},
        {"silent: on, Monday to Friday, 22:00:00 to 06:30:00",
         Then(Checks({"Check_MUTE_DT", "Value_MUTE_DT_2_1", "Value_MUTE_DT_2_2", "Value_MUTE_DT_2_3",
                      "Value_MUTE_DT_2_4", "Value_MUTE_DT_2_5", "Value_MUTE_DT_3_Check"}),
              Then(Picked("Value_MUTE_DT_1", 1), Combos("Value_MUTE_DT_3", {22, 0, 0, 6, 30, 0}))),
         "SpeedButton1", 0x0201, "#MUTE_DT=11F220000063000"},
        {"silent: all seven days, periods two and three",
         Then(Checks({"Check_MUTE_DT", "Value_MUTE_DT_2_1", "Value_MUTE_DT_2_2", "Value_MUTE_DT_2_3",
                      "Value_MUTE_DT_2_4", "Value_MUTE_DT_2_5", "Value_MUTE_DT_2_6", "Value_MUTE_DT_2_7",
                      "Value_MUTE_DT_4_Check", "Value_MUTE_DT_5_Check"}),
              Combos("Value_MUTE_DT_5", {23, 59, 59, 0, 0, 1})),
         "SpeedButton1", 0x0201, "#MUTE_DT=07F000000000000235959000001"},
        {"silent: Sunday alone is bit 6", Checks({"Check_MUTE_DT", "Value_MUTE_DT_2_7"}), "SpeedButton1",
         0x0201, "#MUTE_DT=040"},
        {"power saving, enable typed over",
         Then(Checks({"Check_AUTO_POW_CTRL"}), TypedOver("Value_AUTO_POW_CTRL_1", "是")), "SpeedButton1",
         0x0201, "#AUTO_POW_CTRL=-105000000"},
        {"power saving 9:05 to 23:59",
         Then(Checks({"Check_AUTO_POW_CTRL"}), Combos("Value_AUTO_POW_CTRL_2", {9, 5, 23, 59})),
         "SpeedButton1", 0x0201, "#AUTO_POW_CTRL=109052359"},
        {"volume typed over", Then(Checks({"Check_VOLUME"}), TypedOver("Value_VOLUME", "8")), "SpeedButton1",
         0x0201, "#VOLUME=-1"},
        {"upgrade keys", Then(OnPage(3), Checks({"Check_DW_ADDR", "Check_DW_URL"})), "SpeedButton2", 0x0202,
         "#DW_ADDR#DW_URL"},
        {"all upgrade keys",
         Then(OnPage(3),
              Checks({"Check_DW_ADDR", "Check_DW_PORT", "Check_DW_FLAG", "Check_DW_VERIFY", "Check_DW_URL"})),
         "SpeedButton2", 0x0202, "#DW_ADDR#DW_PORT#DW_FLAG#DW_VERIFY#DW_URL"},
        {"set on the upgrade page", Then(OnPage(3), Checks({"Check_DW_ADDR"})), "SpeedButton1", -1,
         kWrongPage},
        {"set on the slot page", OnPage(1), "SpeedButton1", -1, kWrongPage},
        {"set on the test page, page 0 checked", Then(CheckAllFields, OnPage(2)), "SpeedButton1", -1,
         kWrongPage},
        {"query on the slot page", OnPage(1), "SpeedButton2", -1, kNothingChecked},
        {"query on the test page", OnPage(2), "SpeedButton2", -1, kNothingChecked},
        {"query of nothing on the upgrade page", OnPage(3), "SpeedButton2", -1, kNothingChecked},
        {"set of nothing", {}, "SpeedButton1", -1, kNothingChecked},
        {"only query-only boxes, set", Checks({"Check_SOFTVERSION", "Check_IMEI"}), "SpeedButton1", -1,
         kNothingChecked},
        {"an item mark in the voice server", Then(Checks({"Check_VOC_ADDR"}), Typed("Value_VOC_ADDR", "a#b")),
         "SpeedButton1", -1, "Character \"#\" not allowed in 语音IP"},
    });
}

TEST_F(PW3310Test, SlotListsGolden) {
    const auto allNames = [](const char* prefix, int rows, const QString& name) {
        return [prefix, rows, name](QWidget* f) {
            for (int n = 1; n <= rows; ++n) {
                const std::string row = prefix + std::to_string(n);
                SetChecked(f, row + "_Check", true);
                SetEditText(f, row + "_Name", name);
            }
        };
    };
    RunGolden<TfPW3310>({
        {"alarms, none checked", {}, "SpeedButton5", 0x0210, ";;;;"},
        {"alarm 1 at its defaults", Checks({"Alarm1_Check"}), "SpeedButton5", 0x0210,
         "0#3#00:00#" + kReminder + ";;;;"},
        {"alarm 3 on, every day, 18:05, no text",
         Then(Checks({"Alarm3_Check"}), Then(Then(Picked("Alarm3_OnOff", 1), Picked("Alarm3_Day", 1)),
                                             Then(Then(Picked("Alarm3_Hour", 18), Picked("Alarm3_Minute", 5)),
                                                  Typed("Alarm3_Text", "")))),
         "SpeedButton5", 0x0210, ";;1#2#18:05#;;"},
        {"alarm 5 typed over: 255 and day 0",
         Then(Checks({"Alarm5_Check"}),
              Then(Then(TypedOver("Alarm5_OnOff", "x"), TypedOver("Alarm5_Day", "x")),
                   Then(Then(TypedOver("Alarm5_Hour", "07"), Picked("Alarm5_Minute", 9)),
                        Typed("Alarm5_Text", "x")))),
         "SpeedButton5", 0x0210, ";;;;255#0#255:09#x"},
        {"speed dial, none checked", {}, "SpeedButton7", 0x0212, ";;;;"},
        {"speed dial, all five",
         Checks({"SpeedDial1_Check", "SpeedDial2_Check", "SpeedDial3_Check", "SpeedDial4_Check",
                 "SpeedDial5_Check"}),
         "SpeedButton7", 0x0212,
         kSampleSlot + ";" + kSampleSlot + ";" + kSampleSlot + ";" + kSampleSlot + ";" + kSampleSlot},
        {"white list, none checked", {}, "SpeedButton9", 0x0214, ";;;;;;;;;"},
        {"white list slot 1", Then(Checks({"WhiteList1_Check"}), Typed("WhiteList1_Name", "张三")),
         "SpeedButton9", 0x0214, "13800138000#\xE5\xBC\xA0\xE4\xB8\x89;;;;;;;;;"},
        {"white list slot 10 with no name",
         Then(Checks({"WhiteList10_Check"}),
              Then(Typed("WhiteList10_Number", "1"), Typed("WhiteList10_Name", ""))),
         "SpeedButton9", 0x0214, ";;;;;;;;;1#"},
        // 0x9C + 0x02 + 0x11 = 0xAF.
        {"查询闹铃", {}, "SpeedButton6", 0x0211, "", "ATKQ4B5100000000000000000002110000AF0D0A"},
        {"查询速拔号", {}, "SpeedButton8", 0x0213, ""},
        {"查询白名单", {}, "SpeedButton10", 0x0215, ""},
        {"a separator in an unchecked row goes unread", Typed("Alarm2_Text", "a;b"), "SpeedButton5", 0x0210,
         ";;;;"},
        {"a separator in an alarm text", Then(Checks({"Alarm2_Check"}), Typed("Alarm2_Text", "a;b")),
         "SpeedButton5", -1, "Character \";\" not allowed in alarm 2 text"},
        {"an item mark in a number", Then(Checks({"SpeedDial4_Check"}), Typed("SpeedDial4_Number", "1#2")),
         "SpeedButton7", -1, "Character \"#\" not allowed in speed dial 4 number"},
        {"a separator in a name", Then(Checks({"WhiteList7_Check"}), Typed("WhiteList7_Name", "x;y")),
         "SpeedButton9", -1, "Character \";\" not allowed in white list 7 name"},
        // Ten slots of 11 + 1 + 20 * 3 = 72 bytes and nine separators: 729.
        {"white list too long for a frame", allNames("WhiteList", 10, QString(20, QChar(0x4E2D))),
         "SpeedButton9", -1, "发送数据过长,未发送 (729 > 491)"},
    });
}

TEST_F(PW3310Test, CommandButtonsGolden) {
    const auto pick = [](const char* combo, int n) { return Picked(combo, n); };
    RunGolden<TfPW3310>({
        {"申请内存", {}, "SpeedButton11", 0x0381, ""},
        {"释放内存", {}, "SpeedButton12", 0x0382, ""},
        {"写文件数据", {}, "SpeedButton13", 0x0383, Bytes({0, 0, 0, 0}) + "0123456789"},
        {"写文件数据, 300 and no text", Then(Typed("Edit1", "300"), Typed("Edit2", "")), "SpeedButton13",
         0x0383, Bytes({0, 0, 0x01, 0x2C})},
        {"写文件数据, not a number", Typed("Edit1", "abc"), "SpeedButton13", -1,
         "'abc' is not a valid integer value"},
        // 4 + 488 = 492 bytes.
        {"写文件数据 too long", Text("Edit2", QString(488, '7')), "SpeedButton13", -1,
         "发送数据过长,未发送 (492 > 491)"},
        {"生成文件", {}, "SpeedButton14", 0x0384, Bytes({0, 0, 0, 40})},
        {"开始录音", {}, "SpeedButton15", 0x032C, Bytes({15})},
        {"开始录音 300: the low 8 bits", Typed("Edit4", "300"), "SpeedButton15", 0x032C, Bytes({44})},
        {"开始录音 -1", Typed("Edit4", "-1"), "SpeedButton15", 0x032C, Bytes({255})},
        {"播放录音", {}, "SpeedButton16", 0x032E, ""},
        {"打开录音文件", {}, "SpeedButton17", 0x032F, ""},
        {"获取文件数据", {}, "SpeedButton18", 0x0330, Bytes({0, 0, 0x02, 0x00})},
        {"获取文件数据 65535, 255", Then(Typed("Edit5", "65535"), Typed("Edit6", "255")), "SpeedButton18",
         0x0330, Bytes({0xFF, 0xFF, 0x00, 0xFF})},
        {"上传录音文件", {}, "SpeedButton19", 0x0331, ""},
        {"MMI数据调试", {}, "SpeedButton20", 0x0386, Bytes({0, 0})},
        {"MMI数据调试 亲子对讲 文本10", Then(pick("ComboBox1", 4), pick("ComboBox2", 9)), "SpeedButton20",
         0x0386, Bytes({4, 9})},
        {"MMI动作模拟", {}, "SpeedButton21", 0x0387, Bytes({13})},
        {"设置VMC状态", pick("ComboBox4", 1), "SpeedButton22", 0x0388, Bytes({1})},
        {"读取VMC状态", {}, "SpeedButton23", 0x0389, ""},
        {"读取WFIF状态", {}, "SpeedButton24", 0x038A, ""},
        // 0x9C + 0x03 + 0x8B + 0x01 + 0xFF = 0x22A -> 0x2A.
        {"WIFI功能测试 straight after opening",
         {},
         "SpeedButton25",
         0x038B,
         Bytes({255}),
         "ATKQ4B51000000000000000000038B0001FF2A0D0A"},
        {"WIFI功能测试 WIFI扫描", pick("ComboBox5", 1), "SpeedButton25", 0x038B, Bytes({1})},
        {"读取休眠状态", {}, "SpeedButton26", 0x038C, ""},
        {"系统铃音 RING5", pick("ComboBox6", 9), "SpeedButton27", 0x038D, Bytes({9})},
        {"播放音量", {}, "SpeedButton28", 0x038E, Bytes({240})},
        {"进入工厂测试", {}, "SpeedButton29", 0x0390, ""},
        {"开BT电源", {}, "SpeedButton30", 0x03A0, ""},
        {"BT扫描开始", {}, "SpeedButton31", 0x03A1, ""},
        {"关BT电源", {}, "SpeedButton32", 0x03A2, ""},
        {"平台升级请求", {}, "SpeedButton33", 0x03A4, ""},
        {"文件测试", {}, "SpeedButton34", 0x0125, Bytes({0, 0, 0, 0, 0x04, 0x00})},
        {"文件测试 删除文件 3", Then(pick("ComboBox7", 1), pick("ComboBox8", 3)), "SpeedButton34", 0x0125,
         Bytes({1, 3, 0, 0, 0x04, 0x00})},
        // 16778240 = 0x01000400: the top byte is dropped.
        {"文件测试, size above 24 bits", Typed("Edit8", "16778240"), "SpeedButton34", 0x0125,
         Bytes({0, 0, 0, 0, 0x04, 0x00})},
        // 20480 = 0x005000, 20 = 0x0014; 提示一 is CC E1 CA BE D2 BB in code page 936.
        {"音频写入",
         {},
         "SpeedButton35",
         0x0125,
         Bytes({4, 0, 0, 0x00, 0x50, 0x00, 0x00, 0x14, 0xCC, 0xE1, 0xCA, 0xBE, 0xD2, 0xBB})},
        {"音频写入 情亲对讲, no title", Then(pick("ComboBox9", 1), Typed("Edit11", "")), "SpeedButton35",
         0x0125, Bytes({4, 1, 0, 0x00, 0x50, 0x00, 0x00, 0x14})},
        // 中 is two bytes: 8 + 2 * 242 = 492.
        {"音频写入, title too long", Text("Edit11", QString(242, QChar(0x4E2D))), "SpeedButton35", -1,
         "发送数据过长,未发送 (492 > 491)"},
    });
}

}  // namespace
