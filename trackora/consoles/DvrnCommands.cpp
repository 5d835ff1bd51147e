#include "consoles/DvrnCommands.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "consoles/ConsoleControls.h"
#include "consoles/ConsoleSamples.h"
#include "consoles/ParamText.h"
#include "link/ReplyFormat.h"

namespace {

constexpr int kTyreCmd = 0x0383;
constexpr int kImeiChars = 15;
// The gun terminal's server address field: the text, zero-filled to at least this many bytes.
constexpr int kGunIpField = 30;

// Sample values the edits start with before the user types the real ones.
const char* const kSampleIp = "192.168.1.100";
const char* const kSampleApnNumber = "123456789012";

const char* const kDeviceCombo = "ComboBox7";
const char* const kGunImeiEdit = "Edit17";
const char* const kSentryChecks[] = {"CheckBox2", "CheckBox3", "CheckBox4",
                                     "CheckBox5", "CheckBox6", "CheckBox7"};
const char* const kSentryEdits[] = {"Edit22", "Edit23", "Edit24", "Edit25", "Edit26", "Edit27"};
// The sentry's own report counts only the posts of the first three slots.
constexpr int kSentryNearSlots = 3;

ControlDecl HEdit(const char* name, const char* label, const char* text = "") {
    return EditDecl(name, label, text, true);
}
ControlDecl HCombo(const char* name, const char* label, std::vector<std::string> items, int index = 0) {
    return ComboDecl(name, label, std::move(items), index, true);
}
CommandDecl HButton(const char* button, const char* caption, int code = -1,
                    std::vector<PayloadField> payload = {}, std::vector<std::string> beside = {}) {
    return Hidden(Button(button, caption, code, std::move(payload), std::move(beside)));
}

std::optional<UserMessage> GunDeviceType(const QWidget* form, const PayloadField& field, std::string& out) {
    out += static_cast<char>(ComboIndex(form, field.control) == 0 ? 1 : 2);
    return std::nullopt;
}

std::optional<UserMessage> SentryNearCount(const QWidget* form, const PayloadField&, std::string& out) {
    int n = 0;
    for (int i = 0; i < kSentryNearSlots; ++i) n += IsChecked(form, kSentryChecks[i]) ? 1 : 0;
    out += static_cast<char>(n);
    return std::nullopt;
}

// The checked slots in slot order, each as its 15 IMEI characters and a zero byte, after their count.
std::optional<UserMessage> SentrySlots(const QWidget* form, const PayloadField&, std::string& out) {
    std::string list;
    int n = 0;
    for (size_t i = 0; i < std::size(kSentryChecks); ++i) {
        if (!IsChecked(form, kSentryChecks[i])) continue;
        ++n;
        std::string imei = EditBytes(form, kSentryEdits[i]);
        imei.resize(kImeiChars, '\0');
        list += imei;
        list += '\0';
    }
    out += static_cast<char>(n);
    out += list;
    return std::nullopt;
}

CommandPage CarPage() {
    return {"Car",
            {HCombo("ComboBox12", "车胎数", NumberedItems("", 1, 22), 3),
             HCombo("ComboBox13", "编号", NumberedItems("", 1, 22), 0)},
            {
                HButton("SpeedButton24", "握手MCU", kTyreCmd, {ConstantField(1)}),
                HButton("SpeedButton25", "读取状态", kTyreCmd, {ConstantField(2)}),
                HButton("Button1", "请求配对", kTyreCmd, {ConstantField(5), IndexField("ComboBox12", 1)},
                        {"ComboBox12"}),
                HButton("Button2", "配对编号", kTyreCmd,
                        {ConstantField(3), IndexField("ComboBox12", 1), IndexField("ComboBox13", 1)},
                        {"ComboBox13"}),
                HButton("Button3", "配对确认", kTyreCmd, {ConstantField(4)}),
                HButton("Button4", "退出操作", kTyreCmd, {ConstantField(15)}),
                HButton(kClearTyreMemoButton, "清除数据"),
            }};
}

CommandPage GunPage() {
    std::vector<ControlDecl> controls{
        HCombo(kDeviceCombo, "设备", {"枪支", "岗哨"}),
        HCombo("ComboBox8", "模式", {"待机模式", "测距模式"}),
        HEdit(kGunImeiEdit, "IMEI", kSampleImei),
        HEdit("Edit18", "IP", kSampleIp),
        HEdit("Edit19", "端口", "5001"),
        HEdit("Edit20", "距离", "10"),
        HCombo("ComboBox9", "GSM", {"正常模式", "GSM更新"}),
        HCombo("ComboBox10", "枪支报警", {"无报警", "离位报警", "低压报警"}),
        HEdit("Edit21", "电池", "3800"),
        HCombo("ComboBox11", "岗哨报警", {"无报警", "SOS报警", "离位报警"}),
    };
    for (size_t i = 0; i < std::size(kSentryChecks); ++i) {
        static const char* const kSamples[] = {"860000000000011", "860000000000012", "860000000000013",
                                               "860000000000014", "860000000000015", "860000000000016"};
        controls.push_back(CheckDecl(kSentryChecks[i], "", i < 4, true));
        controls.push_back(HEdit(kSentryEdits[i], "", kSamples[i]));
    }
    return {
        "Gun",
        std::move(controls),
        {
            HButton("Button6", "设置终端参数", 0x0532,
                    {CustomField(GunDeviceType, kDeviceCombo), IndexField("ComboBox8"), ByteField("Edit20"),
                     IndexField("ComboBox9"), PaddedTextField(kGunImeiEdit, kImeiChars), BE16Field("Edit19"),
                     TextField("Edit18")}),
            HButton("Button7", "查询终端参数", 0x0533),
            HButton("Button8", "查询报警状态", 0x0534),
            HButton("Button9", "退出报警模式", 0x0535),
            // The alarm kind as three flags: leaving its place, then a spare, then low battery.
            HButton("Button10", "枪支MCU模拟", 0x0536,
                    {MappedIndexField("ComboBox10", {0, 1, 0}), MappedIndexField("ComboBox10", {0, 0, 0}),
                     MappedIndexField("ComboBox10", {0, 0, 1}), BE16Field("Edit21"),
                     IndexField(kDeviceCombo, 1), PaddedTextField(kGunImeiEdit, kImeiChars),
                     BE16Field("Edit19"), FilledTextField("Edit18", kGunIpField)}),
            HButton("Button11", "岗哨MCU模拟", 0x0538,
                    {IndexField("ComboBox11"), CustomField(SentryNearCount, ""), ConstantField(0),
                     ConstantField(1), ConstantField(1)}),
            HButton("Button12", "岗哨检测配置", 0x0537, {CustomField(SentrySlots, ""), ByteField("Edit20")}),
        }};
}

CommandPage DebugPage() {
    return {
        "Debug",
        {
            HEdit(kImeiEdit, "IMEI"),
            CheckDecl(kAutoAddBox, "AutoAdd", true, true),
            HEdit("Edit2", "经度"),
            HEdit("Edit3", ""),
            HEdit("Edit4", ""),
            HEdit("Edit5", ""),
            HEdit("Edit6", "纬度"),
            HEdit("Edit7", ""),
            HEdit("Edit8", ""),
            HEdit("Edit9", ""),
            HEdit("Edit10", "速度", "0"),
            HCombo("ComboBox1", "", {"禁止", "检测矢量合", "检测单轴"}),
            HEdit("Edit11", "阀值", "20"),
            HEdit("Edit12", "时间", "3"),
            HEdit("Edit13", "", kSampleApnNumber),
            HCombo("ComboBox2", "", kForbidAllow),
            HCombo("ComboBox3", "", kForbidAllow),
            HEdit("Edit14", "电压", "4000"),
            HCombo("ComboBox4", "", {"枪支在位", "枪支离位"}),
            HCombo("ComboBox5", "", {"电池不要报警", "电池需要报警"}),
            HEdit("Edit15", "电压", "3800"),
            HEdit("Edit16", "", "FA082651805AA578"),
            HCombo("ComboBox6", "", {"正常喂狗", "持续高输出", "持续低输出"}),
        },
        {
            HButton(kSetImeiButton, "SetIMEI", -1, {}, {kImeiEdit, kAutoAddBox}),
            HButton(kReadImeiButton, "ReadIMEI"),
            HButton("SpeedButton5", "断油断电", 0x0340),
            HButton("SpeedButton6", "供油供电", 0x0341),
            HButton(kCallBackButton, "监听回拨"),
            HButton("SpeedButton8", "读取重启记录", 0x030A),
            HButton("SpeedButton9", "清空重启记录", 0x030F),
            HButton("SpeedButton10", "查询盲区补传状态", 0x0330),
            HButton("SpeedButton11", "初始化盲区补传", 0x0331),
            // Longitude and latitude as degrees, minutes and two groups of the minutes' fraction.
            HButton("SpeedButton12", "GPS漂移测试", 0x0336,
                    {ByteField("Edit2"), ByteField("Edit3"), ByteField("Edit4"), ByteField("Edit5"),
                     ByteField("Edit6"), ByteField("Edit7"), ByteField("Edit8"), ByteField("Edit9"),
                     BE16Field("Edit10"), NowTime6Field()},
                    {"Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9", "Edit10"}),
            HButton("SpeedButton13", "设置碰撞参数", 0x0385,
                    {IndexField("ComboBox1"), ByteField("Edit11"), ByteField("Edit12"), ConstantField(0)},
                    {"ComboBox1", "Edit11", "Edit12"}),
            HButton("SpeedButton14", "查询碰撞参数 ", 0x0386),
            HButton("SpeedButton15", "APN Test", 0x0517, {TextField("Edit13")}, {"Edit13"}),
            HButton("SpeedButton16", "设置遥控器", 0x051A, {IndexField("ComboBox2")}, {"ComboBox2"}),
            HButton("SpeedButton17", "查询遥控器", 0x051B),
            HButton("SpeedButton18", "设置MAC使能", 0x051C, {IndexField("ComboBox3")}, {"ComboBox3"}),
            HButton("SpeedButton19", "查询MAC使能", 0x051D),
            OwnMessage(HButton("SpeedButton20", "低压报警测试", 0x0374, {BE16Field("Edit14")}, {"Edit14"}),
                       PlainMessage(QString::fromUtf8("输入数据有非法字符"))),
            HButton("SpeedButton21", "枪支状态模拟", 0x0531,
                    {ConstantField(1), IndexField("ComboBox4"), IndexField("ComboBox5"), BE16Field("Edit15")},
                    {"ComboBox4", "ComboBox5", "Edit15"}),
            HButton("SpeedButton22", "二进制测试接口", 0x0319, {HexBytesField("Edit16")}, {"Edit16"}),
            HButton("SpeedButton23", "看门狗测试", 0x0382, {IndexField("ComboBox6", 1)}, {"ComboBox6"}),
        }};
}

const char* const kTyreStates[] = {":未配对", ":失联", ":异常", ":正常"};

}  // namespace

