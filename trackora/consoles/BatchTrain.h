// A train of frames that leave one at a time with a pause between them, driven by a timer so the program
// keeps receiving and answering while it waits. The frames are fixed when the train is made; the train
// runs to its end even when the window that started it closes, then frees itself.
#pragma once

#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"

struct TrainFrame {
    Request request;
    std::string logLine;  // UTF-8 line added to the output log as the frame leaves
};

class TBatchTrain : public QObject {
    Q_OBJECT
  public:
    // Sends the first frame at once and starts the timer for the rest.
    TBatchTrain(std::vector<TrainFrame> frames, int pauseMs);

    bool Done() const { return next_ >= frames_.size(); }
    size_t Sent() const { return next_; }
    const QTimer& Timer() const { return timer_; }

  public slots:
    // Sends the next frame; after the last one the train stops and is deleted.
    void Tick();

  signals:
    void finished();

  private:
    void SendNext();

    std::vector<TrainFrame> frames_;
    size_t next_ = 0;
    bool finishing_ = false;
    QTimer timer_;
};
