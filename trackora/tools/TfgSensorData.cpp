#include "tools/TfgSensorData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleForm.h"
#include "link/LogMemo.h"
#include "link/OutputLog.h"
#include "platform/FileDialog.h"
#include "platform/HiddenLayout.h"
#include "platform/MessageBox.h"
#include "platform/StrToInt.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

TfgSensorData* fgSensorData = nullptr;

namespace {

constexpr int kWidth = 819;
constexpr int kHeight = 368;
constexpr int kFrameDelayMs = 100;
constexpr int kLatestStepMs = 500;
constexpr int kReplayStepMs = 300;
constexpr int kRecordTickMs = 1000;
constexpr size_t kReplayStride = 10;
constexpr int kDefaultUnitIndex = 4;  // "5P"
constexpr int kUnits = 20;
constexpr int kLabelStep = 20;
constexpr int kMemoChars = 24;
constexpr int kXLabelWidth = 40;
constexpr int kXAxisGap = 2;
constexpr int kRecordStateCmd = 0x0512;
constexpr int kRecordDataCmd = 0x0513;

const QString kCountCaption = QStringLiteral("总采样点数：");
const QString kReplayCaption = QStringLiteral("回放记录数：");

void Warn(const QString& text) { ShowUserMessage(PlainMessage(text)); }

}  // namespace

TPressurePlot::TPressurePlot(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPlotWidth + 1, kPlotHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void TPressurePlot::SetCurve(std::vector<QPoint> points) {
    curve_ = std::move(points);
    update();
}

void TPressurePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(0, kBaselineRow, kPlotWidth, kBaselineRow);
    painter.drawLine(0, 0, 0, kPlotHeight - 1);
    painter.drawLine(0, kPlotHeight - 1, kPlotWidth, kPlotHeight - 1);
    if (curve_.size() < 2) return;
    painter.setPen(QPen(Qt::red, 1));
    painter.drawPolyline(curve_.data(), static_cast<int>(curve_.size()));
}

