// The debug window: switches the terminal's debug output on or off, asks for its state, and logs the
// debug stream replies as hex lines (and as text on request) that can be saved.
#pragma once

#include <QCheckBox>

#include "consoles/ConsoleForm.h"
#include "link/LogMemo.h"

class TfDebug : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfDebug(QWidget* parent = nullptr);

    TComboBox* ComboBox1;  // "Disable", "Enable", and an empty third item
    QCheckBox* CheckBox1;  // "Show String"
    LogMemo* Memo1;

  public slots:
    void DebugDataInput();
};

extern TfDebug* fDebug;
