#include "consoles/TfPW3310.h"

#include "consoles/ConsoleSamples.h"
#include "consoles/SharedComposites.h"

TfPW3310* fPW3310 = nullptr;

namespace {

const char* const kSampleVoiceServer = "voice.example.com";

std::vector<PayloadField> Zeros(int n) {
    return std::vector<PayloadField>(static_cast<size_t>(n), ConstantField(0));
}
std::vector<PayloadField> Then(std::vector<PayloadField> a, const std::vector<PayloadField>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ConsolePage Parameters() {
    return {{"参数设置一",
             {
                 QueryKey("SOFTVERSION", "软件版本"),
                 QueryKey("IMEI", "终端IMEI"),
                 Field("SKY_LINE_FLAG", "天线调试模式",
                       {ComboPart({"正常运行模式", "天线调试模式", "入网检测模式"}, 0)}),
                 Field("APN", "APN接入点", {EditPart(kPublicApn)}),
                 Field("USERPPP", "APN用户名", {EditPart("")}),
                 Field("PWPPP", "APN密码", {EditPart("")}),
                 Field("STEP_ENABLE", "计步使能", {ComboPart(kForbidAllow, 1)}),
                 Field("VIB_BASE", "计步阀值", {EditPart("68")}),
                 Field("PULSE", "心跳包周期", {EditPart("300")}),
                 Field("VOLUME", "音量设置", {ComboPart(NumberedItems("", 0, 7), 6)}),
                 // The watch always takes fifteen characters here: an interval it cannot read becomes "010".
                 Field("SJS3310", "定位时段设置",
                       {IntervalPart(IntervalRule::DefaultLong, "10", "上报周期", "分钟"),
                        TimePart({0, 0, 0}), TimePart({0, 0, 0}, {"至"})}),
                 Field("MUTE_DT", "静音时段设置",
                       SilentPeriods({"周一", "周二", "周三", "周四", "周五", "周六", "周日"})),
                 Field("VOC_PORT", "语音端口", {EditPart("8888")}),
                 Field("RECORD_DT", "录音时间", {EditPart("15")}),
                 Field("STEP_DEBUG", "计步调试", {ComboPart(kForbidAllow, 0)}),
                 Field("VOC_ADDR", "语音IP", {EditPart(kSampleVoiceServer)}),
                 Field("PW33_POS", "定位方式", {ComboPart({"WIFI优先", "WIFI+GPS", "纯GPS"}, 0)}),
                 Field("AUTO_POW_CTRL", "省电时段", PowerSavingWindow({5, 0, 0, 0}, {"", "", "至", ""})),
             },
             {}},
            {},
            {},
            {}};
}

ConsolePage SlotListsPage() {
    return {{"参数设置二", {}, {}},
            {{SlotListKind::Alarms, kAlarmSlots, "SpeedButton5", "SpeedButton6"},
             {SlotListKind::SpeedDial, kSpeedDialSlots, "SpeedButton7", "SpeedButton8"},
             {SlotListKind::WhiteList, kWhiteListSlots, "SpeedButton9", "SpeedButton10"}},
            {},
            {}};
}

ConsolePage TestPage() {
    return {{"终端测试", {}, {}},
            {},
            {
                EditDecl("Edit1", "", "0"),
                EditDecl("Edit2", "", "0123456789"),
                EditDecl("Edit3", "", "40"),
                EditDecl("Edit4", "秒", "15"),
                EditDecl("Edit5", "", "0"),
                EditDecl("Edit6", "", "512"),
                ComboDecl("ComboBox1", "", {"通话数据", "文本数据", "语音数据", "闹铃数据", "亲子对讲"}, 0),
                ComboDecl("ComboBox2", "", NumberedItems("文本", 1, 10), 0),
                ComboDecl("ComboBox3", "",
                          {"SOS报警", "开始录音", "停止录音", "通话时长", "开始通话", "开始找朋友",
                           "关机消息", "响铃测试", "手动关机", "开始静音", "结束静音", "工厂模式", "工程模式",
                           "充电错误1", "充电错误2", "充电错误3"},
                          13),
                ComboDecl("ComboBox4", "", {"VMC关", "VMC开"}, 0),
                // Opens with nothing selected: a click then sends 255.
                ComboDecl("ComboBox5", "", {"WIFI初始化", "WIFI扫描", "WIFI断开连挡", "关闭初始化"}, -1),
                ComboDecl("ComboBox6", "",
                          {"TONE1", "TONE2", "TONE3", "TONE4", "TONE5", "RING1", "RING2", "RING3", "RING4",
                           "RING5"},
                          0),
                EditDecl("Edit7", "", "240"),
            },
            {
                Button("SpeedButton11", "申请内存", 0x0381, {}, {"SpeedButton12"}),
                Button("SpeedButton12", "释放内存", 0x0382),
                Button("SpeedButton13", "写文件数据", 0x0383,
                       Then(Zeros(2), {BE16Field("Edit1"), TextField("Edit2")}), {"Edit1", "Edit2"}),
                Button("SpeedButton14", "生成文件", 0x0384, Then(Zeros(2), {BE16Field("Edit3")}), {"Edit3"}),
                Button("SpeedButton15", "开始录音", 0x032C, {ByteField("Edit4")},
                       {"Edit4", "SpeedButton16", "SpeedButton17"}),
                Button("SpeedButton16", "播放录音", 0x032E),
                Button("SpeedButton17", "打开录音文件", 0x032F),
                Button("SpeedButton18", "获取文件数据", 0x0330, {BE16Field("Edit5"), BE16Field("Edit6")},
                       {"Edit5", "Edit6", "SpeedButton19"}),
                Button("SpeedButton19", "上传录音文件", 0x0331),
                Button("SpeedButton20", "MMI数据调试", 0x0386,
                       {IndexField("ComboBox1"), IndexField("ComboBox2")}, {"ComboBox1", "ComboBox2"}),
                Button("SpeedButton21", "MMI动作模拟", 0x0387, {IndexField("ComboBox3")}, {"ComboBox3"}),
                Button("SpeedButton22", "设置VMC状态", 0x0388, {IndexField("ComboBox4")},
                       {"ComboBox4", "SpeedButton23", "SpeedButton24"}),
                Button("SpeedButton23", "读取VMC状态", 0x0389),
                Button("SpeedButton24", "读取WFIF状态", 0x038A),
                Button("SpeedButton25", "WIFI功能测试", 0x038B, {IndexField("ComboBox5")},
                       {"ComboBox5", "SpeedButton26"}),
                Button("SpeedButton26", "读取休眠状态", 0x038C),
                Button("SpeedButton27", "系统铃音", 0x038D, {IndexField("ComboBox6")}, {"ComboBox6"}),
                Button("SpeedButton28", "播放音量", 0x038E, {ByteField("Edit7")}, {"Edit7", "SpeedButton29"}),
                Button("SpeedButton29", "进入工厂测试", 0x0390),
                Button("SpeedButton30", "开BT电源", 0x03A0, {}, {"SpeedButton31", "SpeedButton32"}),
                Button("SpeedButton31", "BT扫描开始", 0x03A1),
                Button("SpeedButton32", "关BT电源", 0x03A2),
            }};
}

ConsolePage UpgradePage() {
    // The file size goes out as four bytes whose top byte is always 0: the watch counts in 24 bits.
    return {
        {"远程升级",
         {
             QueryKey("DW_ADDR", "升级平台IP"),
             QueryKey("DW_PORT", "升级平台端口"),
             QueryKey("DW_FLAG", "远程升级标志"),
             QueryKey("DW_VERIFY", "升级文件校验"),
             QueryKey("DW_URL", "升级文件URL"),
         },
         {}},
        {},
        {
            ComboDecl("ComboBox7", "", {"剩余空间", "删除文件", "写入文件", "文件信息"}, 0),
            ComboDecl("ComboBox8", "", NumberedItems("", 0, 9), 0),
            EditDecl("Edit8", "", "1024"),
            ComboDecl("ComboBox9", "", {"语音故事", "情亲对讲"}, 0),
            EditDecl("Edit9", "", "20480"),
            EditDecl("Edit10", "秒", "20"),
            EditDecl("Edit11", "", "提示一"),
        },
        {
            Button("SpeedButton33", "平台升级请求", 0x03A4),
            Button("SpeedButton34", "文件测试", 0x0125,
                   {IndexField("ComboBox7"), IndexField("ComboBox8"), ConstantField(0), BE24Field("Edit8")},
                   {"ComboBox7", "ComboBox8", "Edit8"}),
            Button("SpeedButton35", "音频写入", 0x0125,
                   {ConstantField(4), IndexField("ComboBox9"), ConstantField(0), BE24Field("Edit9"),
                    BE16Field("Edit10"), TextField("Edit11")},
                   {"ComboBox9", "Edit9", "Edit10", "Edit11"}),
        }};
}

const ParamConsoleDecl& PW3310Decl() {
    static const ParamConsoleDecl decl{"TfPW3310",
                                       "PW3310定位手表",
                                       "设置参数",
                                       "查询参数",
                                       {Parameters(), SlotListsPage(), TestPage(), UpgradePage()},
                                       {},
                                       0,
                                       "您当前未在参数页面，请切换到参数页面"};
    return decl;
}

}  // namespace

TfPW3310::TfPW3310(QWidget* parent) : TParamConsole(PW3310Decl(), parent) {}
