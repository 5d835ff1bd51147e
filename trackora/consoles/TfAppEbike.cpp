#include "consoles/TfAppEbike.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "consoles/EbikeTables.h"
#include "link/OutputLog.h"
#include "link/ReplyFormat.h"
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

// The download page: its fields in the headed groups of the table.
void BuildGroupedFields(QWidget* page, QVBoxLayout* column, const ParamPage& params) {
    size_t first = 0;
    for (const auto& group : EbikeDownloadGroups()) {
        auto* box = new QGroupBox(QString::fromUtf8(group.heading), page);
        box->setObjectName(QString::fromLatin1(group.name));
        auto* inside = new QVBoxLayout(box);
        auto* fields = new QWidget(box);
        const size_t last = std::min(first + group.fields, params.fields.size());
        // Only the controls are built from the part; the buttons still send the page's whole table.
        BuildParamPage(fields, {params.caption,
                                {params.fields.begin() + static_cast<std::ptrdiff_t>(first),
                                 params.fields.begin() + static_cast<std::ptrdiff_t>(last)},
                                {}});
        inside->addWidget(fields);
        column->addWidget(box);
        first = last;
    }
}

}  // namespace

TfAppEbike::TfAppEbike(QWidget* parent)
    : TConsoleForm(kForm, QString::fromUtf8("电瓶车/摩托车终端-通用设置"), parent) {
    SetCommands(&EbikeCommands());
    SetBorderIcons(this, BorderIcons::SystemMenuAndMinimize);
    auto* grid = new QGridLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    const auto& pages = EbikeParamPages();
    for (int i = 0; i < static_cast<int>(pages.size()); ++i) {
        auto* scroll = new QScrollArea(PageControl1);
        scroll->setWidgetResizable(true);
        scroll->setWidget(BuildPage(i));
        NoSidewaysScroll(scroll);
        PageControl1->addTab(scroll, QString::fromStdString(pages[i].caption));
    }
    PageControl1->setCurrentIndex(0);
    grid->addWidget(PageControl1, 0, 0, 1, 4);
    SpeedButton1 = AddButton(grid, 1, 0, Button("SpeedButton1", "设置参数"));
    SpeedButton2 = AddButton(grid, 1, 1, Button("SpeedButton2", "参询参数"));
    SpeedButton3 = AddButton(grid, 1, 2, Button("SpeedButton3", "全部选择"));
    SpeedButton4 = AddButton(grid, 1, 3, Button("SpeedButton4", "全部清除"));
    for (const auto& field : pages[kEbikeDownloadPage].fields) SetChecked(this, CheckName(field), true);
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

QWidget* TfAppEbike::BuildPage(int index) {
    // Made inside the window so the controls find each other by name while they are built.
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TabSheet%1").arg(index + 1));
    auto* column = new QVBoxLayout(page);
    const ParamPage& params = EbikeParamPages()[static_cast<size_t>(index)];
    if (index == kEbikeDownloadPage) {
        BuildGroupedFields(page, column, params);
    } else if (!params.fields.empty()) {
        auto* fields = new QWidget(page);
        BuildParamPage(fields, params);
        column->addWidget(fields);
    }
    if (index == kEbikeMakerPage) {
        auto* note = NamedLabel(page, "LabelImeiNote", kEbikeImeiNote);
        QPalette palette = note->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        note->setPalette(palette);
        column->addWidget(note);
    }
    for (const auto& decl : EbikeCommandPages()) {
        if (decl.index != index) continue;
        auto* commands = new QWidget(page);
        LayOutCommands(commands, decl.controls, decl.commands, kPerRow);
        column->addWidget(commands);
    }
    switch (index) {
        case 3:
            Memo1 = new QPlainTextEdit(page);
            Memo1->setObjectName(QStringLiteral("Memo1"));
            Memo1->setReadOnly(true);
            column->addWidget(Memo1);
            break;
        case 5:
            LabelWheel = NamedLabel(page, "LabelWheel", "当前车轮转换值：");
            Shape1 = new QFrame(page);
            Shape1->setObjectName(QStringLiteral("Shape1"));
            Shape1->setFixedSize(16, 16);
            Shape1->setAutoFillBackground(true);
            SetShapeColor(Qt::white);
            column->addWidget(LabelWheel);
            column->addWidget(Shape1);
            break;
        case 7:
            LabelAcc = NamedLabel(page, "LabelAcc", "ACC状态：");
            LabelAdc = NamedLabel(page, "LabelAdc", "ADC采样值：");
            LabelRf = NamedLabel(page, "LabelRf", "RF接收次数：");
            LabelTime = NamedLabel(page, "LabelTime", "时间：");
            for (QLabel* label : {LabelAcc, LabelAdc, LabelRf, LabelTime}) column->addWidget(label);
            break;
        default:
            break;
    }
    column->addStretch(1);
    return page;
}

void TfAppEbike::ButtonClick(int n) {
    if (n == 1 || n == 2) SendParams(n == 1);
    if (n == 3 || n == 4) CheckAll(n == 3);
}

void TfAppEbike::SendParams(bool set) {
    const int page = PageControl1->currentIndex();
    if (page >= kFirstNonParamPage) {
        ShowUserMessage(WarningMessage(QString::fromUtf8("您当前未在参数页面，请切换到参数页面")));
        return;
    }
    (void)SendParamText(this, EbikeParamPages()[static_cast<size_t>(page)],
                        set ? ParamMode::Set : ParamMode::Query);
}

void TfAppEbike::CheckAll(bool checked) {
    const int page = PageControl1->currentIndex();
    if (page < 0 || page > kLastCheckAllPage) return;
    const auto& keep = EbikeKeepOnCheckAll();
    for (const auto& field : EbikeParamPages()[static_cast<size_t>(page)].fields) {
        if (std::find(keep.begin(), keep.end(), field.id) == keep.end())
            SetChecked(this, CheckName(field), checked);
    }
}

void TfAppEbike::NamedButtonClick(const std::string& button) {
    using namespace ebike;
    if (button == kStartCalibration) {
        Memo1->clear();
        Memo1->appendPlainText(QString::fromUtf8("请求进行gSensor自校准......."));
    } else if (button == kSerialPortTest) {
        ShowUserMessage(PlainMessage(QStringLiteral("//./")));
    } else if (button == kStartSpeedRead) {
        Timer1->start();
    } else if (button == kStopSpeedRead) {
        Timer1->stop();
    } else if (button == kStartMonitor) {
        Timer3->start();
    } else if (button == kStopMonitor) {
        Timer3->stop();
    } else if (button == kWriteImei) {
        (void)imeiFlow_->StartWrite();
    } else if (button == kReadImei) {
        imeiFlow_->StartRead();
    } else if (button == kSendAtLine) {
        SendLineBytewise(EditBytes(this, kAtLineEdit));
    } else if (button == kShowPageIndex) {
        ShowUserMessage(PlainMessage(QString::number(PageControl1->currentIndex())));
    }
    TConsoleForm::NamedButtonClick(button);
}

void TfAppEbike::Timer1Timer() { (void)SendRequest({static_cast<uint16_t>(kWheelPollCmd), {}}); }

void TfAppEbike::Timer2Timer() { imeiFlow_->Tick(); }

void TfAppEbike::Timer3Timer() { (void)SendRequest({static_cast<uint16_t>(kMonitorPollCmd), {}}); }

void TfAppEbike::gSensorStudyInfoInput() {
    const ReplyBytes data(ReplyRecord);
    QString line;
    switch (data.At(0)) {
        case 1:
            line = QString::fromUtf8(data.At(1) == 1 ? "芯片通信正常，开始校准......"
                                                     : "芯片通信异常，已退出!!!!!!");
            break;
        case 2:
            line =
                QString::fromUtf8(data.At(1) == 1 ? "芯片校准成功!阀值为：" : "芯片校准失败!检测阀值为：") +
                QString::number(data.At(2));
            break;
        case 3:
            line = QString::fromUtf8("校准过程,当前阀值：") + QString::number(data.At(1)) +
                   QString::fromUtf8("振动次数：") + QString::number(data.At(2));
            break;
        default:
            return;
    }
    Memo1->appendPlainText(line);
}

void TfAppEbike::IOTestAckDeal() {
    const ReplyBytes data(ReplyRecord);
    LabelWheel->setText(QString::fromUtf8(data.At(0) == 1 ? "当前车轮转换值：高" : "当前车轮转换值：低"));
    SetShapeColor(shapeColor_ == QColor(Qt::red) ? QColor(Qt::white) : QColor(Qt::red));
}

void TfAppEbike::MoniDataInput() {
    const ReplyBytes data(ReplyRecord);
    LabelAcc->setText(QString::fromUtf8(data.At(0) == 1 ? "ACC状态：开" : "ACC状态：关"));
    LabelAdc->setText(QString::fromUtf8("ADC采样值：") + QString::number(data.Be16(1)));
    LabelRf->setText(QString::fromUtf8("RF接收次数：") + QString::number(data.At(3)));
    LabelTime->setText(QString::fromUtf8("时间：") +
                       CurrentDateTime().toString(QStringLiteral("yy-MM-dd hh-mm-ss")));
}

void TfAppEbike::SetShapeColor(const QColor& color) {
    shapeColor_ = color;
    QPalette palette = Shape1->palette();
    palette.setColor(QPalette::Window, color);
    Shape1->setPalette(palette);
}
