#include "consoles/VehicleConsoles.h"

#include "consoles/ConsoleSamples.h"

Tf640Manage* f640Manage = nullptr;
TfwlwManage* fwlwManage = nullptr;
TfCCDJ* fCCDJ = nullptr;

namespace {

const ParamConsoleDecl& Manage640Decl() {
    static const ParamConsoleDecl decl{
        "Tf640Manage",
        "640终端管理",
        "设置参数",
        "查询参数",
        {{{"",
           {
               QueryKey("SOFTVERSION", "终端软件版本"),
               Field("PHONE", "终端SIM-ID", {EditPart(kSampleMobile)}),
               Field("SERVIP", "服务器地址", {EditPart(kSampleServer)}),
               Field("SERVPORT", "服务器端口", {EditPart("5000")}),
               Field("PRO", "终端协议", {ComboPart({"部标808协议", "GT06协议"}, 0)}),
               Field("FREQ", "位置上报周期", {EditPart("30")}),
               Field("PULSE", "心跳包周期", {EditPart("120")}),
               Field("APN", "APN接入点", {EditPart(kPublicApn)}),
               Field("CAR_CARD_NO", "车牌号", {EditPart(kSamplePlate)}),
               Field("GPS_FINTER_EN", "GPS漂移优化", {ComboPart(kForbidAllow, 1)}),
               Field("ACC_ACTIVE_EN", "ACC关联使能", {ComboPart(kForbidAllow, 1)}),
               Field("ACC_OFF_FREQ", "ACC关上报周期", {EditPart("180")}),
           },
           {}},
          {},
          {},
          {
              Button("SpeedButton5", "断油断电", 0x0340),
              Button("SpeedButton6", "供油供电", 0x0341),
              Button("SpeedButton7", "读取盲区数据", 0x0330),
              Button("SpeedButton8", "清空盲区数据", 0x0331),
          }}},
        // The plate, the drift filter and the two ACC fields are set one by one.
        {"Check_SOFTVERSION", "Check_PHONE", "Check_SERVIP", "Check_SERVPORT", "Check_PRO", "Check_FREQ",
         "Check_PULSE", "Check_APN"}};
    return decl;
}

const ParamConsoleDecl& WlwManageDecl() {
    static const ParamConsoleDecl decl{
        "TfwlwManage",
        "物联网终端管理窗口",
        "设置参数",
        "查询参数",
        {{{"",
           {
               QueryKey("SOFTVERSION", "终端软件版本"),
               Field("SERVIP", "服务器地址", {EditPart(kSampleServer)}),
               Field("SERVPORT", "服务器端口", {EditPart("1087")}),
               Field("TERIID", "终端序列号", {EditPart("1234567890123456")}),
               Field("IMEI", "终端IMEI", {EditPart(kSampleImei)}),
               Field("FREQ", "位置上报周期", {EditPart("15")}),
               Field("PULSE", "心跳包周期", {EditPart("120")}),
               Field("VIBSMS_EN", "振动报警短信", {ComboPart(kForbidAllow, 0)}),
               Field("VIBS", "振动报警GPRS", {ComboPart(kForbidAllow, 1)}),
               Field("POFSMS_EN", "断电报警短信", {ComboPart(kForbidAllow, 0)}),
               Field("POFS", "断电报警GPRS", {ComboPart(kForbidAllow, 1)}),
               Field("OUTSMS_EN", "越界报警短信", {ComboPart(kForbidAllow, 0)}),
               Field("OUTS", "越界报警GPRS", {ComboPart(kForbidAllow, 1)}),
               Field("RADIUS", "越界报警距离", {EditPart("500")}),
           },
           {}},
          {},
          {},
          {}}},
        {"Check_SOFTVERSION", "Check_SERVIP", "Check_SERVPORT", "Check_TERIID", "Check_IMEI", "Check_FREQ",
         "Check_PULSE", "Check_VIBSMS_EN", "Check_VIBS", "Check_POFSMS_EN", "Check_POFS", "Check_OUTSMS_EN",
         "Check_OUTS", "Check_RADIUS"}};
    return decl;
}

// Group n of the alarm clock is "n:1:<time>|" when checked, "n:0:00:00|" when clear; the last group
// ends without "|" only when checked.
ValuePart AlarmGroup(int n, const char* caption, const char* time, bool last) {
    const std::string number = std::to_string(n);
    return Optional(EditPart(time), caption, true, number + ":0:00:00|", number + ":1:", last ? "" : "|");
}

const ParamConsoleDecl& CcdjDecl() {
    static const ParamConsoleDecl decl{
        "TfCCDJ",
        "超常待机终端配置窗口",
        "设置参数",
        "查询参数",
        {{{"",
           {
               QueryKey("SOFTVERSION", "终端软件版本"),
               Field("PHONE", "终端SIM-ID", {EditPart(kSampleMobile)}),
               Field("APN", "APN接入点", {EditPart(kPublicApn)}),
               Field("SERVIP", "服务器地址", {EditPart("192.168.1.100")}),
               Field("SERVPORT", "服务器端口", {EditPart("11010")}),
               Field("FREQ", "定时模式", {WithUnit(EditPart("1"), "秒")}),
               Field("UPDATE_MODE", "模式选择", {ComboPart({"工作在闹铃模式", "工作在定时模式"}, 0)}),
               Field("ALARM_CLOCK", "闹钟模式",
                     {AlarmGroup(0, "第一组", "01:00", false), AlarmGroup(1, "第二组", "08:00", false),
                      AlarmGroup(2, "第三组", "16:00", false), AlarmGroup(3, "第四组", "23:00", true)}),
               Field("SYNC_DT", "时钟校准", {ClockPart("PC时钟", "15-05-15 00:00:01")}),
               Field("SKY_LINE_FLAG", "天线调试模式", {ComboPart({"正常工作模式", "天线调试模式"}, 0)}),
           },
           {}},
          {},
          {ComboDecl("ComboBox1", "", NumberedItems("GPIO", 0, 59), 0),
           ComboDecl("ComboBox2", "", {"输出", "输入"}, 0),
           ComboDecl("ComboBox3", "", {"开始振动", "停止振动", "振动一次", "短信振动"}, 0)},
          {
              Button("SpeedButton5", "初始化IO", 0x0333, {IndexField("ComboBox1"), IndexField("ComboBox2")},
                     {"ComboBox1", "ComboBox2", "SpeedButton6", "SpeedButton7", "SpeedButton8"}),
              Button("SpeedButton6", "输出高电平", 0x0334, {IndexField("ComboBox1"), ConstantField(1)}),
              Button("SpeedButton7", "输出低电平", 0x0334, {IndexField("ComboBox1"), ConstantField(0)}),
              Button("SpeedButton8", "读取IO状态", 0x0335, {IndexField("ComboBox1")}),
              Button("SpeedButton9", "打开GPS", 0x0313, {}, {"SpeedButton10", "SpeedButton11"}),
              Button("SpeedButton10", "关闭GPS", 0x0314),
              Button("SpeedButton11", "系统关机", 0x030F),
              Button("SpeedButton12", "打开辅助串口", 0x0345, {}, {"SpeedButton13"}),
              Button("SpeedButton13", "关闭辅助串口", 0x0346),
              Button("SpeedButton14", "振动器控制", 0x0380, {IndexField("ComboBox3")}, {"ComboBox3"}),
          }}},
        // The alarm groups and the antenna mode are chosen one by one.
        {"Check_SOFTVERSION", "Check_SERVIP", "Check_PHONE", "Check_SERVPORT", "Check_APN",
         "Check_ALARM_CLOCK", "Check_FREQ", "Check_SYNC_DT", "Check_UPDATE_MODE"}};
    return decl;
}

}  // namespace

Tf640Manage::Tf640Manage(QWidget* parent) : TParamConsole(Manage640Decl(), parent) {}

TfwlwManage::TfwlwManage(QWidget* parent) : TParamConsole(WlwManageDecl(), parent) {}

TfCCDJ::TfCCDJ(QWidget* parent) : TParamConsole(CcdjDecl(), parent) {}
