#include "tools/TfMoni.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "consoles/CommandKit.h"
#include "link/PublicData.h"
#include "link/ReplyInputs.h"
#include "platform/HiddenLayout.h"
#include "tools/MoniPanels.h"
#include "tools/ToolForm.h"

TfMoni* fMoni = nullptr;

namespace {

constexpr int kPollMs = 1000;
constexpr int kFirstWifiRow = 97;
constexpr int kFirstBtRow = 110;
constexpr int kObdColumns = 3;
// After a Bluetooth answer the next scan is asked for two ticks later, not a whole period later.
constexpr int kTicksAfterBtReply = 2;

// One mode of the monitor: its button, the panel it shows, the request each poll sends and, for the
// scans that take longer than a tick, the counter that spaces the requests out.
struct ModeRow {
    int button;
    const char* caption;
    int mode;
    uint16_t cmd;
    int32_t TnSysRunInfo::*pollTicks;  // nullptr: a request on every tick
    int every;                         // ticks between two requests of a counted mode
};
constexpr ModeRow kModes[] = {
    {1, "System Moni", 1, 0x0100, nullptr, 1},
    {2, "Gps Moni", 2, 0x0101, nullptr, 1},
    {3, "OBD数据监控", 3, 0x0107, nullptr, 1},
    {5, "WIFI数据监控", 4, 0x0105, &TnSysRunInfo::WifiPollTicks, 5},
    {6, "BT数据监控", 5, 0x03A3, &TnSysRunInfo::BtPollTicks, 60},
};
constexpr int kStopButton = 4;

const ModeRow* ModeOfButton(int button) {
    for (const ModeRow& row : kModes)
        if (row.button == button) return &row;
    return nullptr;
}

const ModeRow* ModeRowOf(int mode) {
    for (const ModeRow& row : kModes)
        if (row.mode == mode) return &row;
    return nullptr;
}

// The system labels in their places on the panel, two columns.
constexpr const char* kSystemLabels[] = {
    "Label30", "Label44", "Label23", "Label24", "Label46", "Label26", "Label40", "Label42", "Label43",
    "Label28", "Label29", "Label45", "Label47", "Label27", "Label49", "Label39", "Label31", "Label32",
    "Label33", "Label34", "Label35", "Label36", "Label37", "Label38", "Label48", "Label25",
};

}  // namespace

TfMoni::TfMoni(QWidget* parent) : TConsoleForm("TfMoni", QStringLiteral("Euqipment Moni Windows"), parent) {
    auto* buttons = new QHBoxLayout;
    for (int n : {1, 2, 3, 5, 6, 4}) {
        const ModeRow* row = ModeOfButton(n);
        auto* button = new QPushButton(QString::fromUtf8(row != nullptr ? row->caption : "Stop Moni"), this);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(n));
        if (n == kStopButton) {
            connect(button, &QPushButton::clicked, this, &TfMoni::StopMoni);
        } else {
            connect(button, &QPushButton::clicked, this, [this, n] { SelectMode(n); });
        }
        buttons->addWidget(button);
    }
    SpeedButton1 = findChild<QPushButton*>("SpeedButton1");
    SpeedButton2 = findChild<QPushButton*>("SpeedButton2");
    SpeedButton3 = findChild<QPushButton*>("SpeedButton3");
    SpeedButton4 = findChild<QPushButton*>("SpeedButton4");
    SpeedButton5 = findChild<QPushButton*>("SpeedButton5");
    SpeedButton6 = findChild<QPushButton*>("SpeedButton6");

    BuildSystemPanel();
    BuildGpsPanel();
    BuildObdPanel();
    Panel4 = BuildScanPanel(
        "Panel4", {{"Label91", "扫描热点个数："}, {"Label92", "更新时间："}},
        {{"Label93", "编号"}, {"Label94", "热点名称"}, {"Label95", "信号强度"}, {"Label96", "Mac地址"}},
        kFirstWifiRow);
    Panel5 = BuildScanPanel(
        "Panel5", {{"Label105", "主机MAC地址："}, {"Label106", "扫描个数："}, {"Label107", "更新时间："}},
        {{"Label108", "编号"}, {"Label109", "设备MAC地址"}, {"Label118", "设备BT名称"}}, kFirstBtRow);
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    Memo1->setMinimumHeight(80);

    auto* column = new QVBoxLayout(this);
    column->addLayout(buttons);
    for (QWidget* panel : {Panel1, Panel2, Panel3, Panel4, Panel5}) column->addWidget(panel);
    column->addWidget(Memo1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kPollMs);
    connect(Timer1, &QTimer::timeout, this, &TfMoni::Timer1Timer);

    AddReplyInput(this, "ObdDataInput", &TfMoni::ObdDataInput);
    AddReplyInput(this, "WifiDataInput", &TfMoni::WifiDataInput);
    AddReplyInput(this, "BtDataInput", &TfMoni::BtDataInput);
    FormCreate();
}

