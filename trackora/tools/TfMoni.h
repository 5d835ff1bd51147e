// The monitor window: polls the terminal once a second for one kind of status (system, GPS, OBD, Wi-Fi
// or Bluetooth scan) and shows it on the panel of that mode.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "consoles/ConsoleForm.h"
#include "link/LogMemo.h"
#include "tools/Shape.h"

class TfMoni : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfMoni(QWidget* parent = nullptr);

    QPushButton* SpeedButton1;                   // "System Moni"
    QPushButton* SpeedButton2;                   // "Gps Moni"
    QPushButton* SpeedButton3;                   // "OBD数据监控"
    QPushButton* SpeedButton4;                   // "Stop Moni"
    QPushButton* SpeedButton5;                   // "WIFI数据监控"
    QPushButton* SpeedButton6;                   // "BT数据监控"
    QWidget* Panel1;                             // GPS
    QWidget* Panel2;                             // system
    QWidget* Panel3;                             // OBD
    QWidget* Panel4;                             // Wi-Fi
    QWidget* Panel5;                             // Bluetooth
    std::array<TShape*, kGpsBarCount> Shapes{};  // Shape1 ... Shape6
    LogMemo* Memo1;
    QTimer* Timer1;

    // The IMSI text shown last; its predecessor goes to Memo1 when it changes.
    std::string LastImsiText;

  public slots:
    void FormCreate();
    void FormClose() override;
    void Timer1Timer();
    void BrushSysRunInfo();
    void BrushGpsInfo();
    void ObdDataInput();
    // Reply 0x8105: the scan text is the reply's payload.
    void WifiDataInput();
    void WifiDataInput(const std::string& text);
    void BtDataInput();

  private:
    // "Stop Moni": the polls stop and every mode can be chosen again.
    void StopMoni();
    void BuildSystemPanel();
    void BuildGpsPanel();
    void BuildObdPanel();
    // A scan panel: its heading labels, its column headings and kScanRowsShown hidden rows.
    QWidget* BuildScanPanel(const char* name, const LabelTexts& heads, const LabelTexts& columns,
                            int firstRow);
    void SelectMode(int button);
    void ShowScanRows(int firstRow, const std::vector<std::string>& rows);
    QLabel* AddLabel(QWidget* panel, const std::string& name, const QString& text);
};

extern TfMoni* fMoni;
