// The run-log reader: asks a terminal how many records its run log holds, fetches them page by page
// and shows one line per record; the lines can be saved as a text file.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "consoles/ConsoleForm.h"
#include "link/LogMemo.h"
#include "tools/LogReader.h"

class TfLog : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfLog(QWidget* parent = nullptr);

    LogMemo* Memo1;
    QPushButton* Button1;  // "读取设备运行日志"
    QPushButton* Button2;  // "保存数据"
    QProgressBar* ProgressBar1;
    QComboBox* ComboBox1;  // device type: the record layout
    QLabel* Label1;        // status
    QLabel* Label2;        // records shown
    QLabel* Label3;        // the device's total
    QTimer* Timer1;

    [[nodiscard]] const RunLogReader& Reader() const { return reader_; }

  public slots:
    void Button1Click();
    void Button2Click();
    void Timer1Timer();
    void FormClose() override;
    void LogCountInput();
    void LogDataInput();

  private:
    RunLogReader reader_;
};

extern TfLog* fLog;
