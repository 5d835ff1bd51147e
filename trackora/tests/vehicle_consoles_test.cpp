// The vehicle and long-standby consoles: one golden table each over the set and query texts, the
// select-all buttons and every command button, and the values the consoles refuse.
#include "console_golden.h"
#include "consoles/VehicleConsoles.h"
#include "platform/Clock.h"

namespace {

using VehicleConsoleTest = GoldenConsoleTest;

const char* const kNothingChecked = "您未选择设置项目";

TEST_F(VehicleConsoleTest, Manage640Golden) {
    const auto selectAll = Clicked("SpeedButton3");
    const auto lastFour =
        Checks({"Check_CAR_CARD_NO", "Check_GPS_FINTER_EN", "Check_ACC_ACTIVE_EN", "Check_ACC_OFF_FREQ"});
    RunGolden<Tf640Manage>({
        // Len 53 = 0x35. Sum: 0x4B + 0x51 + 0x02 + 0x02 + 0x35 = 0xD5, the text's bytes 0xED9; 0xFAE -> 0xAE.
        {"select all, query: the first eight boxes", selectAll, "SpeedButton2", 0x0202,
         "#SOFTVERSION#PHONE#SERVIP#SERVPORT#PRO#FREQ#PULSE#APN",
         "ATKQ4B510000000000000000000202003523534F465456455253494F4E2350484F4E45235345525649502353455256"
         "504F52542350524F23465245512350554C53452341504EAE0D0A"},
        {"select all, set",
         Then(selectAll, Then(Typed("Value_SERVIP", "1.2.3.4"), Typed("Value_APN", "cmnet"))), "SpeedButton1",
         0x0201, "#PHONE=13800138000#SERVIP=1.2.3.4#SERVPORT=5000#PRO=0#FREQ=30#PULSE=120#APN=cmnet"},
        // 粤 is D4 C1 in code page 936.
        {"the last four are left to the user", Then(lastFour, Then(selectAll, Clicked("SpeedButton4"))),
         "SpeedButton1", 0x0201,
         "#CAR_CARD_NO=\xD4\xC1"
         "B12345#GPS_FINTER_EN=1#ACC_ACTIVE_EN=1#ACC_OFF_FREQ=180"},
        {"protocol typed over: -1",
         Then(Checks({"Check_PRO"}),
              [](QWidget* f) { f->findChild<TComboBox*>("Value_PRO")->SetNoSelection("808"); }),
         "SpeedButton1", 0x0201, "#PRO=-1"},
        {"query of the last four", lastFour, "SpeedButton2", 0x0202,
         "#CAR_CARD_NO#GPS_FINTER_EN#ACC_ACTIVE_EN#ACC_OFF_FREQ"},
        {"select all then clear all", Then(selectAll, Clicked("SpeedButton4")), "SpeedButton1", -1,
         kNothingChecked},
        {"nothing checked, query", {}, "SpeedButton2", -1, kNothingChecked},
        {"only a query-only box, set", Checks({"Check_SOFTVERSION"}), "SpeedButton1", -1, kNothingChecked},
        {"断油断电", {}, "SpeedButton5", 0x0340, ""},
        {"供油供电", {}, "SpeedButton6", 0x0341, ""},
        {"读取盲区数据", {}, "SpeedButton7", 0x0330, ""},
        {"清空盲区数据", {}, "SpeedButton8", 0x0331, ""},
        // "#SERVIP=" 8 + 484 = 492 bytes.
        {"too long for a frame",
         Then(Checks({"Check_SERVIP"}),
              [](QWidget* f) { SetEditText(f, "Value_SERVIP", QString(484, 'a')); }),
         "SpeedButton1", -1, "发送数据过长,未发送 (492 > 491)"},
        {"an item mark inside a value",
         Then(Checks({"Check_PHONE", "Check_APN"}), Typed("Value_APN", "cmnet#SERVIP=6.6.6.6")),
         "SpeedButton1", -1, "Character \"#\" not allowed in APN接入点"},
    });
}

TEST_F(VehicleConsoleTest, WlwManageGolden) {
    const auto selectAll = Clicked("SpeedButton3");
    RunGolden<TfwlwManage>({
        {"select all, query: all fourteen", selectAll, "SpeedButton2", 0x0202,
         "#SOFTVERSION#SERVIP#SERVPORT#TERIID#IMEI#FREQ#PULSE#VIBSMS_EN#VIBS#POFSMS_EN#POFS#OUTSMS_EN#OUTS#"
         "RADIUS"},
        {"select all, set the defaults", selectAll, "SpeedButton1", 0x0201,
         "#SERVIP=www.example.com#SERVPORT=1087#TERIID=1234567890123456#IMEI=860000000000001#FREQ=15"
         "#PULSE=120#VIBSMS_EN=0#VIBS=1#POFSMS_EN=0#POFS=1#OUTSMS_EN=0#OUTS=1#RADIUS=500"},
        {"alarm switches",
         Then(Checks({"Check_VIBS", "Check_OUTSMS_EN", "Check_RADIUS"}),
              Then(Picked("Value_VIBS", 0), Then(Picked("Value_OUTSMS_EN", 1), Typed("Value_RADIUS", "")))),
         "SpeedButton1", 0x0201, "#VIBS=0#OUTSMS_EN=1#RADIUS="},
        {"select all then clear all", Then(selectAll, Clicked("SpeedButton4")), "SpeedButton2", -1,
         kNothingChecked},
    });
}

TEST_F(VehicleConsoleTest, CcdjGolden) {
    SetClock([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
    auto group = [](int n) { return "Value_ALARM_CLOCK_" + std::to_string(n) + "_Check"; };
    const auto groupsClear = [group](QWidget* f) {
        for (int n = 1; n <= 4; ++n) SetChecked(f, group(n), false);
    };
    const auto pin59Input = Then(Picked("ComboBox1", 59), Picked("ComboBox2", 1));
    RunGolden<TfCCDJ>({
        {"alarm clock, all four groups", Checks({"Check_ALARM_CLOCK"}), "SpeedButton1", 0x0201,
         "#ALARM_CLOCK=0:1:01:00|1:1:08:00|2:1:16:00|3:1:23:00"},
        {"alarm clock, all clear: the last group keeps its bar",
         Then(Checks({"Check_ALARM_CLOCK"}), groupsClear), "SpeedButton1", 0x0201,
         "#ALARM_CLOCK=0:0:00:00|1:0:00:00|2:0:00:00|3:0:00:00|"},
        {"alarm clock, only group 4",
         Then(Checks({"Check_ALARM_CLOCK"}), Then(groupsClear, Checks({group(4)}))), "SpeedButton1", 0x0201,
         "#ALARM_CLOCK=0:0:00:00|1:0:00:00|2:0:00:00|3:1:23:00"},
        {"alarm clock, group 2 as typed",
         Then(Checks({"Check_ALARM_CLOCK"}), Typed("Value_ALARM_CLOCK_2", "7:5")), "SpeedButton1", 0x0201,
         "#ALARM_CLOCK=0:1:01:00|1:1:7:5|2:1:16:00|3:1:23:00"},
        // Len 28 = 0x1C. Sum: 0x9C + 0x02 + 0x01 + 0x1C = 0xBB, the text's bytes 0x645; 0x700 -> 0x00.
        {"clock from the PC", Checks({"Check_SYNC_DT"}), "SpeedButton1", 0x0201,
         "#SYNC_DT=2026-03-04 05:06:07",
         "ATKQ4B510000000000000000000201001C2353594E435F44543D323032362D30332D30342030353A30363A3037000D0A"},
        {"clock as typed once the PC box is clear",
         Then(Checks({"Check_SYNC_DT"}), [](QWidget* f) { SetChecked(f, "Value_SYNC_DT_PC", false); }),
         "SpeedButton1", 0x0201, "#SYNC_DT=15-05-15 00:00:01"},
        {"select all, set: not the antenna mode",
         Then(Clicked("SpeedButton3"),
              [](QWidget* f) {
                  SetChecked(f, "Check_SYNC_DT", false);
                  SetChecked(f, "Check_ALARM_CLOCK", false);
                  SetChecked(f, "Check_SKY_LINE_FLAG", false);
              }),
         "SpeedButton1", 0x0201,
         "#PHONE=13800138000#APN=CMNET#SERVIP=192.168.1.100#SERVPORT=11010#FREQ=1#UPDATE_MODE=0"},
        {"select all, query", Clicked("SpeedButton3"), "SpeedButton2", 0x0202,
         "#SOFTVERSION#PHONE#APN#SERVIP#SERVPORT#FREQ#UPDATE_MODE#ALARM_CLOCK#SYNC_DT"},
        {"antenna mode", Then(Checks({"Check_SKY_LINE_FLAG"}), Picked("Value_SKY_LINE_FLAG", 1)),
         "SpeedButton1", 0x0201, "#SKY_LINE_FLAG=1"},
        {"初始化IO GPIO59 输入", pin59Input, "SpeedButton5", 0x0333, "\x3B\x01"},
        {"初始化IO defaults", {}, "SpeedButton5", 0x0333, std::string("\x00\x00", 2)},
        {"输出高电平", pin59Input, "SpeedButton6", 0x0334, "\x3B\x01"},
        {"输出低电平", pin59Input, "SpeedButton7", 0x0334, std::string("\x3B\x00", 2)},
        {"读取IO状态", pin59Input, "SpeedButton8", 0x0335, "\x3B"},
        {"读取IO状态, pin typed over: 255",
         [](QWidget* f) { f->findChild<TComboBox*>("ComboBox1")->SetNoSelection("GPIO60"); }, "SpeedButton8",
         0x0335, "\xFF"},
        {"打开GPS", {}, "SpeedButton9", 0x0313, ""},
        {"关闭GPS", {}, "SpeedButton10", 0x0314, ""},
        {"系统关机", {}, "SpeedButton11", 0x030F, ""},
        {"打开辅助串口", {}, "SpeedButton12", 0x0345, ""},
        {"关闭辅助串口", {}, "SpeedButton13", 0x0346, ""},
        {"振动器控制 default", {}, "SpeedButton14", 0x0380, std::string(1, '\0')},
        {"振动一次", Picked("ComboBox3", 2), "SpeedButton14", 0x0380, "\x02"},
        {"an item mark in an alarm time",
         Then(Checks({"Check_ALARM_CLOCK"}), Typed("Value_ALARM_CLOCK_3", "16:00#SERVIP=1")), "SpeedButton1",
         -1, "Character \"#\" not allowed in 闹钟模式"},
    });
    SetClock(nullptr);
}

}  // namespace
