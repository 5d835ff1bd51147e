#include "consoles/TfAppEbike.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "consoles/ConsoleReplies.h"
#include "consoles/EbikeTables.h"
#include "link/OutputLog.h"
#include "link/ReplyInputs.h"
#include "link/ReplyTable.h"
#include "platform/BorderIcons.h"
#include "platform/Clock.h"

TfAppEbike* fAppEbike = nullptr;

namespace {

constexpr int kClientWidth = 573;
constexpr int kClientHeight = 350;
// Every poll and the IMEI line go out once a second: the terminals answer well within that.
constexpr int kTimerIntervalMs = 1000;
// Pages from this index on are not parameter pages at all; the command pages before it hold no fields.
constexpr int kFirstNonParamPage = 11;
constexpr int kLastCheckAllPage = 2;
// Controls and plain buttons of a command page, side by side, so a page needs little scrolling.
constexpr int kPerRow = 4;
constexpr int kCalibrationPage = 3;
constexpr int kWheelPage = 5;
constexpr int kMonitorPage = 7;
constexpr int kWheelPollCmd = 0x0332;
constexpr int kMonitorPollCmd = 0x035F;
const char* const kForm = "TfAppEbike";

// The write or read the operator last started, kept for the whole run as the console's own state.
ImeiAtMode gImeiMode = ImeiAtMode::None;

QLabel* NamedLabel(QWidget* owner, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), owner);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// The maker page's red note: the IMEI there is not the module's own.
void BuildImeiNote(TParamConsole&, QWidget* page, QVBoxLayout* column) {
    auto* note = NamedLabel(page, "LabelImeiNote", kEbikeImeiNote);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    note->setPalette(palette);
    column->addWidget(note);
}

// The g-sensor page's calibration lines.
void BuildCalibrationMemo(TParamConsole&, QWidget* page, QVBoxLayout* column) {
    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setReadOnly(true);
    column->addWidget(memo);
}

// The wheel level and the mark that blinks once per answer.
void BuildWheelLevel(TParamConsole&, QWidget* page, QVBoxLayout* column) {
    column->addWidget(NamedLabel(page, "LabelWheel", "当前车轮转换值："));
    auto* shape = new QFrame(page);
    shape->setObjectName(QStringLiteral("Shape1"));
    shape->setFixedSize(16, 16);
    shape->setAutoFillBackground(true);
    column->addWidget(shape);
}

// The MCU monitor's labels.
void BuildMonitorLabels(TParamConsole&, QWidget* page, QVBoxLayout* column) {
    column->addWidget(NamedLabel(page, "LabelAcc", "ACC状态："));
    column->addWidget(NamedLabel(page, "LabelAdc", "ADC采样值："));
    column->addWidget(NamedLabel(page, "LabelRf", "RF接收次数："));
    column->addWidget(NamedLabel(page, "LabelTime", "时间："));
}

// "全部选择" and "全部清除" work on the first pages' boxes, but leave a few fields as they are.
std::vector<std::string> CheckAllBoxes(const ParamPage& page) {
    const auto& keep = EbikeKeepOnCheckAll();
    std::vector<std::string> boxes;
    for (const auto& field : page.fields) {
        if (std::find(keep.begin(), keep.end(), field.id) == keep.end()) boxes.push_back(CheckName(field));
    }
    return boxes;
}

const ParamConsoleDecl& Decl() {
    static const ParamConsoleDecl decl = [] {
        ParamConsoleDecl d{kForm, "电瓶车/摩托车终端-通用设置", "设置参数", "参询参数", {}, {}};
        d.paramPageCount = kFirstNonParamPage;
        d.wrongPageText = "您当前未在参数页面，请切换到参数页面";
        const auto& pages = EbikeParamPages();
        for (size_t i = 0; i < pages.size(); ++i) {
            const int index = static_cast<int>(i);
            ConsolePage page{pages[i], {}, {}, {}};
            page.perRow = kPerRow;
            for (const auto& commands : EbikeCommandPages()) {
                if (commands.index != index) continue;
                page.controls = commands.controls;
                page.commands = commands.commands;
            }
            if (index <= kLastCheckAllPage) page.selectAll = CheckAllBoxes(pages[i]);
            if (index == kEbikeDownloadPage) page.groups = EbikeDownloadGroups();
            if (index == kEbikeMakerPage) page.hook = BuildImeiNote;
            if (index == kCalibrationPage) page.hook = BuildCalibrationMemo;
            if (index == kWheelPage) page.hook = BuildWheelLevel;
            if (index == kMonitorPage) page.hook = BuildMonitorLabels;
            d.pages.push_back(std::move(page));
        }
        return d;
    }();
    return decl;
}

}  // namespace

