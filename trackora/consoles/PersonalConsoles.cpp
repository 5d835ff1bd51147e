#include "consoles/PersonalConsoles.h"

#include "consoles/ConsoleSamples.h"
#include "consoles/SharedComposites.h"

TfWifiShoes* fWifiShoes = nullptr;
TfBagManage* fBagManage = nullptr;

namespace {

// The operator code of the APN test always travels in a field of this many bytes.
constexpr int kOperatorCodeBytes = 20;

// Both terminals report at the positioning time of their FREQ field.
ValuePart IntervalOfFreq() { return IntervalFrom(IntervalRule::CutLong, "Value_FREQ"); }

const ParamConsoleDecl& WifiShoesDecl() {
    static const ParamConsoleDecl decl{
        "TfWifiShoes",
        "无线定位鞋终端管理",
        "参数设置",
        "参数查询",
        {{{"参数管理",
           {
               QueryKey("SOFTVERSION", "软件版本"),
               Field("IMEI", "IMEI", {EditPart(kSampleImei)}),
               Field("FREQ", "定位时间", {EditPart("10")}),
               Field("PULSE", "心跳包周期", {EditPart("300")}),
               Field("SKY_LINE_FLAG", "天线调试模式",
                     {ComboPart({"正常工作模式", "天线调试模式", "入网检测模式"}, 0)}),
               Field("APN", "APN接入点", {EditPart(kPublicApn)}),
               Field("USERPPP", "APN用户名", {EditPart("")}),
               Field("PWPPP", "APN密码", {EditPart("")}),
               Field("SJP", "上报时间点设置", ReportTimePoints()),
               Field("SJS", "上报时间段设置", ReportPeriods(IntervalOfFreq())),
               Field("STEP_LIMIT", "计步阀值", {EditPart("25")}),
               Field("STEP_NUM", "总计步数", {EditPart("0")}),
               Field("STEP_ENABLE", "计步使能", {ComboPart({"禁止记步功能", "允许记步功能"}, 0)}),
               Field("POS_STYLE", "定位策略",
                     {ComboPart({"单GPS定位", "WIFI+GPS(WIFI优先)", "GPS+WIFI(GPS优先)"}, 1),
                      Labelled(EditPart("3"), "WIFI定位阀值："), Labelled(EditPart("25"), "GPS检测时间："),
                      Labelled(EditPart("90"), "GPS超时时间："), Labelled(EditPart("5"), "GPS上报延时："),
                      Labelled(ComboPart({"1", "2", "3"}, 2, 1), "WIFI重检次数："),
                      Labelled(EditPart("3"), "WIFI更新阀值：")},
                     ":"),
           },
           {}},
          {},
          {EditDecl("Edit1", "", "46000")},
          {Button("SpeedButton5", "APN测试", 0x0377, {PaddedTextField("Edit1", kOperatorCodeBytes)},
                  {"Edit1"})}}},
        {}};
    return decl;
}

const ParamConsoleDecl& BagManageDecl() {
    static const ParamConsoleDecl decl{
        "TfBagManage",
        "定位书包管理",
        "参数设置",
        "参数查询",
        {{{"",
           {
               QueryKey("SOFTVERSION", "软件版本"),
               Field("TERIID", "终端ID", {EditPart(kSampleTerminalId)}),
               Field("PULSE", "心跳包周期", {EditPart("300")}),
               Field("FREQ", "定位时间", {EditPart("10")}),
               Field("SKY_LINE_FLAG", "天线调试模式",
                     {ComboPart({"正常GPRS连接模式", "天线调试模式", "入网检测模式"}, 0)}),
               Field("APN", "APN接入点", {EditPart(kPublicApn)}),
               Field("USERPPP", "APN用户名", {EditPart("")}),
               Field("PWPPP", "APN密码", {EditPart("")}),
               Field("USER", "家长电话", {EditPart(kSampleMobile)}),
               Field("SOS_SMS_EN", "SOS短信使能", {ComboPart(kForbidAllow, 1)}),
               Field("SOS_CALL_EN", "SOS电话使能", {ComboPart(kForbidAllow, 1)}),
               Field("SJP", "上报时间点设置", ReportTimePoints()),
               Field("STEP_ENABLE", "振动检测使能", {ComboPart(kForbidAllow, 1)}),
               Field("VIB_BASE", "振动检测阀值", {EditPart("65")}),
               Field("VIBCHK", "振动次数检测",
                     {Labelled(EditPart("10"), "X："), Labelled(EditPart("3"), "Y：")}, ":"),
               Field("VIB_INT", "振动中断重置", {FixedPart("1")}),
               Field("SOS_CODE2", "SOS号码2", {EditPart(kSampleMobile)}),
               Field("SOS_CODE3", "SOS号码3", {EditPart(kSampleMobile)}),
               Field("SJS", "上报时间段设置", ReportPeriods(IntervalOfFreq())),
               Field("PRM_GPS_WORK", "GPS定位参数",
                     {Labelled(EditPart("25"), "检测时间："), Labelled(EditPart("90"), "超时时间："),
                      Labelled(EditPart("5"), "上报延时：")},
                     ":"),
           },
           // The reset of the vibration interrupt is an order, not a setting: it is never queried.
           {"SOFTVERSION", "TERIID", "PULSE", "FREQ", "SKY_LINE_FLAG", "APN", "USERPPP", "PWPPP", "USER",
            "SOS_SMS_EN", "SOS_CALL_EN", "SJP", "SJS", "PRM_GPS_WORK", "STEP_ENABLE", "VIB_BASE", "VIBCHK",
            "SOS_CODE2", "SOS_CODE3"}},
          {},
          {},
          {}}},
        {}};
    return decl;
}

}  // namespace

TfWifiShoes::TfWifiShoes(QWidget* parent) : TParamConsole(WifiShoesDecl(), parent) {}

TfBagManage::TfBagManage(QWidget* parent) : TParamConsole(BagManageDecl(), parent) {}
