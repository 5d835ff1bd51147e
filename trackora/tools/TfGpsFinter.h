// The GPS filter monitor: filter reports given as key/value text, one row each in the dbGpsFinter table.
// No reply reaches it; a hidden test button records a fixed sample report.
#pragma once

#include <string>
#include <string_view>

#include "tools/RecorderForm.h"

class QPushButton;
class LogMemo;

class TfGpsFinter : public TRecorderForm {
    Q_OBJECT
  public:
    explicit TfGpsFinter(QWidget* parent = nullptr);

    QPushButton* SpeedButton1;  // "清空数据"
    QPushButton* SpeedButton2;  // "导出数据"
    QPushButton* Button1;       // hidden: records the sample report
    LogMemo* Memo1;

    // The report text held in ReplyRecord (bytes 0 .. Len - 1).
    void AddOneRecord();
    // The value of one key in the report text held in ReplyRecord.
    [[nodiscard]] std::string FindValueInString(std::string_view key) const;

  public slots:
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click();
};

extern TfGpsFinter* fGpsFinter;