const std::vector<CommandPage>& DvrnCommandPages() {
    static const std::vector<CommandPage> pages{CarPage(), GunPage(), DebugPage()};
    return pages;
}

std::optional<std::string> NextImeiText(const std::string& imei) {
    if (imei.empty() || !std::all_of(imei.begin(), imei.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(imei.data(), imei.data() + imei.size(), value);
    if (error != std::errc{} || end != imei.data() + imei.size() || value == INT64_MAX) return std::nullopt;
    std::string next = std::to_string(value + 1);
    if (next.size() < imei.size()) next.insert(0, imei.size() - next.size(), '0');
    return next;
}

std::string TyreStateLine(int count, const std::array<uint8_t, 6>& states) {
    count = std::min(count, kMaxTyres);
    if (count <= 0) return {};
    std::string line = "车胎状态--";
    for (int n = 1; n <= count; ++n) {
        const int state = (states[static_cast<size_t>((n - 1) / 4)] >> (2 * ((n - 1) % 4))) & 3;
        if (n > 1) line += "|";
        line += std::to_string(n) + kTyreStates[state];
    }
    return line;
}

std::optional<std::string> TaiYaHeadLine(const TReplyRecord& reply) {
    const ReplyBytes b(reply);
    auto d = [&](int n) { return Dec(b.At(n)); };
    switch (b.At(0)) {
        case 0x81:
            return "握手应答--MCU版本：" + LogText(b.Raw(1, 4)) + " 车胎总数：" + d(5) + " 已配对：" + d(6);
        case 0x82:
            return "状态查询应答--车胎总数：" + d(1) + " 已配对：" + d(2);
        case 0x83:
            return "配对确认--当前车胎编号:" + d(1);
        case 0x84:
            return std::string("配对消息--") + (b.At(1) == 1 ? "结果：成功! " : "结果：失败! ") +
                   "当前编号:" + d(2) + " 已配对总数：" + d(3);
        case 0x85:
            return "开始配对确认--车胎数：" + d(1);
        case 0x8F:
            return "进入工作模式应答--车胎总数：" + d(1) + " 已配对：" + d(2);
        case 0x94:
            return "当前车胎配对完毕消息--已配对：" + d(1) + " 当前编号：" + d(2) + " 传感器编码：" +
                   Dec(b.At(3) * 65536u + b.At(4) * 256u + b.At(5));
        default:
            return std::nullopt;
    }
}

bool TaiYaCarriesStates(const TReplyRecord& reply) {
    const uint8_t kind = ReplyBytes(reply).At(0);
    return kind == 0x82 || kind == 0x8F;
}
