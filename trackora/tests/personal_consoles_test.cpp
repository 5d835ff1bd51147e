// The positioning shoe's and school bag's consoles: one golden table each over their set and query texts,
// the report-time composites at their edges, the APN test and the refusals.
#include "console_golden.h"
#include "consoles/PersonalConsoles.h"

namespace {

using PersonalConsoleTest = GoldenConsoleTest;

const char* const kNothingChecked = "您未选择设置项目";

// Point n of the report time points at h:m, checked.
std::function<void(QWidget*)> Point(int n, int h, int m) {
    const std::string part = "Value_SJP_" + std::to_string(n);
    return Then(Checks({part + "_Check"}), Then(Picked(part + "_1", h), Picked(part + "_2", m)));
}
// Report period n (1 to 3) from h1:m1 to h2:m2, checked.
std::function<void(QWidget*)> Period(int n, int h1, int m1, int h2, int m2) {
    const std::string part = "Value_SJS_" + std::to_string(n + 1);
    return Then(Checks({part + "_Check"}), Then(Then(Picked(part + "_1", h1), Picked(part + "_2", m1)),
                                                Then(Picked(part + "_3", h2), Picked(part + "_4", m2))));
}
const auto kAll = [](QWidget* f) { CheckAllFields(f); };

TEST_F(PersonalConsoleTest, WifiShoesGolden) {
    RunGolden<TfWifiShoes>({
        {"every field, set", kAll, "SpeedButton1", 0x0201,
         "#IMEI=860000000000001#FREQ=10#PULSE=300#SKY_LINE_FLAG=0#APN=CMNET#USERPPP=#PWPPP=#SJP=#SJS=010"
         "#STEP_LIMIT=25#STEP_NUM=0#STEP_ENABLE=0#POS_STYLE=1:3:25:90:5:3:3"},
        {"every field, query", kAll, "SpeedButton2", 0x0202,
         "#SOFTVERSION#IMEI#FREQ#PULSE#SKY_LINE_FLAG#APN#USERPPP#PWPPP#SJP#SJS#STEP_LIMIT#STEP_NUM#STEP_"
         "ENABLE"
         "#POS_STYLE"},
        {"strategy, re-check count typed over: -1 + 1",
         Then(Checks({"Check_POS_STYLE"}),
              Then(Picked("Value_POS_STYLE_1", 2), TypedOver("Value_POS_STYLE_6", "4"))),
         "SpeedButton1", 0x0201, "#POS_STYLE=2:3:25:90:5:0:3"},
        {"points 2 and 5", Then(Checks({"Check_SJP"}), Then(Point(2, 7, 5), Point(5, 18, 30))),
         "SpeedButton1", 0x0201, "#SJP=07051830"},
        {"point 1 at 23:59 and point 8 at 0:0",
         Then(Checks({"Check_SJP"}), Then(Point(1, 23, 59), Point(8, 0, 0))), "SpeedButton1", 0x0201,
         "#SJP=23590000"},
        {"a point's hour typed over: -1 in place of two digits",
         Then(Checks({"Check_SJP"}), Then(Point(1, 0, 5), TypedOver("Value_SJP_1_1", "07"))), "SpeedButton1",
         0x0201, "#SJP=-105"},
        {"interval from FREQ and period one", Then(Checks({"Check_SJS"}), Period(1, 7, 0, 9, 30)),
         "SpeedButton1", 0x0201, "#SJS=01007000930"},
        {"empty FREQ", Then(Checks({"Check_SJS"}), Typed("Value_FREQ", "")), "SpeedButton1", 0x0201,
         "#SJS=010"},
        {"one-character FREQ, periods two and three",
         Then(Checks({"Check_SJS"}),
              Then(Typed("Value_FREQ", "5"), Then(Period(2, 8, 0, 12, 30), Period(3, 23, 59, 0, 0)))),
         "SpeedButton1", 0x0201, "#SJS=0050800123023590000"},
        {"long FREQ is cut", Then(Checks({"Check_SJS"}), Typed("Value_FREQ", "1234")), "SpeedButton1", 0x0201,
         "#SJS=123"},
        // Len 20 = 0x14. Sum: 0x9C + 0x03 + 0x77 + 0x14 = 0x12A, "46000" 0x34 + 0x36 + 3 * 0x30 = 0xFA; 0x224
        // -> 0x24.
        {"APN test",
         {},
         "SpeedButton5",
         0x0377,
         "46000" + std::string(15, '\0'),
         "ATKQ4B51000000000000000000037700143436303030" + std::string(30, '0') + "240D0A"},
        {"APN test, empty", Typed("Edit1", ""), "SpeedButton5", 0x0377, std::string(20, '\0')},
        {"APN test, only the first 20 bytes", Typed("Edit1", "abcdefghijklmnopqrstuvwxy"), "SpeedButton5",
         0x0377, "abcdefghijklmnopqrst"},
        {"nothing checked", {}, "SpeedButton1", -1, kNothingChecked},
        {"an item mark reaching the periods through FREQ",
         Then(Checks({"Check_SJS"}), Typed("Value_FREQ", "1#")), "SpeedButton1", -1,
         "Character \"#\" not allowed in 上报时间段设置"},
    });
}

TEST_F(PersonalConsoleTest, BagManageGolden) {
    RunGolden<TfBagManage>({
        {"every field, set", kAll, "SpeedButton1", 0x0201,
         "#TERIID=1234567890#PULSE=300#FREQ=10#SKY_LINE_FLAG=0#APN=CMNET#USERPPP=#PWPPP=#USER=13800138000"
         "#SOS_SMS_EN=1#SOS_CALL_EN=1#SJP=#STEP_ENABLE=1#VIB_BASE=65#VIBCHK=10:3#VIB_INT=1"
         "#SOS_CODE2=13800138000#SOS_CODE3=13800138000#SJS=010#PRM_GPS_WORK=25:90:5"},
        {"every field, query: its own order, no vibration reset", kAll, "SpeedButton2", 0x0202,
         "#SOFTVERSION#TERIID#PULSE#FREQ#SKY_LINE_FLAG#APN#USERPPP#PWPPP#USER#SOS_SMS_EN#SOS_CALL_EN#SJP#SJS"
         "#PRM_GPS_WORK#STEP_ENABLE#VIB_BASE#VIBCHK#SOS_CODE2#SOS_CODE3"},
        // Len 10. Sum: 0x9C + 0x02 + 0x01 + 0x0A = 0xA9, "#VIB_INT=1" 0x2BC; 0x365 -> 0x65.
        {"vibration reset alone", Checks({"Check_VIB_INT"}), "SpeedButton1", 0x0201, "#VIB_INT=1",
         "ATKQ4B510000000000000000000201000A235649425F494E543D31650D0A"},
        {"vibration reset alone cannot be queried", Checks({"Check_VIB_INT"}), "SpeedButton2", -1,
         kNothingChecked},
        {"vibration count X:Y",
         Then(Checks({"Check_VIBCHK"}), Then(Typed("Value_VIBCHK_1", "7"), Typed("Value_VIBCHK_2", ""))),
         "SpeedButton1", 0x0201, "#VIBCHK=7:"},
        {"GPS work parameters", Then(Checks({"Check_PRM_GPS_WORK"}), Typed("Value_PRM_GPS_WORK_2", "120")),
         "SpeedButton1", 0x0201, "#PRM_GPS_WORK=25:120:5"},
        {"periods of the FREQ interval",
         Then(Checks({"Check_SJS"}), Then(Typed("Value_FREQ", "7"), Period(3, 23, 59, 0, 0))), "SpeedButton1",
         0x0201, "#SJS=00723590000"},
        {"point 3", Then(Checks({"Check_SJP"}), Point(3, 9, 5)), "SpeedButton1", 0x0201, "#SJP=0905"},
        // "#USER=" 6 + 480 = 486 fits alone; "#PULSE=300" 10 more makes 496.
        {"the whole text must fit one frame",
         Then(Checks({"Check_PULSE", "Check_USER"}),
              [](QWidget* f) { SetEditText(f, "Value_USER", QString(480, '1')); }),
         "SpeedButton1", -1, "发送数据过长,未发送 (496 > 491)"},
        // 丁 is two bytes in code page 936: "#USER=" 6 + 2 * 243 = 492.
        {"Chinese text counts its code page bytes",
         Then(Checks({"Check_USER"}),
              [](QWidget* f) { SetEditText(f, "Value_USER", QString(243, QChar(0x4E01))); }),
         "SpeedButton1", -1, "发送数据过长,未发送 (492 > 491)"},
        {"an item mark in an SOS number", Then(Checks({"Check_SOS_CODE3"}), Typed("Value_SOS_CODE3", "110#")),
         "SpeedButton1", -1, "Character \"#\" not allowed in SOS号码3"},
    });
}

}  // namespace
