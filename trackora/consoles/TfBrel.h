// The key-fob console: the terminal's parameters as parameter text, the RF commands, and a monitor that
// asks for the RF receiver's state once a second and shows the answers.
#pragma once

#include <QTimer>
#include <array>

#include "consoles/ParamConsole.h"

class QLabel;

class TfBrel : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfBrel(QWidget* parent = nullptr);

    QTimer* Timer1 = nullptr;  // the monitor's query, every second while it runs
    // The monitor's labels: work state, channel, valid receive count, time, receive check time, frequency
    // hopping, RF work mode.
    std::array<QLabel*, 7> Labels{};

    // Reply 0x8202 from the output window's dispatcher, before it prints the answer's lines.
    void RFMoniInput();

  public slots:
    void Timer1Timer();
};

extern TfBrel* fBrel;
