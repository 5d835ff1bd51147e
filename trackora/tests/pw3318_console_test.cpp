// The 4G watch's console: its two parameter pages, the alarm and three-row speed-dial lists and every
// command of the cell-module page, in golden tables, with the composites at their edges.
#include "console_golden.h"
#include "consoles/TfPW3318.h"

namespace {

using PW3318Test = GoldenConsoleTest;

const char* const kNothingChecked = "您未选择设置项目";

TEST_F(PW3318Test, ParameterPagesGolden) {
    const auto weekdays1to5 = Checks({"Check_MUTE_DT", "Value_MUTE_DT_2_1", "Value_MUTE_DT_2_2",
                                      "Value_MUTE_DT_2_3", "Value_MUTE_DT_2_4", "Value_MUTE_DT_2_5"});
    const auto netPointsClear = [](QWidget* f) {
        for (int n = 3; n <= 6; ++n) SetChecked(f, "Value_NET_MODE_" + std::to_string(n) + "_Check", false);
    };
    RunGolden<TfPW3318>({
        {"every field of page 0, set", CheckAllFields, "SpeedButton1", 0x0201,
         "#PULSE=300#TERIID=1234567890#SKY_LINE_FLAG=0#VOLUME=6#PW33_POS=0#STEP_ENABLE=1"
         "#ICCID=8986001234567890123#AUTO_POW_CTRL=106300000#SJP=#NET_SHOW=1#SJS=010"},
        {"every field of page 0, query: its own order", CheckAllFields, "SpeedButton2", 0x0202,
         "#SOFTVERSION#PULSE#TERIID#SKY_LINE_FLAG#VOLUME#PW33_POS#STEP_ENABLE#AUTO_POW_CTRL#SJP#SJS#NET_SHOW#"
         "ICCID"},
        {"three fields, set", Checks({"Check_PULSE", "Check_ICCID", "Check_SJS"}), "SpeedButton1", 0x0201,
         "#PULSE=300#ICCID=8986001234567890123#SJS=010"},
        {"three fields, query: ICCID last", Checks({"Check_PULSE", "Check_ICCID", "Check_SJS"}),
         "SpeedButton2", 0x0202, "#PULSE#SJS#ICCID"},
        {"points 2 and 5",
         Then(Checks({"Check_SJP", "Value_SJP_2_Check", "Value_SJP_5_Check"}),
              Then(Combos("Value_SJP_2", {7, 5}), Combos("Value_SJP_5", {18, 30}))),
         "SpeedButton1", 0x0201, "#SJP=07051830"},
        {"long interval is cut", Then(Checks({"Check_SJS"}), Typed("Value_SJS_1", "1234")), "SpeedButton1",
         0x0201, "#SJS=123"},
        {"empty interval", Then(Checks({"Check_SJS"}), Typed("Value_SJS_1", "")), "SpeedButton1", 0x0201,
         "#SJS=010"},
        {"interval 5 with period one",
         Then(Checks({"Check_SJS", "Value_SJS_2_Check"}),
              Then(Typed("Value_SJS_1", "5"), Combos("Value_SJS_2", {8, 0, 12, 30}))),
         "SpeedButton1", 0x0201, "#SJS=00508001230"},
        {"two-character interval, period three",
         Then(Checks({"Check_SJS", "Value_SJS_4_Check"}),
              Then(Typed("Value_SJS_1", "30"), Combos("Value_SJS_4", {23, 59, 0, 0}))),
         "SpeedButton1", 0x0201, "#SJS=03023590000"},
        {"power saving, a minute typed over: -1 unpadded",
         Then(Checks({"Check_AUTO_POW_CTRL"}), TypedOver("Value_AUTO_POW_CTRL_2_2", "30")), "SpeedButton1",
         0x0201, "#AUTO_POW_CTRL=106-10000"},
        {"data mode at its defaults", Then(OnPage(1), Checks({"Check_NET_MODE"})), "SpeedButton1", 0x0201,
         "#NET_MODE=010615100015002200"},
        {"data mode, 4G first, every point clear",
         Then(Then(OnPage(1), Checks({"Check_NET_MODE"})),
              Then(Picked("Value_NET_MODE_1", 1), netPointsClear)),
         "SpeedButton1", 0x0201, "#NET_MODE=110000000000000000"},
        {"data mode, point 3 clear",
         Then(Then(OnPage(1), Checks({"Check_NET_MODE"})),
              [](QWidget* f) { SetChecked(f, "Value_NET_MODE_5_Check", false); }),
         "SpeedButton1", 0x0201, "#NET_MODE=010615100000002200"},
        {"silent: on, 周1 to 周5, no period",
         Then(Then(OnPage(1), weekdays1to5), Picked("Value_MUTE_DT_1", 1)), "SpeedButton1", 0x0201,
         "#MUTE_DT=11F"},
        {"silent with period one",
         Then(Then(OnPage(1), weekdays1to5),
              Then(Then(Picked("Value_MUTE_DT_1", 1), Checks({"Value_MUTE_DT_3_Check"})),
                   Combos("Value_MUTE_DT_3", {22, 0, 0, 6, 30, 0}))),
         "SpeedButton1", 0x0201, "#MUTE_DT=11F220000063000"},
        {"page 1, query", Then(OnPage(1), Checks({"Check_MUTE_DT", "Check_NET_MODE"})), "SpeedButton2",
         0x0202, "#MUTE_DT#NET_MODE"},
        {"page 0 only with nothing checked", {}, "SpeedButton1", -1, kNothingChecked},
        {"page 1, page 0 checked", Then(Checks({"Check_PULSE", "Check_SJS"}), OnPage(1)), "SpeedButton2", -1,
         kNothingChecked},
        {"page 2, set", Then(CheckAllFields, OnPage(2)), "SpeedButton1", -1, kNothingChecked},
        {"page 2, query", OnPage(2), "SpeedButton2", -1, kNothingChecked},
        {"an item mark in the terminal id", Then(Checks({"Check_TERIID"}), Typed("Value_TERIID", "#")),
         "SpeedButton1", -1, "Character \"#\" not allowed in 终端ID"},
    });
}

TEST_F(PW3318Test, SlotListsGolden) {
    const auto threeRows = [](QWidget* f) {
        const char* names[] = {"x", "y", "z"};
        for (int n = 1; n <= 3; ++n) {
            const std::string row = "SpeedDial" + std::to_string(n);
            SetChecked(f, row + "_Check", true);
            SetEditText(f, row + "_Number", QString::number(n));
            SetEditText(f, row + "_Name", names[n - 1]);
        }
    };
    RunGolden<TfPW3318>({
        {"alarms, none checked", {}, "SpeedButton5", 0x0210, ";;;;"},
        {"alarm 4 on, once, 9:05",
         Then(Checks({"Alarm4_Check"}), Then(Then(Picked("Alarm4_OnOff", 1), Picked("Alarm4_Day", 0)),
                                             Then(Picked("Alarm4_Hour", 9), Picked("Alarm4_Minute", 5)))),
         "SpeedButton5", 0x0210, ";;;1#1#09:05#\xE6\x8F\x90\xE7\xA4\xBA;"},
        {"speed dial, three rows of five slots", threeRows, "SpeedButton7", 0x0212, "1#x;2#y;3#z;;"},
        {"speed dial, none checked", {}, "SpeedButton7", 0x0212, ";;;;"},
        {"查询闹铃", {}, "SpeedButton6", 0x0211, ""},
        {"查询速拔号", {}, "SpeedButton8", 0x0213, ""},
        {"a separator in a speed-dial name", Then(threeRows, Typed("SpeedDial2_Name", "a;b")), "SpeedButton7",
         -1, "Character \";\" not allowed in speed dial 2 name"},
    });
}

TEST_F(PW3318Test, CommandButtonsGolden) {
    RunGolden<TfPW3318>({
        {"切换到2G网络", {}, "SpeedButton11", 0x03A5, Bytes({26, 2})},
        {"切换到4G网络 LTE", {}, "SpeedButton12", 0x03A5, Bytes({26, 4})},
        {"切换到4G网络 L_G", Picked("ComboBox1", 1), "SpeedButton12", 0x03A5, Bytes({26, 5})},
        {"切换到4G网络 typed over: 4 - 1", TypedOver("ComboBox1", "LTE4"), "SpeedButton12", 0x03A5,
         Bytes({26, 3})},
        {"LTE_GSM", {}, "SpeedButton13", 0x03A5, Bytes({26, 5})},
        {"GSM_LTE", {}, "SpeedButton14", 0x03A5, Bytes({26, 6})},
        {"USB永久打开", {}, "SpeedButton15", 0x03A5, Bytes({23, '2'})},
        {"USB永久关闭", {}, "SpeedButton16", 0x03A5, Bytes({23, '3'})},
        {"进入复位状态", {}, "SpeedButton17", 0x03A5, Bytes({16})},
        {"离开复位状态", {}, "SpeedButton18", 0x03A5, Bytes({17})},
        {"打开DL口", {}, "SpeedButton19", 0x03A5, Bytes({32, '0'})},
        {"关闭DL口", {}, "SpeedButton20", 0x03A5, Bytes({32, '1'})},
        {"打开4G模块", {}, "SpeedButton21", 0x03A5, Bytes({12})},
        {"关闭4G模块", {}, "SpeedButton22", 0x03A5, Bytes({13})},
        {"设置CLSUSB使能", {}, "SpeedButton23", 0x03A5, Bytes({34, 0})},
        {"设置CLSUSB使能 允许", Picked("ComboBox2", 1), "SpeedButton23", 0x03A5, Bytes({34, 1})},
        {"查询CLSUSB使能", {}, "SpeedButton24", 0x03A5, Bytes({35})},
        {"串口测试 12", {}, "SpeedButton25", 0x03A5, Bytes({10, 0, 12})},
        // 0x9C + 0x03 + 0xA5 + 0x03 = 0x147, payload 0x0A + 0x01 + 0x2C = 0x37; 0x17E -> 0x7E.
        {"串口测试 300", Typed("Edit1", "300"), "SpeedButton25", 0x03A5, Bytes({10, 1, 44}),
         "ATKQ4B5100000000000000000003A500030A012C7E0D0A"},
        {"串口测试 not a number", Typed("Edit1", "abc"), "SpeedButton25", -1,
         "'abc' is not a valid integer value"},
        {"获取LT62状态", {}, "SpeedButton26", 0x03A5, Bytes({11})},
        {"读取复位数据", {}, "SpeedButton27", 0x030A, ""},
        {"初始化复位数据", {}, "SpeedButton28", 0x030F, ""},
        {"读取充电数据", {}, "SpeedButton29", 0x03A7, ""},
        {"初始化充电数据", {}, "SpeedButton30", 0x03A8, ""},
        {"设置绑定状态", {}, "SpeedButton31", 0x0427, Bytes({0})},
        {"设置绑定状态 已绑定", Picked("ComboBox3", 1), "SpeedButton31", 0x0427, Bytes({1})},
        // 0x9C + 0x04 + 0x28 + 0x0A = 0xD2, ten zero bytes add nothing.
        {"查询绑定状态: ten zero bytes",
         {},
         "SpeedButton32",
         0x0428,
         std::string(10, '\0'),
         "ATKQ4B510000000000000000000428000A00000000000000000000D20D0A"},
        {"短信初始化",
         {},
         "SpeedButton33",
         0x0515,
         "\x01"
         "10086"},
        {"短信初始化, no number", Typed("Edit2", ""), "SpeedButton33", 0x0515, Bytes({1})},
        // 1 + 491 = 492 bytes.
        {"短信初始化, number too long", [](QWidget* f) { SetEditText(f, "Edit2", QString(491, '1')); },
         "SpeedButton33", -1, "发送数据过长,未发送 (492 > 491)"},
        {"短信状态查询", {}, "SpeedButton34", 0x0516, ""},
        {"设置流量参数: 1024 bytes is index 7, 3 s index 2", {}, "SpeedButton35", 0x0376, Bytes({8, 3})},
        {"设置流量参数 128 and 1", Then(Picked("ComboBox4", 0), Picked("ComboBox5", 0)), "SpeedButton35",
         0x0376, Bytes({1, 1})},
        {"设置流量参数 2048 and 5", Then(Picked("ComboBox4", 15), Picked("ComboBox5", 4)), "SpeedButton35",
         0x0376, Bytes({16, 5})},
        {"查询流量参数", {}, "SpeedButton36", 0x0377, ""},
        {"查询流量数据", {}, "SpeedButton37", 0x0375, ""},
        {"设置允电流量使能", {}, "SpeedButton38", 0x0378, Bytes({1})},
        {"查询充电流量使能", {}, "SpeedButton39", 0x0379, ""},
    });
}

}  // namespace
