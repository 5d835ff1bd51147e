// The two command windows that open with the program and stay for the whole run (the terminal reset and
// the server address, port and APN), and the version window opened from the menu.
#pragma once

#include "consoles/ConsoleForm.h"

class QLabel;

class TfEquManage : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfEquManage(QWidget* parent = nullptr);
};

class TfServer : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfServer(QWidget* parent = nullptr);
};

// The program's name, version and build date; it can be closed, and the next request opens a new one.
class TfAbout : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfAbout(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
};

extern TfEquManage* fEquManage;
extern TfServer* fServer;
extern TfAbout* fAbout;
