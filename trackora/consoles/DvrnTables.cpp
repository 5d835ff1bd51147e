#include "consoles/DvrnTables.h"

#include "consoles/ConsoleSamples.h"

namespace {

const std::vector<std::string> kDisableEnable{"Disable", "Enable"};
// Sample values the fields start with before the user types the real ones.
const char* const kSampleTerminal = "123456789012345";

std::vector<std::string> MileageFactors() {
    std::vector<std::string> items;
    for (int tenths = 10; tenths <= 20; ++tenths) {
        items.push_back(std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "倍上报");
    }
    return items;
}

ValuePart WorkModePart() {
    ValuePart part =
        ComboPart({"默认工作模式", "定时开机上报", "短信休眠模式", "关闭振动模式", "定时飞行模式"}, -1);
    part.control.text = "默认工作模式";
    return part;
}

ParamPage Param1() {
    return {
        "Param1",
        {
            Kept(Field("TERIID", "TeriSN", {EditPart(kSampleTerminal)}), "TERISN"),
            Kept(Field("FREQ", "FREQ", {EditPart("30")}), "FREQ"),
            Hidden(
                Named(Field("ACC_OFF_FREQ", "熄火上报间隔", {EditPart("60", true)}), "ACC_OFF_FREQ_HIDDEN")),
            Kept(Field("PULSE", "HEART", {EditPart("180")}), "HEART"),
            Kept(Field("SPEED", "SpeedWarn", {EditPart("0")}), "SPEED"),
            Kept(Field("SERVIP", "ServerAddr", {EditPart("")}), "SERVERADDR"),
            Kept(Field("SERVPORT", "ServerPort", {EditPart("")}), "SERVERPORT"),
            Kept(Field("USER", "User", {EditPart("")}), "USER"),
            Kept(Field("SOURCE_OFF_TYPE", "SourceOff", {ComboPart({"Speed<20", "Auto"}, 0)}), "SOURCEOFF"),
            Kept(Field("VIBCHK", "Vib Param", {EditPart("10"), EditPart("5")}, ":"), "VIBPARAM"),
            Hidden(Field("ACCLOCK", "ACC设防使能", {ComboPart(kForbidAllow, 1, 0, true)})),
            Field("ACC_EXFUN", "ACC Extern", {ComboPart({"NoFuntion", "AccPower"}, 0)}),
            Kept(Field("SLEEPT", "SleepTime", {EditPart("3")}), "SLEEPTIME"),
            Kept(Field("APN", "APN", {EditPart(kPublicApn)}), "APN"),
            Kept(Field("USERPPP", "APN USER", {EditPart("")}), "APNUSER"),
            Kept(Field("PWPPP", "APN PWASSWORD", {EditPart("")}), "APNPWASSWORD"),
            Kept(Field("ANGLE_SEND", "CourseSend", {ComboPart(kDisableEnable, 1)}), "COURSESEND"),
            Kept(Field("GPS_FINTER_EN", "GPS Finter", {ComboPart(kDisableEnable, 1)}), "GPSFINTER"),
            Kept(Field("BLIND_EN", "BlindSend", {ComboPart(kDisableEnable, 1)}), "BLINDSEND"),
            Kept(Field("VIBL", "Vib Level", {ComboPart(NumberedItems("LEVEL", 1, 6), 0, 1)}), "VIBLEVEL"),
            Field("LOG_EN", "SysLog",
                  {ComboPart(kDisableEnable, 1), ComboPart(NumberedItems("", 1, 5, "Min"), 0, 1)}, ":"),
            Field("EXP_ACC", "Power ACC", {ComboPart(kDisableEnable, 1), EditPart("132")}),
            Kept(Field("BATT_TYPE", "Bettary", {ComboPart({"SmallBat", "BitBat"}, 0)}), "BETTARY"),
            Kept(Field("SERV2_ADDR", "SecondIP", {EditPart("")}), "SECONDIP"),
            Kept(Field("SERV2_PORT", "SecondPort", {EditPart("0")}), "SECONDPORT"),
            Kept(Field("ACC_OFF_FREQ", "ACCOFF-FREQ", {EditPart("300")}), "ACC_OFF_FREQ"),
            Kept(Field("IMEI", "IMEI", {EditPart(kSampleImei)}), "FIMIE"),
            Kept(QueryKey("SOFTVERSION", "Version"), "VERSION"),
            Kept(QueryKey("ICCID", "ICCID"), "ICCID"),
        },
        {"VERSION",      "TERISN",     "FREQ",       "ACC_OFF_FREQ_HIDDEN",
         "HEART",        "SPEED",      "SERVERADDR", "SERVERPORT",
         "USER",         "SOURCEOFF",  "VIBPARAM",   "ACCLOCK",
         "ACC_EXFUN",    "SLEEPTIME",  "APN",        "APNUSER",
         "APNPWASSWORD", "COURSESEND", "GPSFINTER",  "BLINDSEND",
         "VIBLEVEL",     "ICCID",      "LOG_EN",     "EXP_ACC",
         "BETTARY",      "SECONDIP",   "SECONDPORT", "ACC_OFF_FREQ",
         "FIMIE"}};
}

ParamPage Param2() {
    return {"Param2",
            {
                Kept(Field("808SEL", "808 Select", {ComboPart({"2011", "2013"}, 0)}), "808SELECT"),
                Kept(Field("VIB", "VIB SMS", {ComboPart(kDisableEnable, 0)}), "VIBSMS"),
                Kept(Field("VIBCALL", "VIB CALL", {ComboPart(kDisableEnable, 0)}), "VIBCALL"),
                Kept(Field("POF", "POWOFF Sms", {ComboPart(kDisableEnable, 0)}), "POWOFFSMS"),
                Kept(Field("POFS", "PowOff Call", {ComboPart(kDisableEnable, 0)}), "POWOFFCALL"),
                Kept(Field("SOS_SMS_EN", "SOS Sms", {ComboPart(kDisableEnable, 0)}), "SOSSMS"),
                Kept(Field("SOS_CALL_EN", "SOS Call", {ComboPart(kDisableEnable, 0)}), "SOSCALL"),
                Kept(Field("SOS_CODE2", "SOS Number1", {EditPart("")}), "SOSNUMBER1"),
                Kept(Field("SOS_CODE3", "SOS Number2", {EditPart("")}), "SOSNUMBER2"),
                Kept(Field("SKY_LINE_FLAG", "Run Mode", {ComboPart({"Normal Mode", "Skyline Mode"}, 0)}),
                     "RUNMODE"),
                Kept(Field("PTL_SEL", "Ptl Select", {ComboPart({"LM", "808", "GT06"}, 0)}), "PTLSELECT"),
                Field("DET_AUTO_ACC", "ACC关联设防使能", {ComboPart(kForbidAllow, 1)}),
                Kept(Field("SPDSMSEN", "Over Speed", {ComboPart(kDisableEnable, 0)}), "OVERSPEED"),
                Field("VOICE_CTRL_EN", "声音控制使能", {ComboPart(kForbidAllow, 0)}),
                Field("VOICE_DB_VALUE", "声音控制阀值", {EditPart("73")}),
                Field("VOICE_DB_TIME", "声控检测时间", {EditPart("3")}),
                Field("VOICE_REDO_DELAY", "声控冷却时间", {EditPart("1")}),
                Field("WORK_MODE", "", {WorkModePart()}),
                Kept(Field("IMEI", "IMEI", {EditPart(kSampleImei)}), "IMIE"),
                Field("STOPT", "停车报警参数", {EditPart("0")}),
                Field("DIS_COEFFI", "里程上报系数", {ComboPart(MileageFactors(), 0, 10)}),
                Kept(Field("MTK_DISSLP", "MTK No Sleep", {ComboPart(kDisableEnable, 1)}), "MTKNOSLEEP"),
                Kept(Field("GPS_DISSLP", "GPS No Sleep", {ComboPart(kDisableEnable, 0)}), "GPSNOSLEEP"),
                Kept(Field("GMT_SET", "Time zone",
                           {EastWestPart(0), Pad2Part(NumberedItems("", 0, 12, "", 2), 0),
                            Pad2Part(NumberedItems("", 0, 59, "", 2), 0)}),
                     "TIMEZONE"),
                QueryKey("DOOR_TEST", "车门检测参数"),
            },
            {"VIBSMS",        "VIBCALL",          "POWOFFSMS",  "POWOFFCALL",    "SOSSMS",
             "SOSCALL",       "SOSNUMBER1",       "SOSNUMBER2", "RUNMODE",       "PTLSELECT",
             "808SELECT",     "DET_AUTO_ACC",     "OVERSPEED",  "VOICE_CTRL_EN", "VOICE_DB_VALUE",
             "VOICE_DB_TIME", "VOICE_REDO_DELAY", "WORK_MODE",  "IMIE",          "TIMEZONE",
             "DOOR_TEST",     "DIS_COEFFI",       "STOPT",      "MTKNOSLEEP",    "GPSNOSLEEP"}};
}

// Pages 2 and 3 list keys that can only be queried; their check boxes are hidden and never checked.
ParamPage Param3() {
    return {
        "Param3",
        {Hidden(QueryKey("ACC_SMS_EN", "ACC报警短信")), Hidden(QueryKey("ACC_CALL_EN", "ACC报警电话")),
         Hidden(QueryKey("DOOR_SMS_EN", "车门报警短信")), Hidden(QueryKey("DOOR_CALL_EN", "车门报警电话")),
         Hidden(QueryKey("CO_SMS_EN", "CO报警短信")), Hidden(QueryKey("CO_CALL_EN", "CO报警电话"))},
        {}};
}

ParamPage Person() {
    return {"Person",
            {Hidden(Named(QueryKey("WORK_MODE", "设备工作模式"), "PERSON_WORK_MODE")),
             Hidden(QueryKey("LED_ENABLE", "指示灯显示")), Hidden(QueryKey("PW33_POS", "设备定位模式")),
             Hidden(QueryKey("SJP", "上报时间点设置")), Hidden(QueryKey("SJS", "上报时间段设置"))},
            {}};
}

}  // namespace

