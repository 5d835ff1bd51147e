#include "consoles/ImeiAtFlow.h"

#include <QTimer>

#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "platform/TextCodec.h"

namespace {
constexpr qsizetype kImeiLength = 15;
}  // namespace

std::string ImeiWriteLine(const std::string& imei) { return "AT+EGMR=1,7,\"" + imei + "\""; }

TImeiAtFlow::TImeiAtFlow(QTimer* timer, int intervalMs, ImeiAtTexts texts, ImeiAtMode& mode,
                         std::function<QString()> imeiText, QObject* parent)
    : QObject(parent), timer_(timer), texts_(std::move(texts)), mode_(mode), imeiText_(std::move(imeiText)) {
    timer_->setInterval(intervalMs);
    timer_->stop();
    connect(timer_, &QTimer::timeout, this, &TImeiAtFlow::Tick);
}

bool TImeiAtFlow::StartWrite() {
    if (imeiText_().size() != kImeiLength) {
        ShowUserMessage(texts_.wrongLength);
        return false;
    }
    Start(ImeiAtMode::Write);
    return true;
}

void TImeiAtFlow::StartRead() { Start(ImeiAtMode::Read); }

void TImeiAtFlow::Start(ImeiAtMode mode) {
    mode_ = mode;
    SysRunInfo.AtOk = 0;
    SysRunInfo.ImeiRead = 0;
    // A running timer keeps its pace: switching the operation does not push the next line back.
    if (!timer_->isActive()) timer_->start();
}

void TImeiAtFlow::Finish(const std::string& line) {
    timer_->stop();
    LogLine("");
    LogLine(line);
}

void TImeiAtFlow::Tick() {
    switch (mode_) {
        case ImeiAtMode::Write:
            if (SysRunInfo.AtOk) {
                Finish(texts_.writeDone);
                if (afterWrite_) afterWrite_();
            } else {
                SendLineBytewise(ImeiWriteLine(Utf8ToCp936(imeiText_().toStdString())));
            }
            break;
        case ImeiAtMode::Read:
            if (SysRunInfo.ImeiRead) {
                Finish(texts_.readDone + Cp936ToUtf8(SysRunInfo.Imei));
            } else {
                SendLineBytewise(kImeiReadLine);
            }
            break;
        case ImeiAtMode::None:
            timer_->stop();
            break;
    }
}
