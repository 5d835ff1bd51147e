#include "consoles/TfBrel.h"

#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "consoles/ConsoleReplies.h"
#include "consoles/ConsoleSamples.h"
#include "consoles/ParamText.h"
#include "link/PublicData.h"
#include "link/ReplyInputs.h"
#include "link/ReplyTable.h"
#include "platform/BorderIcons.h"
#include "platform/Clock.h"

TfBrel* fBrel = nullptr;

namespace {

constexpr int kMonitorIntervalMs = 1000;
constexpr int kParamsPage = 0;
constexpr int kMonitorPage = 2;
// The six RF keys the monitor asks for, whatever the check boxes say.
const char* const kMonitorQuery = "#CHANNAL#RFCLOSEENAB#RFCHKT#ATUOFREQEN#RFWORK#RFRECT";

// Sample values the edits start with before the user types the real ones.
const char* const kSampleTerminal = "1234567890123456";

// The buttons the window handles itself.
const char* const kStartMonitor = "SpeedButton19";
const char* const kStopMonitor = "SpeedButton20";

const ParamPage& ParamsPage() {
    static const ParamPage page{
        "参数设置",
        {
            Field("SOFTVERSION", "终端软件版本", {}),
            Field("SERVIP", "服务器地址", {EditPart(kSampleServer)}),
            Field("SERVPORT", "服务器端口", {EditPart("2351")}),
            Field("APN", "APN信息", {EditPart(kPublicApn)}),
            Field("PULSE", "心跳包周期", {EditPart("30")}),
            Field("FREQ", "定位包周期", {EditPart("30")}),
            Field("USER", "车主号码", {EditPart(kSampleMobile)}),
            Field("TERIID", "终端ID", {EditPart(kSampleTerminal)}),
            // Spelled so on the wire, as are ATUOFREQEN and RFCLOSEENAB.
            Field("CHANNAL", "RF频道", {MappedPart({"1信道", "41信道", "81信道"}, 0, {"1", "41", "81"})}),
            Field("RFCHKT", "RF检测时间", {EditPart("45")}),
            Field("ATUOFREQEN", "RF跳频使能", {ComboPart({"禁止", "允许"}, 0)}),
            Field("RFCLOSEENAB", "RF工作模式", {ComboPart({"禁止关闭RF电源", "允许关闭RF电源"}, 0)}),
            Field("RFRECT", "RF接收次数", {}),
            Field("RFWORK", "工作状态查询", {}),
        },
        {}};
    return page;
}

const std::vector<ControlDecl>& RfControls() {
    static const std::vector<ControlDecl> controls{
        EditDecl("Edit1", "", "00001000"),
        EditDecl("Edit2", "", "00001001"),
        EditDecl("Edit3", "REG：", "00"),
        EditDecl("Edit4", "Value:", "00"),
        ComboDecl("ComboBox1", "", {"安防模式", "监控模式"}, 0),
        ComboDecl("ComboBox2", "", {"平台校时", "GPS校时"}, 0),
        ComboDecl("ComboBox3", "", {"禁止飞行模式", "允许飞行模式"}, 0),
        ComboDecl("ComboBox4", "", {"禁止任意号码", "允许任意号码"}, 0),
    };
    return controls;
}

const std::vector<CommandDecl>& RfCommands() {
    static const std::vector<CommandDecl> commands{
        Button("SpeedButton5", "设置钥匙扣一ID", 0x0401, {TextField("Edit1")}, {"Edit1"}),
        Button("SpeedButton6", "查询钥匙扣一ID", 0x0402),
        Button("SpeedButton7", "设置钥匙扣二ID", 0x0403, {TextField("Edit2")}, {"Edit2"}),
        Button("SpeedButton8", "查询钥匙扣二ID", 0x0404),
        OwnMessage(Button("SpeedButton9", "设置RF芯片寄存器", 0x0406,
                          {Hex8Field("Edit3"), HexBytesField("Edit4")}, {"Edit3", "Edit4"}),
                   PlainMessage(QString::fromUtf8("参数错误!"))),
        Button("SpeedButton10", "查询RF芯片寄存器", 0x0407, {Hex8Field("Edit3")}),
        Button("SpeedButton11", "设置终端工作模式", 0x0413, {IndexField("ComboBox1")}, {"ComboBox1"}),
        Button("SpeedButton12", "查询终端工作模式", 0x0414),
        Button("SpeedButton13", "设置时间校准方式", 0x0415, {IndexField("ComboBox2")}, {"ComboBox2"}),
        Button("SpeedButton14", "查询时间校准方式", 0x0416),
        Button("SpeedButton15", "设置飞行模式使能", 0x0419, {IndexField("ComboBox3")}, {"ComboBox3"}),
        Button("SpeedButton16", "查询飞行模式使能", 0x0420),
        Button("SpeedButton17", "设置任意号码使能", 0x0421, {IndexField("ComboBox4")}, {"ComboBox4"}),
        Button("SpeedButton18", "查询任意号码使能", 0x0422),
    };
    return commands;
}

// The monitor page: its start and stop buttons side by side over the labels the answers fill.
void BuildMonitor(TParamConsole& form, QWidget* page, QVBoxLayout* column) {
    auto* grid = new QGridLayout;
    column->addLayout(grid);
    form.AddButton(grid, 0, 0, Button(kStartMonitor, "开始RF监控"));
    form.AddButton(grid, 0, 1, Button(kStopMonitor, "停止RF监控"));
    for (size_t i = 0; i < kRfMonitorCaptions.size(); ++i) {
        auto* label = new QLabel(QString::fromUtf8(kRfMonitorCaptions[i]), page);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        grid->addWidget(label, static_cast<int>(i) + 1, 0, 1, 2);
    }
}

std::vector<std::string> EveryCheckBox(const ParamPage& page) {
    std::vector<std::string> boxes;
    for (const auto& field : page.fields) boxes.push_back(CheckName(field));
    return boxes;
}

const ParamConsoleDecl& Decl() {
    static const ParamConsoleDecl decl{
        "TfBrel",
        "遥控钥匙终端",
        "设置参数",
        "查询参数",
        {
            {ParamsPage(), {}, {}, {}},
            {{"RF调试", {}, {}}, {}, RfControls(), RfCommands()},
            {{"RF监控", {}, {}}, {}, {}, {}, BuildMonitor},
        },
        EveryCheckBox(ParamsPage()),
        -1,
        nullptr,
        kParamsPage,
    };
    return decl;
}

}  // namespace

