#include "consoles/DvrnTables.h"

#include "consoles/ConsoleSamples.h"

namespace {

const std::vector<std::string> kDisableEnable{"Disable", "Enable"};
// Sample values the fields start with before the user types the real ones.
const char* const kSampleTerminal = "123456789012345";

ParamField Row(const char* key, const char* id, const char* caption, std::vector<ValuePart> parts,
               const char* ini = "", const char* joiner = "", bool hidden = false) {
    return {key, id, caption, std::move(parts), joiner, ini, hidden};
}

ParamField QueryOnly(const char* key, const char* id, const char* caption, const char* ini = "",
                     bool hidden = false) {
    return {key, id, caption, {}, "", ini, hidden};
}

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
            Row("TERIID", "TERISN", "TeriSN", {EditPart(kSampleTerminal)}, "TERISN"),
            Row("FREQ", "FREQ", "FREQ", {EditPart("30")}, "FREQ"),
            Row("ACC_OFF_FREQ", "ACC_OFF_FREQ_HIDDEN", "熄火上报间隔", {EditPart("60", true)}, "", "", true),
            Row("PULSE", "HEART", "HEART", {EditPart("180")}, "HEART"),
            Row("SPEED", "SPEED", "SpeedWarn", {EditPart("0")}, "SPEED"),
            Row("SERVIP", "SERVERADDR", "ServerAddr", {EditPart("")}, "SERVERADDR"),
            Row("SERVPORT", "SERVERPORT", "ServerPort", {EditPart("")}, "SERVERPORT"),
            Row("USER", "USER", "User", {EditPart("")}, "USER"),
            Row("SOURCE_OFF_TYPE", "SOURCEOFF", "SourceOff", {ComboPart({"Speed<20", "Auto"}, 0)},
                "SOURCEOFF"),
            Row("VIBCHK", "VIBPARAM", "Vib Param", {EditPart("10"), EditPart("5")}, "VIBPARAM", ":"),
            Row("ACCLOCK", "ACCLOCK", "ACC设防使能", {ComboPart(kForbidAllow, 1, 0, true)}, "", "", true),
            Row("ACC_EXFUN", "ACC_EXFUN", "ACC Extern", {ComboPart({"NoFuntion", "AccPower"}, 0)}),
            Row("SLEEPT", "SLEEPTIME", "SleepTime", {EditPart("3")}, "SLEEPTIME"),
            Row("APN", "APN", "APN", {EditPart(kPublicApn)}, "APN"),
            Row("USERPPP", "APNUSER", "APN USER", {EditPart("")}, "APNUSER"),
            Row("PWPPP", "APNPWASSWORD", "APN PWASSWORD", {EditPart("")}, "APNPWASSWORD"),
            Row("ANGLE_SEND", "COURSESEND", "CourseSend", {ComboPart(kDisableEnable, 1)}, "COURSESEND"),
            Row("GPS_FINTER_EN", "GPSFINTER", "GPS Finter", {ComboPart(kDisableEnable, 1)}, "GPSFINTER"),
            Row("BLIND_EN", "BLINDSEND", "BlindSend", {ComboPart(kDisableEnable, 1)}, "BLINDSEND"),
            Row("VIBL", "VIBLEVEL", "Vib Level", {ComboPart(NumberedItems("LEVEL", 1, 6), 0, 1)}, "VIBLEVEL"),
            Row("LOG_EN", "LOG_EN", "SysLog",
                {ComboPart(kDisableEnable, 1), ComboPart(NumberedItems("", 1, 5, "Min"), 0, 1)}, "", ":"),
            Row("EXP_ACC", "EXP_ACC", "Power ACC", {ComboPart(kDisableEnable, 1), EditPart("132")}),
            Row("BATT_TYPE", "BETTARY", "Bettary", {ComboPart({"SmallBat", "BitBat"}, 0)}, "BETTARY"),
            Row("SERV2_ADDR", "SECONDIP", "SecondIP", {EditPart("")}, "SECONDIP"),
            Row("SERV2_PORT", "SECONDPORT", "SecondPort", {EditPart("0")}, "SECONDPORT"),
            Row("ACC_OFF_FREQ", "ACC_OFF_FREQ", "ACCOFF-FREQ", {EditPart("300")}, "ACC_OFF_FREQ"),
            Row("IMEI", "FIMIE", "IMEI", {EditPart(kSampleImei)}, "FIMIE"),
            QueryOnly("SOFTVERSION", "VERSION", "Version", "VERSION"),
            QueryOnly("ICCID", "ICCID", "ICCID", "ICCID"),
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
                Row("808SEL", "808SELECT", "808 Select", {ComboPart({"2011", "2013"}, 0)}, "808SELECT"),
                Row("VIB", "VIBSMS", "VIB SMS", {ComboPart(kDisableEnable, 0)}, "VIBSMS"),
                Row("VIBCALL", "VIBCALL", "VIB CALL", {ComboPart(kDisableEnable, 0)}, "VIBCALL"),
                Row("POF", "POWOFFSMS", "POWOFF Sms", {ComboPart(kDisableEnable, 0)}, "POWOFFSMS"),
                Row("POFS", "POWOFFCALL", "PowOff Call", {ComboPart(kDisableEnable, 0)}, "POWOFFCALL"),
                Row("SOS_SMS_EN", "SOSSMS", "SOS Sms", {ComboPart(kDisableEnable, 0)}, "SOSSMS"),
                Row("SOS_CALL_EN", "SOSCALL", "SOS Call", {ComboPart(kDisableEnable, 0)}, "SOSCALL"),
                Row("SOS_CODE2", "SOSNUMBER1", "SOS Number1", {EditPart("")}, "SOSNUMBER1"),
                Row("SOS_CODE3", "SOSNUMBER2", "SOS Number2", {EditPart("")}, "SOSNUMBER2"),
                Row("SKY_LINE_FLAG", "RUNMODE", "Run Mode", {ComboPart({"Normal Mode", "Skyline Mode"}, 0)},
                    "RUNMODE"),
                Row("PTL_SEL", "PTLSELECT", "Ptl Select", {ComboPart({"LM", "808", "GT06"}, 0)}, "PTLSELECT"),
                Row("DET_AUTO_ACC", "DET_AUTO_ACC", "ACC关联设防使能", {ComboPart(kForbidAllow, 1)}),
                Row("SPDSMSEN", "OVERSPEED", "Over Speed", {ComboPart(kDisableEnable, 0)}, "OVERSPEED"),
                Row("VOICE_CTRL_EN", "VOICE_CTRL_EN", "声音控制使能", {ComboPart(kForbidAllow, 0)}),
                Row("VOICE_DB_VALUE", "VOICE_DB_VALUE", "声音控制阀值", {EditPart("73")}),
                Row("VOICE_DB_TIME", "VOICE_DB_TIME", "声控检测时间", {EditPart("3")}),
                Row("VOICE_REDO_DELAY", "VOICE_REDO_DELAY", "声控冷却时间", {EditPart("1")}),
                Row("WORK_MODE", "WORK_MODE", "", {WorkModePart()}),
                Row("IMEI", "IMIE", "IMEI", {EditPart(kSampleImei)}, "IMIE"),
                Row("STOPT", "STOPT", "停车报警参数", {EditPart("0")}),
                Row("DIS_COEFFI", "DIS_COEFFI", "里程上报系数", {ComboPart(MileageFactors(), 0, 10)}),
                Row("MTK_DISSLP", "MTKNOSLEEP", "MTK No Sleep", {ComboPart(kDisableEnable, 1)}, "MTKNOSLEEP"),
                Row("GPS_DISSLP", "GPSNOSLEEP", "GPS No Sleep", {ComboPart(kDisableEnable, 0)}, "GPSNOSLEEP"),
                Row("GMT_SET", "TIMEZONE", "Time zone",
                    {EastWestPart(0), Pad2Part(NumberedItems("", 0, 12, "", 2), 0),
                     Pad2Part(NumberedItems("", 0, 59, "", 2), 0)},
                    "TIMEZONE"),
                QueryOnly("DOOR_TEST", "DOOR_TEST", "车门检测参数"),
            },
            {"VIBSMS",        "VIBCALL",          "POWOFFSMS",  "POWOFFCALL",    "SOSSMS",
             "SOSCALL",       "SOSNUMBER1",       "SOSNUMBER2", "RUNMODE",       "PTLSELECT",
             "808SELECT",     "DET_AUTO_ACC",     "OVERSPEED",  "VOICE_CTRL_EN", "VOICE_DB_VALUE",
             "VOICE_DB_TIME", "VOICE_REDO_DELAY", "WORK_MODE",  "IMIE",          "TIMEZONE",
             "DOOR_TEST",     "DIS_COEFFI",       "STOPT",      "MTKNOSLEEP",    "GPSNOSLEEP"}};
}

