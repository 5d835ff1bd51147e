// The output window: the program's shared log and the receiver that turns ring bytes into replies.
#pragma once

#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "link/LogMemo.h"

class TfOutPut : public QWidget {
    Q_OBJECT
  public:
    explicit TfOutPut(QWidget* parent = nullptr);
    ~TfOutPut() override;

    LogMemo* Memo1;
    QPushButton* SpeedButton1;  // "Clear"
    QPushButton* SpeedButton2;  // "Save"
    QTimer* Timer1;             // the receiver's 100 ms tick, running only while the ring holds bytes

    // Ticks a frame start has waited for its missing bytes.
    int32_t IncompleteTicks = 0;

    // The name the log is saved under: a name longer than 4 characters that does not end exactly in
    // ".txt" gets ".txt" appended; shorter names stay as they are.
    [[nodiscard]] static QString SaveFileName(const QString& chosen);

    // Whether the receiver stopped its own timer on an empty ring and waits for bytes to start it again.
    [[nodiscard]] bool ReceiverIdle() const { return receiverIdle_; }

  public slots:
    void FormCreate();
    void Timer1Timer();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void NCarDataDeal();

  private:
    // New bytes in the ring: an idle receiver starts ticking again.
    void RingFed();

    bool receiverIdle_ = false;
};

extern TfOutPut* fOutPut;
