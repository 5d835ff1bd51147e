#include "link/OutPut.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "link/FrameParser.h"
#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "link/ReplyDispatch.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"

TfOutPut* fOutPut = nullptr;

namespace {
// The receiver's pace. Each tick works off every frame received since the last one, so the pace only
// sets how late a reply is shown, never how many replies a second get through.
constexpr int kReceiverTickMs = 100;
constexpr int kWidth = 400;
constexpr int kHeight = 440;
const char kSavedText[] = "数据存贮成功!!!";

}  // namespace

TfOutPut::TfOutPut(QWidget* parent) : QWidget(parent) {
    setObjectName("TfOutPut");
    setWindowTitle("OutputWindows");
    resize(kWidth, kHeight);
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    SpeedButton1 = new QPushButton("Clear", this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton2 = new QPushButton("Save", this);
    SpeedButton2->setObjectName("SpeedButton2");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kReceiverTickMs);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);

    connect(SpeedButton1, &QPushButton::clicked, this, &TfOutPut::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfOutPut::SpeedButton2Click);
    connect(Timer1, &QTimer::timeout, this, &TfOutPut::Timer1Timer);
    FormCreate();
    SetLogSink([memo = Memo1](const std::string& line) { memo->AppendLine(line); });
    SetRecvRingFedListener([this] { RingFed(); });
    // The first tick finds the ring empty and puts the receiver to sleep until bytes arrive.
    Timer1->start();
}

TfOutPut::~TfOutPut() {
    SetRecvRingFedListener(nullptr);
    SetLogSink(nullptr);
}

void TfOutPut::FormCreate() {
    IncompleteTicks = 0;
    RecvRing.Count = 0;
    RecvRing.ReadIndex = 1;
    RecvRing.WriteIndex = 1;
    RecvOverflow = TRecvOverflow{};
}

void TfOutPut::Timer1Timer() {
    (void)RunReceiverTick(IncompleteTicks, [this] { NCarDataDeal(); });
    // Ticking on an empty ring would only wake the program ten times a second for nothing. A tick called
    // by hand while the timer is stopped leaves the timer alone.
    if (RecvRing.Count == 0 && Timer1->isActive()) {
        Timer1->stop();
        receiverIdle_ = true;
    }
}

void TfOutPut::RingFed() {
    if (!receiverIdle_ || RecvRing.Count == 0) return;
    receiverIdle_ = false;
    Timer1->start();
}

void TfOutPut::NCarDataDeal() { DispatchReply(ReplyRecord); }

void TfOutPut::SpeedButton1Click() { Memo1->Clear(); }

QString TfOutPut::SaveFileName(const QString& chosen) { return TextFileName(chosen); }

void TfOutPut::SpeedButton2Click() {
    const SaveResult saved = SaveLinesWithDialog(this, Memo1->Lines());
    if (saved.outcome == SaveOutcome::Saved) ShowMessageBox(kSavedText, kHintCaption, MsgIcon::Information);
    if (saved.outcome == SaveOutcome::Failed) ReportSaveFailure(saved.path.toStdString(), saved.error);
}
