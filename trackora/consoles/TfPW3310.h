// The positioning watch's console: a parameter page, its slot lists (alarms, speed dial, white list), test
// commands and the remote-upgrade page. Only the first page sets.
#pragma once

#include "consoles/ParamConsole.h"

class TfPW3310 : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfPW3310(QWidget* parent = nullptr);
};

extern TfPW3310* fPW3310;
