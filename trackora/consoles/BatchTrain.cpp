#include "consoles/BatchTrain.h"

#include "link/OutputLog.h"

TBatchTrain::TBatchTrain(std::vector<TrainFrame> frames, int pauseMs) : frames_(std::move(frames)) {
    timer_.setInterval(pauseMs);
    connect(&timer_, &QTimer::timeout, this, &TBatchTrain::Tick);
    SendNext();
    if (Done()) {
        QTimer::singleShot(0, this, [this] { Tick(); });
    } else {
        timer_.start();
    }
}

void TBatchTrain::SendNext() {
    if (Done()) return;
    const TrainFrame& frame = frames_[next_++];
    LogLine(frame.logLine);
    (void)SendRequest(frame.request);
}

void TBatchTrain::Tick() {
    SendNext();
    if (Done() && !finishing_) {
        finishing_ = true;
        timer_.stop();
        emit finished();
        deleteLater();
    }
}
