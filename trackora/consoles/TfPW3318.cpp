#include "consoles/TfPW3318.h"

#include "consoles/CellModuleCommands.h"
#include "consoles/ConsoleSamples.h"
#include "consoles/SharedComposites.h"

TfPW3318* fPW3318 = nullptr;

namespace {

const char* const kSampleIccid = "8986001234567890123";
const char* const kSampleSmsService = "10086";
// The binding query carries ten bytes the watch does not read; they go out as zeros rather than
// whatever an earlier command left behind.
constexpr int kBindQueryBytes = 10;
// Speed-dial rows this watch shows; slots 4 and 5 of its list stay empty.
constexpr size_t kSpeedDialRows = 3;

// A data-mode point, checked at start; a clear point is written as "0000".
ValuePart NetPoint(int n, int hour, int minute) {
    return Optional(TimePart({hour, minute}), std::to_string(n), true, "0000");
}

std::vector<std::string> FlowSizes() {
    std::vector<std::string> items;
    for (int size = 128; size <= 2048; size += 128) items.push_back(std::to_string(size));
    return items;
}

ConsolePage BasicPage() {
    return {
        {"基本设置",
         {
             QueryKey("SOFTVERSION", "软件版本"),
             Field("PULSE", "心跳周期", {EditPart("300")}),
             Field("TERIID", "终端ID", {EditPart(kSampleTerminalId)}),
             Field("SKY_LINE_FLAG", "天线模式", {ComboPart({"正常运行模式", "天线调试模式"}, 0)}),
             Field("VOLUME", "音量设置", {ComboPart(NumberedItems("", 0, 7), 6)}),
             Field("PW33_POS", "定位方式", {ComboPart({"WIFI优先", "WIFI+GPS", "纯GPS"}, 0)}),
             Field("STEP_ENABLE", "计步使能", {ComboPart(kForbidAllow, 1)}),
             Field("ICCID", "ICCID码", {EditPart(kSampleIccid)}),
             Field("AUTO_POW_CTRL", "省电时段", PowerSavingWindow({6, 30, 0, 0}, {"开机", "", "关机", ""})),
             Field("SJP", "上报时间点设置", ReportTimePoints()),
             Field("NET_SHOW", "网络显示", {ComboPart({"正常显示方案", "4G显示方案"}, 1)}),
             Field("SJS", "上报时间段设置",
                   ReportPeriods(IntervalPart(IntervalRule::CutLong, "10", "上报周期", "分钟"))),
         },
         {"SOFTVERSION", "PULSE", "TERIID", "SKY_LINE_FLAG", "VOLUME", "PW33_POS", "STEP_ENABLE",
          "AUTO_POW_CTRL", "SJP", "SJS", "NET_SHOW", "ICCID"}},
        {},
        {},
        {}};
}

ConsolePage FunctionPage() {
    return {{"功能设置",
             {
                 Field("MUTE_DT", "静音时段设置",
                       SilentPeriods({"周1", "周2", "周3", "周4", "周5", "周6", "周7"})),
                 Field("NET_MODE", "终端数据模式",
                       {ComboPart({"2G优先模式", "4G优先模式"}, 0), ComboPart({"定位", "心跳"}, 1),
                        NetPoint(1, 6, 15), NetPoint(2, 10, 0), NetPoint(3, 15, 0), NetPoint(4, 22, 0)}),
             },
             {}},
            {{SlotListKind::Alarms, kAlarmSlots, "SpeedButton5", "SpeedButton6"},
             {SlotListKind::SpeedDial, kSpeedDialRows, "SpeedButton7", "SpeedButton8"}},
            {},
            {}};
}

ConsolePage CellModulePage() {
    return {{"4G调试", {}, {}},
            {},
            {
                ComboDecl("ComboBox1", "", {"LTE", "L_G"}, 0),
                ComboDecl("ComboBox2", "", kForbidAllow, 0),
                EditDecl("Edit1", "", "12"),
                ComboDecl("ComboBox3", "", {"未绑定", "已绑定"}, 0),
                EditDecl("Edit2", "", kSampleSmsService),
                ComboDecl("ComboBox4", "字节", FlowSizes(), 7),
                ComboDecl("ComboBox5", "秒", NumberedItems("", 1, 5), 2),
                ComboDecl("ComboBox6", "", kForbidAllow, 1),
            },
            {
                CellModuleButton("SpeedButton11", "切换到2G网络", CellSub::NetworkMode, CellArgs::Fixed(2)),
                CellModuleButton("SpeedButton12", "切换到4G网络", CellSub::NetworkMode,
                                 CellArgs::Fixed(4, "ComboBox1"),
                                 {"ComboBox1", "SpeedButton13", "SpeedButton14"}),
                CellModuleButton("SpeedButton13", "LTE_GSM", CellSub::NetworkMode, CellArgs::Fixed(5)),
                CellModuleButton("SpeedButton14", "GSM_LTE", CellSub::NetworkMode, CellArgs::Fixed(6)),
                CellModuleButton("SpeedButton15", "USB永久打开", CellSub::UsbSwitch, CellArgs::Fixed('2')),
                CellModuleButton("SpeedButton16", "USB永久关闭", CellSub::UsbSwitch, CellArgs::Fixed('3')),
                CellModuleButton("SpeedButton17", "进入复位状态", CellSub::EnterReset),
                CellModuleButton("SpeedButton18", "离开复位状态", CellSub::LeaveReset),
                CellModuleButton("SpeedButton19", "打开DL口", CellSub::DlPort, CellArgs::Fixed('0')),
                CellModuleButton("SpeedButton20", "关闭DL口", CellSub::DlPort, CellArgs::Fixed('1')),
                CellModuleButton("SpeedButton21", "打开4G模块", CellSub::ModuleOn),
                CellModuleButton("SpeedButton22", "关闭4G模块", CellSub::ModuleOff),
                CellModuleButton("SpeedButton23", "设置CLSUSB使能", CellSub::SetClsUsb, CellArgs("ComboBox2"),
                                 {"ComboBox2", "SpeedButton24"}),
                CellModuleButton("SpeedButton24", "查询CLSUSB使能", CellSub::QueryClsUsb),
                CellModuleButton("SpeedButton25", "串口测试", CellSub::SerialTest, CellArgs("Edit1"),
                                 {"Edit1", "SpeedButton26"}),
                CellModuleButton("SpeedButton26", "获取LT62状态", CellSub::ModuleState),
                Button("SpeedButton27", "读取复位数据", 0x030A, {}, {"SpeedButton28"}),
                Button("SpeedButton28", "初始化复位数据", 0x030F),
                Button("SpeedButton29", "读取充电数据", 0x03A7, {}, {"SpeedButton30"}),
                Button("SpeedButton30", "初始化充电数据", 0x03A8),
                Button("SpeedButton31", "设置绑定状态", 0x0427, {IndexField("ComboBox3")},
                       {"ComboBox3", "SpeedButton32"}),
                Button("SpeedButton32", "查询绑定状态", 0x0428,
                       std::vector<PayloadField>(kBindQueryBytes, ConstantField(0))),
                Button("SpeedButton33", "短信初始化", 0x0515, {ConstantField(1), TextField("Edit2")},
                       {"Edit2", "SpeedButton34"}),
                Button("SpeedButton34", "短信状态查询", 0x0516),
                Button("SpeedButton35", "设置流量参数", 0x0376,
                       {IndexField("ComboBox4", 1), IndexField("ComboBox5", 1)},
                       {"ComboBox4", "ComboBox5", "SpeedButton36", "SpeedButton37"}),
                Button("SpeedButton36", "查询流量参数", 0x0377),
                Button("SpeedButton37", "查询流量数据", 0x0375),
                Button("SpeedButton38", "设置允电流量使能", 0x0378, {IndexField("ComboBox6")},
                       {"ComboBox6", "SpeedButton39"}),
                Button("SpeedButton39", "查询充电流量使能", 0x0379),
            }};
}

const ParamConsoleDecl& PW3318Decl() {
    static const ParamConsoleDecl decl{"TfPW3318",
                                       "PW3318_4G手表",
                                       "设置参数",
                                       "查询参数",
                                       {BasicPage(), FunctionPage(), CellModulePage()},
                                       {},
                                       -1,
                                       nullptr};
    return decl;
}

}  // namespace

TfPW3318::TfPW3318(QWidget* parent) : TParamConsole(PW3318Decl(), parent) {}
