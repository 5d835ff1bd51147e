// A train of frames that leave one at a time with a pause between them, driven by a timer so the program
// keeps receiving and answering while it waits. The frames are fixed when the train is made; the train
// runs to its end even when the window that started it closes, then frees itself.
//
// Terminals that must store one frame before they take the next need the whole pause, not about the pause:
// it is measured on the monotonic clock from the moment the previous frame was handed to the port, and a
// timer that fires early (a coarse timer may, by a few percent) sends nothing and waits for the rest.
// The port's write thread puts a frame on the line a moment after the hand-over, and under load that moment
// can be longer for one frame than for the next, so the train keeps kLineSlack on top of the pause.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "platform/Clock.h"

// The least time between two frames, for any sender that paces its frames.
class TMinimumGap {
  public:
    explicit TMinimumGap(std::chrono::milliseconds gap) : gap_(gap) {}

    std::chrono::milliseconds Gap() const { return gap_; }
    // Marks a frame handed to the port now.
    void Sent() { last_ = MonotonicNow(); }
    // The time still missing before the next frame may leave, rounded up to whole milliseconds so a wait
    // of that length never ends short; zero when it may leave now or nothing was sent yet.
    std::chrono::milliseconds Remaining() const;

  private:
    std::chrono::milliseconds gap_;
    std::optional<MonoTime> last_;
};

// What the line may take longer for one frame than for the next to leave the port's write thread; a few
// milliseconds under a loaded machine, measured on the terminal's side.
inline constexpr std::chrono::milliseconds kLineSlack{10};

struct TrainFrame {
    Request request;
    std::string logLine;  // UTF-8 line added to the output log as the frame leaves
};

class TBatchTrain : public QObject {
    Q_OBJECT
  public:
    // Sends the first frame at once and arms the timer for the rest, pauseMs + kLineSlack apart.
    TBatchTrain(std::vector<TrainFrame> frames, int pauseMs);

    bool Done() const { return next_ >= frames_.size(); }
    size_t Sent() const { return next_; }
    const QTimer& Timer() const { return timer_; }

  public slots:
    // Sends the next frame when the pause since the last one is over, else re-arms the timer for the time
    // still missing; after the last frame the train stops and is deleted.
    void Tick();

  signals:
    void finished();

  private:
    void SendNext();
    void Arm(std::chrono::milliseconds wait);
    void Finish();

    std::vector<TrainFrame> frames_;
    size_t next_ = 0;
    bool finishing_ = false;
    TMinimumGap gap_;
    QTimer timer_;
};
