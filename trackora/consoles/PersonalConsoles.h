// The positioning shoe's and school bag's consoles: one parameter page each, set and query, and the
// shoe's APN test.
#pragma once

#include "consoles/ParamConsole.h"

class TfWifiShoes : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfWifiShoes(QWidget* parent = nullptr);
};

class TfBagManage : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfBagManage(QWidget* parent = nullptr);
};

extern TfWifiShoes* fWifiShoes;
extern TfBagManage* fBagManage;
