#include "tools/TfLog.h"

#include <QGridLayout>

#include "consoles/CommandKit.h"
#include "link/ReplyFormat.h"
#include "link/ReplyInputs.h"
#include "tools/LogRecords.h"
#include "tools/ToolForm.h"

TfLog* fLog = nullptr;

namespace {
// The reader's pace: one page step per tick, so a second without the page is ten ticks.
constexpr int kReaderTickMs = 100;
constexpr uint16_t kCountCmd = 0x0387;
constexpr uint16_t kPageCmd = 0x0388;

QString Utf8(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

TfLog::TfLog(QWidget* parent) : TConsoleForm("TfLog", QString::fromUtf8("终端运行日志读取"), parent) {
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    Button1 = new QPushButton(QString::fromUtf8("读取设备运行日志"), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(QString::fromUtf8("保存数据"), this);
    Button2->setObjectName("Button2");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->addItems(
        {QString::fromUtf8("标准设备"), QString::fromUtf8("VIN码设备"), QString::fromUtf8("个人定位设备")});
    ComboBox1->setCurrentIndex(kLogPersonalDevice);
    Label1 = new QLabel(QString::fromUtf8("状态：初始化"), this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel(QString::fromUtf8("当前记录总数：0"), this);
    Label2->setObjectName("Label2");
    Label3 = new QLabel(QString::fromUtf8("设备总记录数:"), this);
    Label3->setObjectName("Label3");

    auto* grid = new QGridLayout(this);
    grid->addWidget(ComboBox1, 0, 0);
    grid->addWidget(Button1, 0, 1);
    grid->addWidget(Button2, 0, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(Label3, 1, 2);
    grid->addWidget(ProgressBar1, 2, 0, 1, 3);
    grid->addWidget(Memo1, 3, 0, 1, 3);
    grid->setRowStretch(3, 1);
    resize(640, 420);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kReaderTickMs);
    connect(Timer1, &QTimer::timeout, this, &TfLog::Timer1Timer);
    connect(Button1, &QPushButton::clicked, this, &TfLog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfLog::Button2Click);
    AddReplyInput(this, "LogCountInput", &TfLog::LogCountInput);
    AddReplyInput(this, "LogDataInput", &TfLog::LogDataInput);
}

void TfLog::FormClose() { Timer1->stop(); }

void TfLog::Button1Click() {
    Memo1->Clear();
    reader_.Start();
    Timer1->stop();
    ProgressBar1->setValue(0);
    (void)SendRequest({kCountCmd, {}});
}

void TfLog::LogCountInput() {
    const int total = static_cast<int>(ReplyBytes(ReplyRecord).Be16(0));
    const RunLogReader::Count count = reader_.CountInput(total);
    if (count == RunLogReader::Count::Ignored) return;
    Label3->setText(Utf8("设备总记录数：" + std::to_string(total)));
    if (count == RunLogReader::Count::Reading) Timer1->start();
}

void TfLog::Timer1Timer() {
    const RunLogReader::Tick tick = reader_.OnTick();
    if (tick.progress) ProgressBar1->setValue(*tick.progress);
    if (tick.request) (void)SendRequest({kPageCmd, *tick.request});
    switch (tick.end) {
        case RunLogReader::End::None:
            break;
        case RunLogReader::End::Done:
            Label1->setText(QString::fromUtf8("状态：数据读取完毕"));
            Label2->setText(Utf8("当前记录总数：" + std::to_string(reader_.Total())));
            break;
        case RunLogReader::End::Failed:
            Label1->setText(QString::fromUtf8("状态：数据读取错误"));
            break;
    }
    if (!reader_.Running()) Timer1->stop();
}

void TfLog::LogDataInput() {
    // The layout is read for each answer, as the user may switch it while a read runs.
    const LogPage page = FormatLogPage(ReplyRecord, ComboBox1->currentIndex());
    if (!reader_.TakePage(page.offset)) return;
    for (const std::string& line : page.lines) Memo1->AppendLine(line);
    Label2->setText(Utf8("当前记录总数：" + std::to_string(page.offset + page.records)));
}

void TfLog::Button2Click() { SaveLinesAndTell(this, Memo1->Lines(), "数据存贮成功!!!"); }