TfgSensorData::TfgSensorData(QWidget* parent) : QWidget(parent) {
    setObjectName("TfgSensorData");
    setWindowTitle(QStringLiteral("大气压传感气分析器"));
    const auto button = [this](QPushButton*& member, const char* name, const char* caption) {
        member = new QPushButton(QString::fromUtf8(caption), this);
        member->setObjectName(name);
    };
    button(SpeedButton1, "SpeedButton1", "导入数据");
    button(SpeedButton2, "SpeedButton2", "保存数据");
    button(SpeedButton3, "SpeedButton3", "清空数据");
    button(SpeedButton4, "SpeedButton4", "显示最新数据");
    button(SpeedButton5, "SpeedButton5", "回放历史数据");
    button(SpeedButton6, "SpeedButton6", "停止刷新数据");
    button(SpeedButton7, "SpeedButton7", "清空历史数据");
    button(SpeedButton8, "SpeedButton8", "读取记录状态");
    button(SpeedButton9, "SpeedButton9", "读取记录数据");
    button(SpeedButton10, "SpeedButton10", "开始记录数据");
    button(SpeedButton11, "SpeedButton11", "停止记录数据");
    button(Button1, "Button1", "Button1");
    Edit1 = new QLineEdit("100000", this);
    Edit1->setObjectName("Edit1");
    Edit2 = new QLineEdit("0", this);
    Edit2->setObjectName("Edit2");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    for (int k = 1; k <= kUnits; ++k) ComboBox1->addItem(QStringLiteral("%1P").arg(k));
    ComboBox1->setCurrentIndex(kDefaultUnitIndex);
    CheckBox4 = new QCheckBox(this);
    CheckBox4->setObjectName("CheckBox4");
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel(QStringLiteral("回放条数："), this);
    Label2->setObjectName("Label2");
    Label2->setVisible(false);
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    // Wide enough for a sample line of a pressure file: its time stamp and its value.
    Memo1->setMinimumWidth(Memo1->fontMetrics().horizontalAdvance(QString(kMemoChars, '0')));
    PaintBox1 = new TPressurePlot(this);
    PaintBox1->setObjectName("PaintBox1");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(kFrameDelayMs);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kLatestStepMs);
    Timer3 = new QTimer(this);
    Timer3->setObjectName("Timer3");
    Timer3->setInterval(kRecordTickMs);

    // The y-axis labels left of the plot, one every 20 rows; the x-axis labels under it, fixed.
    auto* yAxis = new QWidget(this);
    yAxis->setFixedSize(60, kPlotHeight);
    for (int i = 0; i < kAxisLabels; ++i) {
        auto*& label = AxisLabel[static_cast<size_t>(i)];
        label = new QLabel(yAxis);
        label->setObjectName(QStringLiteral("AxisLabel%1").arg(i));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Centred on its grid line, but never above or below the plot.
        const int height = label->fontMetrics().height();
        const int top = kBaselineRow - (kAxisLabels / 2 - i) * kLabelStep - height / 2;
        label->setGeometry(0, std::clamp(top, 0, kPlotHeight - height), 56, height);
    }
    auto* xAxis = new QWidget(this);
    // A whole line of text below the plot's frame, so the numbers never reach into it.
    xAxis->setFixedSize(kPlotWidth + kXLabelWidth, fontMetrics().height() + kXAxisGap);
    for (int x = 0; x <= kPlotWidth; x += 50) {
        auto* label = new QLabel(QString::number(x), xAxis);
        label->setGeometry(x, kXAxisGap, kXLabelWidth, fontMetrics().height());
    }
    auto* plot = new QGridLayout;
    plot->setSpacing(0);
    plot->addWidget(yAxis, 0, 0);
    plot->addWidget(PaintBox1, 0, 1);
    plot->addWidget(xAxis, 1, 1);

    auto* settings = new QHBoxLayout;
    settings->addWidget(new QLabel(QStringLiteral("初值："), this));
    settings->addWidget(Edit1);
    settings->addWidget(new QLabel(QStringLiteral("单位："), this));
    settings->addWidget(ComboBox1);
    settings->addWidget(new QLabel(QStringLiteral("启起点"), this));
    settings->addWidget(Edit2);
    settings->addWidget(Label1);
    settings->addWidget(Label2);
    settings->addWidget(new QLabel(QStringLiteral("温度："), this));
    settings->addWidget(new QLabel(QStringLiteral("压强："), this));
    settings->addStretch();

    auto* buttons = new QGridLayout;
    QPushButton* shown[] = {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4,
                            SpeedButton5, SpeedButton6, SpeedButton7};
    for (int i = 0; i < static_cast<int>(std::size(shown)); ++i) buttons->addWidget(shown[i], i / 6, i % 6);
    // The recording controls lie below the fixed client area, out of view; only a build that shows
    // hidden controls brings them up.
    auto* strip = new QHBoxLayout;
    QWidget* recording[] = {SpeedButton8, SpeedButton9, SpeedButton10, SpeedButton11, Button1, CheckBox4};
    for (QWidget* control : recording) {
        strip->addWidget(control);
        control->setVisible(kShowHiddenControls);
    }
    strip->addStretch();

    auto* left = new QVBoxLayout;
    left->addLayout(settings);
    left->addLayout(plot);
    left->addLayout(buttons);
    left->addLayout(strip);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(Memo1, 1);

    connect(SpeedButton1, &QPushButton::clicked, this, &TfgSensorData::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfgSensorData::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TfgSensorData::SpeedButton3Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TfgSensorData::SpeedButton4Click);
    connect(SpeedButton5, &QPushButton::clicked, this, &TfgSensorData::SpeedButton5Click);
    connect(SpeedButton6, &QPushButton::clicked, this, &TfgSensorData::SpeedButton6Click);
    connect(SpeedButton7, &QPushButton::clicked, this, &TfgSensorData::SpeedButton7Click);
    connect(SpeedButton8, &QPushButton::clicked, this, &TfgSensorData::SpeedButton8Click);
    connect(SpeedButton9, &QPushButton::clicked, this, &TfgSensorData::SpeedButton9Click);
    connect(SpeedButton10, &QPushButton::clicked, this, &TfgSensorData::SpeedButton10Click);
    connect(SpeedButton11, &QPushButton::clicked, this, &TfgSensorData::SpeedButton11Click);
    connect(Button1, &QPushButton::clicked, this, &TfgSensorData::Button1Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TfgSensorData::ComboBox1Change);
    connect(Timer1, &QTimer::timeout, this, &TfgSensorData::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TfgSensorData::Timer2Timer);
    connect(Timer3, &QTimer::timeout, this, &TfgSensorData::Timer3Timer);

    ShowCount();
    UpdateAxisLabels();
    FixSizeAtLeast(this, {kWidth, kHeight});
    Timer1->start();
}

int TfgSensorData::Scale() const { return ComboBox1->currentIndex() + 1; }

void TfgSensorData::ShowCount() { Label1->setText(kCountCaption + QString::number(samples_.size())); }

void TfgSensorData::StopView() {
    Label2->setVisible(false);
    Timer2->stop();
}

void TfgSensorData::UpdateAxisLabels() {
    const std::optional<int32_t> baseline = TryStrToInt(Edit1->text().toStdString());
    if (!baseline) {
        ShowUserMessage(ConversionError(Edit1->text()));
        return;
    }
    const auto labels = AxisLabels(*baseline, Scale());
    for (int i = 0; i < kAxisLabels; ++i)
        AxisLabel[static_cast<size_t>(i)]->setText(QString::number(labels[static_cast<size_t>(i)]));
}