// Pages 2 and 3 list keys that can only be queried; their check boxes are hidden and never checked.
ParamPage Param3() {
    return {"Param3",
            {QueryOnly("ACC_SMS_EN", "ACC_SMS_EN", "ACC报警短信", "", true),
             QueryOnly("ACC_CALL_EN", "ACC_CALL_EN", "ACC报警电话", "", true),
             QueryOnly("DOOR_SMS_EN", "DOOR_SMS_EN", "车门报警短信", "", true),
             QueryOnly("DOOR_CALL_EN", "DOOR_CALL_EN", "车门报警电话", "", true),
             QueryOnly("CO_SMS_EN", "CO_SMS_EN", "CO报警短信", "", true),
             QueryOnly("CO_CALL_EN", "CO_CALL_EN", "CO报警电话", "", true)},
            {}};
}

ParamPage Person() {
    return {"Person",
            {QueryOnly("WORK_MODE", "PERSON_WORK_MODE", "设备工作模式", "", true),
             QueryOnly("LED_ENABLE", "LED_ENABLE", "指示灯显示", "", true),
             QueryOnly("PW33_POS", "PW33_POS", "设备定位模式", "", true),
             QueryOnly("SJP", "SJP", "上报时间点设置", "", true),
             QueryOnly("SJS", "SJS", "上报时间段设置", "", true)},
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
