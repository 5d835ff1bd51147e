// The GPS recorder: one row per GPS status reply in the Q7GpsMoni table, emptied and exported on demand.
#pragma once

#include "tools/RecorderForm.h"

class QPushButton;
class LogMemo;

class TfQ7GpsMoni : public TRecorderForm {
    Q_OBJECT
  public:
    explicit TfQ7GpsMoni(QWidget* parent = nullptr);

    QPushButton* SpeedButton1;  // "清空数据"
    QPushButton* SpeedButton2;  // "导出数据"
    LogMemo* Memo1;

  public slots:
    // Replies 0x8101 and 0x8104, after the dispatcher decoded them into GpsInfoManage.
    void GpsDataInput();
    void SpeedButton1Click();
    void SpeedButton2Click();
};

extern TfQ7GpsMoni* fQ7GpsMoni;