QLabel* TfMoni::AddLabel(QWidget* panel, const std::string& name, const QString& text) {
    auto* label = new QLabel(text, panel);
    label->setObjectName(QString::fromStdString(name));
    return label;
}

void TfMoni::BuildSystemPanel() {
    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    auto* grid = new QGridLayout(Panel2);
    int i = 0;
    for (const char* name : kSystemLabels) {
        QLabel* label = AddLabel(Panel2, name, {});
        grid->addWidget(label, i / 2, i % 2);
        ++i;
    }
    // The second CSQ label shows the value; the first one is kept hidden under it.
    Panel2->findChild<QLabel*>("Label25")->setVisible(kShowHiddenControls);
}

void TfMoni::BuildGpsPanel() {
    constexpr int kTextColumnWidth = 220;
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    auto* row = new QHBoxLayout(Panel1);
    auto* grid = new QGridLayout;
    for (int k = 1; k <= kGpsBarCount; ++k) {
        auto* shape = new TShape(Panel1);
        shape->setObjectName(QStringLiteral("Shape%1").arg(k));
        Shapes[static_cast<size_t>(k - 1)] = shape;
        grid->addWidget(shape, 0, k - 1, Qt::AlignHCenter);
        grid->addWidget(AddLabel(Panel1, "Label" + std::to_string(2 * k - 1), "00"), 1, k - 1,
                        Qt::AlignHCenter);
        grid->addWidget(AddLabel(Panel1, "Label" + std::to_string(2 * k), "00"), 2, k - 1, Qt::AlignHCenter);
    }
    row->addLayout(grid);
    auto* texts = new QVBoxLayout;
    for (const char* name : {"Label15", "Label16", "Label17", "Label18", "Label19", "Label20", "Label21",
                             "Label22", "Label41"}) {
        QLabel* label = AddLabel(Panel1, name, {});
        label->setMinimumWidth(kTextColumnWidth);
        texts->addWidget(label);
    }
    texts->addStretch();
    row->addLayout(texts);
}

void TfMoni::BuildObdPanel() {
    Panel3 = new QWidget(this);
    Panel3->setObjectName("Panel3");
    auto* grid = new QGridLayout(Panel3);
    int i = 0;
    for (const LabelText& t : ObdCaptions()) {
        grid->addWidget(AddLabel(Panel3, t.name, QString::fromStdString(t.text)), i / kObdColumns,
                        i % kObdColumns);
        ++i;
    }
}

QWidget* TfMoni::BuildScanPanel(const char* name, const LabelTexts& heads, const LabelTexts& columns,
                                int firstRow) {
    auto* panel = new QWidget(this);
    panel->setObjectName(name);
    auto* column = new QVBoxLayout(panel);
    for (const LabelText& t : heads)
        column->addWidget(AddLabel(panel, t.name, QString::fromStdString(t.text)));
    auto* headings = new QHBoxLayout;
    for (const LabelText& t : columns)
        headings->addWidget(AddLabel(panel, t.name, QString::fromStdString(t.text)));
    headings->addStretch();
    column->addLayout(headings);
    for (int i = 0; i < kScanRowsShown; ++i) {
        QLabel* row = AddLabel(panel, "Label" + std::to_string(firstRow + i), {});
        row->setVisible(false);
        column->addWidget(row);
    }
    column->addStretch();
    return panel;
}

