// The vehicle and long-standby terminals' consoles: one parameter page each, with select-all buttons and
// a few one-shot commands (oil and power cut, blind-area data; GPIO, GPS, auxiliary port, vibrator).
#pragma once

#include "consoles/ParamConsole.h"

class Tf640Manage : public TParamConsole {
    Q_OBJECT
  public:
    explicit Tf640Manage(QWidget* parent = nullptr);
};

class TfwlwManage : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfwlwManage(QWidget* parent = nullptr);
};

class TfCCDJ : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfCCDJ(QWidget* parent = nullptr);
};

extern Tf640Manage* f640Manage;
extern TfwlwManage* fwlwManage;
extern TfCCDJ* fCCDJ;
