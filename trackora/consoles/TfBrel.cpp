#include "consoles/TfBrel.h"

#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>

#include "consoles/ParamText.h"
#include "link/PublicData.h"
#include "link/ReplyInputs.h"
#include "link/ReplyTable.h"
#include "platform/BorderIcons.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

TfBrel* fBrel = nullptr;

namespace {

constexpr int kMonitorIntervalMs = 1000;
constexpr int kMonitorPage = 2;
// The six RF keys the monitor asks for, whatever the check boxes say.
const char* const kMonitorQuery = "#CHANNAL#RFCLOSEENAB#RFCHKT#ATUOFREQEN#RFWORK#RFRECT";

// Sample values the edits start with before the user types the real ones.
const char* const kSampleHost = "www.example.com";
const char* const kSamplePhone = "13800138000";
const char* const kSampleTerminal = "1234567890123456";
const char* const kPublicApn = "CMNET";

// The monitor's label captions; label 3 shows the PC's time, the others SysRunInfo.RfStatus in order.
const char* const kLabelCaptions[] = {"RF工作状态：",   "当前频道号：",   "有效接收次数：", "当前时间：",
                                      "接收检测时间：", "自动跳频功能：", "RF工作模式："};
constexpr size_t kTimeLabel = 3;

// The buttons the window handles itself.
const char* const kSetParams = "SpeedButton1";
const char* const kQueryParams = "SpeedButton2";
const char* const kCheckAll = "SpeedButton3";
const char* const kClearAll = "SpeedButton4";
const char* const kStartMonitor = "SpeedButton19";
const char* const kStopMonitor = "SpeedButton20";

ParamField Field(const char* key, const char* caption, std::vector<ValuePart> parts) {
    return {key, key, caption, std::move(parts), "", "", false};
}

const ParamPage& ParamsPage() {
    static const ParamPage page{
        "参数设置",
        {
            Field("SOFTVERSION", "终端软件版本", {}),
            Field("SERVIP", "服务器地址", {EditPart(kSampleHost)}),
            Field("SERVPORT", "服务器端口", {EditPart("2351")}),
            Field("APN", "APN信息", {EditPart(kPublicApn)}),
            Field("PULSE", "心跳包周期", {EditPart("30")}),
            Field("FREQ", "定位包周期", {EditPart("30")}),
            Field("USER", "车主号码", {EditPart(kSamplePhone)}),
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

const std::vector<CommandDecl>& Commands() {
    static const std::vector<CommandDecl> commands{
        Button("SpeedButton1", "设置参数"),
        Button("SpeedButton2", "查询参数"),
        Button("SpeedButton3", "全部选择"),
        Button("SpeedButton4", "全部清除"),
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
        Button("SpeedButton19", "开始RF监控"),
        Button("SpeedButton20", "停止RF监控"),
    };
    return commands;
}

// The buttons of page 0 (the parameter buttons) and of page 2 (the monitor); the rest are the RF page's.
constexpr size_t kParamButtons = 4;
constexpr size_t kMonitorButtons = 2;

}  // namespace

TfBrel::TfBrel(QWidget* parent) : TConsoleForm("TfBrel", QString::fromUtf8("遥控钥匙终端"), parent) {
    SetCommands(&Commands());
    SetBorderIcons(this, BorderIcons::SystemMenu);
    auto* grid = new QGridLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    grid->addWidget(PageControl1, 0, 0);
    const auto& commands = Commands();

    auto* params = new QWidget(PageControl1);
    params->setObjectName(QStringLiteral("TabSheet1"));
    auto* paramGrid = new QGridLayout(params);
    auto* fields = new QWidget(params);
    BuildParamPage(fields, ParamsPage());
    paramGrid->addWidget(fields, 0, 0, 1, static_cast<int>(kParamButtons));
    for (size_t i = 0; i < kParamButtons; ++i) AddButton(paramGrid, 1, static_cast<int>(i), commands[i]);
    PageControl1->addTab(params, QString::fromUtf8(ParamsPage().caption));

    auto* rf = new QWidget(PageControl1);
    rf->setObjectName(QStringLiteral("TabSheet2"));
    const std::vector<CommandDecl> rfCommands(commands.begin() + kParamButtons,
                                              commands.end() - kMonitorButtons);
    LayOutCommands(rf, RfControls(), rfCommands);
    PageControl1->addTab(rf, QString::fromUtf8("RF调试"));

    auto* monitor = new QWidget(PageControl1);
    monitor->setObjectName(QStringLiteral("TabSheet3"));
    auto* monitorGrid = new QGridLayout(monitor);
    AddButton(monitorGrid, 0, 0, commands[commands.size() - 2]);
    AddButton(monitorGrid, 0, 1, commands[commands.size() - 1]);
    for (size_t i = 0; i < Labels.size(); ++i) {
        Labels[i] = new QLabel(QString::fromUtf8(kLabelCaptions[i]), monitor);
        Labels[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        monitorGrid->addWidget(Labels[i], static_cast<int>(i) + 1, 0, 1, 2);
    }
    monitorGrid->setRowStretch(static_cast<int>(Labels.size()) + 1, 1);
    PageControl1->addTab(monitor, QString::fromUtf8("RF监控"));
    PageControl1->setCurrentIndex(kMonitorPage);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kMonitorIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TfBrel::Timer1Timer);
    AddReplyInput(this, "RFMoniInput", &TfBrel::RFMoniInput);
}

void TfBrel::NamedButtonClick(const std::string& button) {
    if (button == kSetParams || button == kQueryParams) {
        (void)SendParamText(this, ParamsPage(), button == kSetParams ? ParamMode::Set : ParamMode::Query);
    } else if (button == kCheckAll || button == kClearAll) {
        for (const auto& field : ParamsPage().fields) SetChecked(this, CheckName(field), button == kCheckAll);
    } else if (button == kStartMonitor) {
        Timer1->start();
    } else if (button == kStopMonitor) {
        Timer1->stop();
    } else {
        TConsoleForm::NamedButtonClick(button);
    }
}

void TfBrel::Timer1Timer() { (void)SendRequest({static_cast<uint16_t>(kParamQueryCmd), kMonitorQuery}); }

void TfBrel::RFMoniInput() {
    if (!Timer1->isActive()) return;
    size_t status = 0;
    for (size_t i = 0; i < Labels.size(); ++i) {
        const QString caption = QString::fromUtf8(kLabelCaptions[i]);
        if (i == kTimeLabel) {
            Labels[i]->setText(caption + CurrentDateTime().toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
        } else {
            Labels[i]->setText(caption + QString::fromStdString(Cp936ToUtf8(SysRunInfo.RfStatus[status++])));
        }
    }
}
