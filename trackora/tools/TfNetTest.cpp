#include "tools/TfNetTest.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "consoles/CommandKit.h"
#include "link/PublicData.h"
#include "link/ReplyInputs.h"
#include "tools/TestWindowData.h"
#include "tools/ToolForm.h"

TfNetTest* fNetTest = nullptr;

namespace {
constexpr int kPollMs = 1000;
constexpr uint16_t kNetStatusCmd = 0x0103;
constexpr int kOwnLabels = 13;  // time, fix, position, speed, course and the serving cell

QLabel* NewLabel(QWidget* parent, const std::string& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromStdString(name));
    return label;
}
}  // namespace

TfNetTest::TfNetTest(QWidget* parent)
    : TConsoleForm("TfNetTest", QString::fromUtf8("网络参数测试窗口"), parent) {
    auto* grid = new QGridLayout(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kPollMs);
    connect(Timer1, &QTimer::timeout, this, &TfNetTest::Timer1Timer);
    int column = 0;
    for (auto [button, caption] : {std::pair{&SpeedButton1, "开始监控"}, std::pair{&SpeedButton2, "停止监控"},
                                   std::pair{&SpeedButton3, "清空数据"}}) {
        *button = new QPushButton(QString::fromUtf8(caption), this);
        (*button)->setObjectName(QStringLiteral("SpeedButton%1").arg(column + 1));
        grid->addWidget(*button, 0, column++);
    }
    connect(SpeedButton1, &QPushButton::clicked, Timer1, qOverload<>(&QTimer::start));
    connect(SpeedButton2, &QPushButton::clicked, Timer1, &QTimer::stop);
    // "清空数据" does nothing: the labels keep the last answer until the next one.
    connect(SpeedButton3, &QPushButton::clicked, this, [] {});
    for (int n = 1; n <= kOwnLabels; ++n)
        grid->addWidget(NewLabel(this, "Label" + std::to_string(n)), 1 + (n - 1) % 7, (n - 1) / 7);
    for (int r = 1; r <= kNeighbourCells; ++r) {
        auto* group = new QGroupBox(QString::fromUtf8("临小区") + QString::number(r), this);
        group->setObjectName(QStringLiteral("GroupBox%1").arg(r));
        auto* column = new QVBoxLayout(group);
        for (int f = 0; f < kCellValues; ++f) column->addWidget(NewLabel(group, NeighbourLabel(r, f)));
        grid->addWidget(group, 8 + (r - 1) / 3, (r - 1) % 3);
    }
    ReserveLabelRoom(this, NetStatusLabels(WidestNetStatus(), "12-31 23:59:59"));
    TReplyRecord empty;  // the labels start as an answer without cells shows them
    ApplyLabels(this, NetStatusLabels(empty, {}));

    AddReplyInput(this, "NetDataInput", &TfNetTest::NetDataInput);
}

void TfNetTest::FormClose() { Timer1->stop(); }

// The request leaves whether or not the port is open; the link drops it while the port is closed.
void TfNetTest::Timer1Timer() { (void)SendRequest({kNetStatusCmd, {}}); }

void TfNetTest::NetDataInput() {
    ApplyLabels(this, NetStatusLabels(ReplyRecord, ClockText(QStringLiteral("MM-dd hh:mm:ss"))));
}