void TfMoni::FormCreate() {
    GpsInfoManage.GpsCount = 0;
    GpsInfoManage.BdCount = 0;
    Panel2->setVisible(true);
    for (QWidget* panel : {Panel1, Panel3, Panel4, Panel5}) panel->setVisible(false);
}

void TfMoni::FormClose() { Timer1->stop(); }

void TfMoni::StopMoni() {
    Timer1->stop();
    for (QPushButton* b : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton5, SpeedButton6})
        b->setEnabled(true);
}

void TfMoni::SelectMode(int button) {
    const ModeRow* row = ModeOfButton(button);
    if (row == nullptr) return;
    const std::pair<int, QWidget*> panels[] = {
        {1, Panel2}, {2, Panel1}, {3, Panel3}, {4, Panel4}, {5, Panel5}};
    for (const auto& [mode, panel] : panels) panel->setVisible(mode == row->mode);
    for (const ModeRow& other : kModes)
        findChild<QPushButton*>(QStringLiteral("SpeedButton%1").arg(other.button))->setEnabled(&other != row);
    MoniCtrl.Mode = row->mode;
    // A counted mode starts with its counter full, so its first tick asks at once.
    if (row->pollTicks != nullptr) SysRunInfo.*(row->pollTicks) = row->every;
    Timer1->start();
}

void TfMoni::Timer1Timer() {
    // The panel shows the previous answer; the request asks for the next one.
    if (MoniCtrl.Mode == 1) BrushSysRunInfo();
    if (MoniCtrl.Mode == 2) BrushGpsInfo();
    const ModeRow* row = ModeRowOf(MoniCtrl.Mode);
    if (row == nullptr) return;
    if (row->pollTicks != nullptr) {
        int32_t& ticks = SysRunInfo.*(row->pollTicks);
        // Counted up to at least the period: a counter set beyond it must not stop the polling.
        if (++ticks < row->every) return;
        ticks = 0;
    }
    (void)SendRequest({row->cmd, {}});
}

void TfMoni::BrushSysRunInfo() {
    ApplyLabels(this, SysRunInfoLabels(SysRunInfo));
    const std::string imsi = ImsiText(SysRunInfo);
    if (imsi != LastImsiText) {
        Memo1->AppendLine(LastImsiText);
        ApplyLabels(this, {{"Label44", imsi}});
        LastImsiText = imsi;
    }
}

void TfMoni::BrushGpsInfo() {
    const GpsBars bars = BuildGpsBars(GpsInfoManage);
    LabelTexts labels = GpsLabels(GpsInfoManage);
    for (int k = 1; k <= kGpsBarCount; ++k) {
        const GpsBar& bar = bars[static_cast<size_t>(k - 1)];
        Shapes[static_cast<size_t>(k - 1)]->SetBar(bar);
        labels.push_back({"Label" + std::to_string(2 * k - 1), bar.prn});
        labels.push_back({"Label" + std::to_string(2 * k), bar.snr});
    }
    ApplyLabels(this, labels);
}

void TfMoni::ObdDataInput() { ApplyLabels(this, ObdLabels(ReplyRecord)); }

void TfMoni::WifiDataInput() { WifiDataInput(WifiScanText(ReplyRecord)); }

void TfMoni::WifiDataInput(const std::string& text) {
    const ScanView view = WifiScanView(text, ClockText(kDateTimeFormat));
    ApplyLabels(this, view.heads);
    ShowScanRows(kFirstWifiRow, view.rows);
}

void TfMoni::BtDataInput() {
    SysRunInfo.BtPollTicks = ModeRowOf(5)->every - kTicksAfterBtReply;
    const ScanView view = BtScanView(ReplyRecord, ClockText(kDateTimeFormat));
    ApplyLabels(this, view.heads);
    ShowScanRows(kFirstBtRow, view.rows);
}

void TfMoni::ShowScanRows(int firstRow, const std::vector<std::string>& rows) {
    for (int i = 0; i < kScanRowsShown; ++i) {
        auto* label = findChild<QLabel*>(QStringLiteral("Label%1").arg(firstRow + i));
        if (label == nullptr) continue;
        const bool used = i < static_cast<int>(rows.size());
        label->setText(used ? QString::fromStdString(rows[static_cast<size_t>(i)]) : QString());
        label->setVisible(used);
    }
}
