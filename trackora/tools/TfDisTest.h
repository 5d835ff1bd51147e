// The mileage test window: one row per mileage-test reply 0x8117 in the DisTest table, and a simulated
// position (command 0x0118) built from its fields.
#pragma once

#include "tools/RecorderForm.h"

class QPushButton;

class TfDisTest : public TRecorderForm {
    Q_OBJECT
  public:
    explicit TfDisTest(QWidget* parent = nullptr);

    QPushButton* SpeedButton1;  // "清除数据"
    QPushButton* SpeedButton2;  // "模拟点输入"

  public slots:
    // Reply 0x8117: its bytes as a hex line in the output log, then the row.
    void DisDataInput();
    void SpeedButton1Click();
    void SpeedButton2Click();
};

extern TfDisTest* fDisTest;
