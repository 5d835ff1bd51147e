// The network test window: polls the terminal once a second for its position and radio cells and
// shows the serving cell and up to six neighbours.
#pragma once

#include <QPushButton>
#include <QTimer>

#include "consoles/ConsoleForm.h"

class TfNetTest : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfNetTest(QWidget* parent = nullptr);

    QPushButton* SpeedButton1;  // "开始监控"
    QPushButton* SpeedButton2;  // "停止监控"
    QPushButton* SpeedButton3;  // "清空数据"
    QTimer* Timer1;

  public slots:
    void Timer1Timer();
    void NetDataInput();
    void FormClose() override;
};

extern TfNetTest* fNetTest;