const std::vector<ParamPage>& DvrnPages() {
    // Pages 4 to 6 hold the tracker's own commands, laid out by the console itself.
    static const std::vector<ParamPage> pages{Param1(),        Param2(),        Param3(),         Person(),
                                              {"Car", {}, {}}, {"Gun", {}, {}}, {"Debug", {}, {}}};
    return pages;
}

const std::vector<std::string>& DvrnIniOrder() {
    static const std::vector<std::string> order{
        "VERSION",    "ICCID",      "TERISN",     "FREQ",         "HEART",      "SPEED",        "SERVERADDR",
        "SERVERPORT", "SOURCEOFF",  "GPSFINTER",  "BETTARY",      "SECONDIP",   "SECONDPORT",   "USER",
        "VIBPARAM",   "VIBLEVEL",   "SLEEPTIME",  "APN",          "APNUSER",    "APNPWASSWORD", "COURSESEND",
        "BLINDSEND",  "VIBSMS",     "VIBCALL",    "POWOFFSMS",    "POWOFFCALL", "SOSSMS",       "SOSCALL",
        "OVERSPEED",  "IMIE",       "TIMEZONE",   "SOSNUMBER1",   "SOSNUMBER2", "RUNMODE",      "PTLSELECT",
        "808SELECT",  "MTKNOSLEEP", "GPSNOSLEEP", "ACC_OFF_FREQ", "FIMIE"};
    return order;
}
