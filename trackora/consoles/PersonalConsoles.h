// The positioning shoe's and school bag's consoles: one parameter page each, set and query, and the
// shoe's APN test.
#pragma once

#include "consoles/ParamConsole.h"

class TfWifiShoes : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfWifiShoes(QWidget* parent = nullptr);
    ~TfWifiShoes() override;
  public slots:
    void FormClose() override;
};

class TfBagManage : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfBagManage(QWidget* parent = nullptr);
    ~TfBagManage() override;
  public slots:
    void FormClose() override;
};

extern TfWifiShoes* fWifiShoes;
extern TfBagManage* fBagManage;