bool TfgSensorData::DrawSamples(size_t first, size_t count) {
    const std::optional<int32_t> baseline = TryStrToInt(Edit1->text().toStdString());
    if (!baseline) {
        // Every step would fail the same way: stop the view and say so once.
        StopView();
        ShowUserMessage(ConversionError(Edit1->text()));
        return false;
    }
    std::vector<QPoint> points;
    points.reserve(count);
    const int scale = Scale();
    for (size_t j = 0; j < count && first + j < samples_.size(); ++j)
        points.emplace_back(static_cast<int>(j), SampleRow(samples_[first + j], *baseline, scale));
    PaintBox1->SetCurve(std::move(points));
    return true;
}

void TfgSensorData::Timer1Timer() {
    Timer1->stop();
    PaintBox1->ClearCurve();
}

void TfgSensorData::Timer2Timer() {
    if (mode_ == Mode::Latest) {
        const SampleSpan span = LatestSpan(samples_.size());
        (void)DrawSamples(span.first, span.count);
        return;
    }
    const SampleSpan span = ReplaySpan(samples_.size(), position_);
    if (!DrawSamples(span.first, span.count)) return;
    position_ += kReplayStride;
    Label2->setText(position_ >= samples_.size() ? QStringLiteral("回放数据完毕!")
                                                 : kReplayCaption + QString::number(position_));
}

void TfgSensorData::Timer3Timer() {
    Timer3->stop();
    CheckBox4->setChecked(false);
}

void TfgSensorData::SpeedButton1Click() {
    const std::optional<QString> chosen = RunOpenDialog(this);
    if (!chosen) return;
    if (chosen->size() > 4 && !chosen->endsWith(".txt", Qt::CaseSensitive)) {
        Warn(QStringLiteral("文件格式错误!"));
        return;
    }
    QFile file(*chosen);
    if (!file.open(QIODevice::ReadOnly)) {
        Warn(QStringLiteral("文件打开失败: %1: %2").arg(*chosen, file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    const SampleImport read =
        ReadSamples(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    Memo1->Clear();
    for (const std::string& line : read.lines) Memo1->AppendLine(Cp936ToUtf8(line));
    StopView();
    mode_ = Mode::Replay;
    samples_ = read.samples;
    // The samples read before a stop stay, and the count, the baseline and the labels agree with them.
    ShowCount();
    if (!samples_.empty()) {
        Edit1->setText(QString::number(samples_.front() - samples_.front() % 100));
        UpdateAxisLabels();
    }
    PaintBox1->ClearCurve();
    if (read.badLine) {
        const std::string& line = read.lines[*read.badLine - 1];
        const std::string value = line.size() > 8 ? line.substr(8, 6) : std::string();
        ShowUserMessage(ConversionError(QString::fromStdString(Cp936ToUtf8(value))));
    } else if (read.truncated) {
        Warn(QStringLiteral("采样点超过%1,只导入前%1点").arg(kMaxSamples));
    }
}

void TfgSensorData::SpeedButton2Click() {
    const SaveResult saved = SaveLinesWithDialog(this, Memo1->Lines());
    if (saved.outcome == SaveOutcome::Failed) ReportSaveFailure(saved.path.toStdString(), saved.error);
    if (saved.outcome == SaveOutcome::Saved)
        ShowMessageBox(QStringLiteral("数据存贮成功!!!"), QString::fromUtf8(kHintCaption),
                       MsgIcon::Information);
}

void TfgSensorData::SpeedButton3Click() { Memo1->Clear(); }

void TfgSensorData::SpeedButton4Click() {
    mode_ = Mode::Latest;
    Timer2->setInterval(kLatestStepMs);
    Label2->setVisible(false);
    Timer2->start();
}

void TfgSensorData::SpeedButton5Click() {
    const std::optional<int32_t> start = TryStrToInt(Edit2->text().toStdString());
    // Samples are numbered from 0: a negative start names none of them, like one past the end.
    if (!start || *start < 0 || static_cast<size_t>(*start) >= samples_.size()) {
        Warn(QStringLiteral("设置启始点错误!!!"));
        return;
    }
    Timer2->setInterval(kReplayStepMs);
    position_ = static_cast<size_t>(*start);
    mode_ = Mode::Replay;
    Label2->setText(kReplayCaption + QString::number(position_));
    Label2->setVisible(true);
    Timer2->start();
}

void TfgSensorData::SpeedButton6Click() {
    StopView();
    mode_ = Mode::Replay;
}

void TfgSensorData::SpeedButton7Click() {
    samples_.clear();
    Memo1->Clear();
    ShowCount();
    StopView();
}

void TfgSensorData::SpeedButton8Click() { (void)SendRequest({static_cast<uint16_t>(kRecordStateCmd), {}}); }

void TfgSensorData::SpeedButton9Click() { (void)SendRequest({static_cast<uint16_t>(kRecordDataCmd), {}}); }

void TfgSensorData::SpeedButton10Click() {
    CheckBox4->setChecked(true);
    Timer3->start();
}

void TfgSensorData::SpeedButton11Click() { Memo1->Clear(); }

void TfgSensorData::Button1Click() { Memo1->Clear(); }

void TfgSensorData::ComboBox1Change() { UpdateAxisLabels(); }