// The monitor's buttons run its timer, made in the constructor's body before any click.
TfBrel::TfBrel(QWidget* parent)
    : TParamConsole(
          Decl(), parent,
          {{kStartMonitor, [this] { Timer1->start(); }}, {kStopMonitor, [this] { Timer1->stop(); }}}) {
    SetBorderIcons(this, BorderIcons::SystemMenu);
    PageControl1->setCurrentIndex(kMonitorPage);
    QWidget* monitor = findChild<QWidget*>(QStringLiteral("TabSheet%1").arg(kMonitorPage + 1));
    for (size_t i = 0; i < Labels.size(); ++i)
        Labels[i] = monitor->findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kMonitorIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TfBrel::Timer1Timer);
    AddReplyInput(this, "RFMoniInput", &TfBrel::RFMoniInput);
}

void TfBrel::Timer1Timer() { (void)SendRequest({static_cast<uint16_t>(kParamQueryCmd), kMonitorQuery}); }

void TfBrel::RFMoniInput() {
    if (!Timer1->isActive()) return;
    const RfMonitorTexts texts = RfMonitorLabels(SysRunInfo, CurrentDateTime());
    for (size_t i = 0; i < Labels.size(); ++i) Labels[i]->setText(QString::fromStdString(texts[i]));
}