// The buttons the window works itself; the start of the calibration also sends its row's frame, after
// the memo is cleared. The members the actions use are made in the constructor's body, before any click.
ButtonActions TfAppEbike::Actions(TfAppEbike* self) {
    using namespace ebike;
    ButtonActions actions{
        {kStartCalibration,
         [self] {
             self->Memo1->clear();
             self->Memo1->appendPlainText(QString::fromUtf8("请求进行gSensor自校准......."));
         }},
        {kSerialPortTest, [] { ShowUserMessage(PlainMessage(QStringLiteral("//./"))); }},
        {kStartSpeedRead, [self] { self->Timer1->start(); }},
        {kStopSpeedRead, [self] { self->Timer1->stop(); }},
        {kStartMonitor, [self] { self->Timer3->start(); }},
        {kStopMonitor, [self] { self->Timer3->stop(); }},
        {kWriteImei, [self] { (void)self->imeiFlow_->StartWrite(); }},
        {kReadImei, [self] { self->imeiFlow_->StartRead(); }},
        {kSendAtLine, [self] { SendLineBytewise(EditBytes(self, kAtLineEdit)); }},
        {kShowPageIndex,
         [self] { ShowUserMessage(PlainMessage(QString::number(self->PageControl1->currentIndex()))); }},
    };
    for (const char* idle : {"TwoPointDistance", "AreaAlarmRun", "MosOff", "Blank1", "Blank2", "WakeUp"})
        actions.emplace(idle, NoAction);
    return actions;
}

TfAppEbike::TfAppEbike(QWidget* parent) : TParamConsole(Decl(), parent, Actions(this)) {
    SetBorderIcons(this, BorderIcons::SystemMenuAndMinimize);
    PageControl1->setCurrentIndex(0);
    SpeedButton1 = findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
    SpeedButton2 = findChild<QPushButton*>(QStringLiteral("SpeedButton2"));
    SpeedButton3 = findChild<QPushButton*>(QStringLiteral("SpeedButton3"));
    SpeedButton4 = findChild<QPushButton*>(QStringLiteral("SpeedButton4"));
    Memo1 = findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    LabelWheel = findChild<QLabel*>(QStringLiteral("LabelWheel"));
    Shape1 = findChild<QFrame*>(QStringLiteral("Shape1"));
    LabelAcc = findChild<QLabel*>(QStringLiteral("LabelAcc"));
    LabelAdc = findChild<QLabel*>(QStringLiteral("LabelAdc"));
    LabelRf = findChild<QLabel*>(QStringLiteral("LabelRf"));
    LabelTime = findChild<QLabel*>(QStringLiteral("LabelTime"));
    SetShapeColor(Qt::white);
    for (const auto& field : EbikeParamPages()[kEbikeDownloadPage].fields)
        SetChecked(this, CheckName(field), true);
    FixSizeAtLeast(this, {kClientWidth, kClientHeight});

    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
    Timer3 = new QTimer(this);
    int n = 0;
    for (QTimer* timer : {Timer1, Timer2, Timer3}) {
        timer->setObjectName(QStringLiteral("Timer%1").arg(++n));
        timer->setInterval(kTimerIntervalMs);
    }
    connect(Timer1, &QTimer::timeout, this, &TfAppEbike::Timer1Timer);
    connect(Timer3, &QTimer::timeout, this, &TfAppEbike::Timer3Timer);
    imeiFlow_ = new TImeiAtFlow(
        Timer2, kTimerIntervalMs,
        {PlainMessage(QString::fromUtf8("请输入正确的长度15位")), "终端IMEI设置成功", "终端IMEI读取成功："},
        gImeiMode, [this] { return EditText(this, ebike::kImeiEdit); }, this);

    AddReplyInput(this, "gSensorStudyInfoInput", &TfAppEbike::gSensorStudyInfoInput);
    AddReplyInput(this, "IOTestAckDeal", &TfAppEbike::IOTestAckDeal);
    AddReplyInput(this, "MoniDataInput", &TfAppEbike::MoniDataInput);
}

TfAppEbike::~TfAppEbike() { FormClose(); }

void TfAppEbike::FormClose() {
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
}

void TfAppEbike::Timer1Timer() { (void)SendRequest({static_cast<uint16_t>(kWheelPollCmd), {}}); }

void TfAppEbike::Timer2Timer() { imeiFlow_->Tick(); }

void TfAppEbike::Timer3Timer() { (void)SendRequest({static_cast<uint16_t>(kMonitorPollCmd), {}}); }

void TfAppEbike::gSensorStudyInfoInput() {
    if (const auto line = GSensorStudyLine(ReplyRecord))
        Memo1->appendPlainText(QString::fromStdString(*line));
}

void TfAppEbike::IOTestAckDeal() {
    LabelWheel->setText(QString::fromStdString(WheelLevelText(ReplyRecord)));
    SetShapeColor(shapeColor_ == QColor(Qt::red) ? QColor(Qt::white) : QColor(Qt::red));
}

void TfAppEbike::MoniDataInput() {
    const EbikeMonitorTexts texts = EbikeMonitorLabels(ReplyRecord, CurrentDateTime());
    size_t i = 0;
    for (QLabel* label : {LabelAcc, LabelAdc, LabelRf, LabelTime})
        label->setText(QString::fromStdString(texts[i++]));
}

void TfAppEbike::SetShapeColor(const QColor& color) {
    shapeColor_ = color;
    QPalette palette = Shape1->palette();
    palette.setColor(QPalette::Window, color);
    Shape1->setPalette(palette);
}
