#include "consoles/BatchTrain.h"

#include "link/OutputLog.h"

std::chrono::milliseconds TMinimumGap::Remaining() const {
    if (!last_) return std::chrono::milliseconds(0);
    const auto missing = gap_ - (MonotonicNow() - *last_);
    if (missing <= MonoTime::duration::zero()) return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(missing);
}

TBatchTrain::TBatchTrain(std::vector<TrainFrame> frames, int pauseMs)
    : frames_(std::move(frames)), gap_(std::chrono::milliseconds(pauseMs) + kLineSlack) {
    timer_.setSingleShot(true);
    // A coarse timer may fire several percent early; the gap check below catches that, and a precise one
    // keeps the re-armed waits from overshooting by much.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TBatchTrain::Tick);
    SendNext();
    if (Done()) {
        QTimer::singleShot(0, this, [this] { Finish(); });
    } else {
        Arm(gap_.Gap());
    }
}

void TBatchTrain::SendNext() {
    if (Done()) return;
    const TrainFrame& frame = frames_[next_++];
    LogLine(frame.logLine);
    (void)SendRequest(frame.request);
    // Counted from the end of the hand-over, so the time the hand-over took adds to the pause.
    gap_.Sent();
}

void TBatchTrain::Arm(std::chrono::milliseconds wait) {
    timer_.setInterval(wait);
    timer_.start();
}

void TBatchTrain::Tick() {
    if (Done()) {
        Finish();
        return;
    }
    if (const auto missing = gap_.Remaining(); missing.count() > 0) {
        Arm(missing);
        return;
    }
    SendNext();
    if (Done()) {
        Finish();
    } else {
        Arm(gap_.Gap());
    }
}

void TBatchTrain::Finish() {
    if (finishing_) return;
    finishing_ = true;
    timer_.stop();
    emit finished();
    deleteLater();
}
