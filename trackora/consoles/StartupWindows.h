// The two command windows that open with the program and stay for the whole run: the terminal reset and
// the server address, port and APN.
#pragma once

#include "consoles/ConsoleForm.h"

class TfEquManage : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfEquManage(QWidget* parent = nullptr);
    ~TfEquManage() override;
};

class TfServer : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfServer(QWidget* parent = nullptr);
    ~TfServer() override;
};

extern TfEquManage* fEquManage;
extern TfServer* fServer;
