// The e-bike and motorbike tracker console: four parameter pages sent in one frame per click, the command
// pages, two polls (wheel level and MCU monitor) and the module IMEI flow, each on its own 1000 ms timer,
// and the three replies the output window hands to it while it is open.
#pragma once

#include <QColor>
#include <QTimer>

#include "consoles/ImeiAtFlow.h"
#include "consoles/ParamConsole.h"

class QFrame;
class QLabel;
class QPlainTextEdit;

class TfAppEbike : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfAppEbike(QWidget* parent = nullptr);
    ~TfAppEbike() override;

    QPushButton* SpeedButton1 = nullptr;  // "设置参数"
    QPushButton* SpeedButton2 = nullptr;  // "参询参数"
    QPushButton* SpeedButton3 = nullptr;  // "全部选择"
    QPushButton* SpeedButton4 = nullptr;  // "全部清除"
    QTimer* Timer1 = nullptr;             // polls the wheel level
    QTimer* Timer2 = nullptr;             // the module IMEI flow
    QTimer* Timer3 = nullptr;             // polls the MCU monitor
    QPlainTextEdit* Memo1 = nullptr;      // g-sensor calibration lines
    QLabel* LabelWheel = nullptr;
    QFrame* Shape1 = nullptr;  // blinks once per wheel-level answer
    QLabel* LabelAcc = nullptr;
    QLabel* LabelAdc = nullptr;
    QLabel* LabelRf = nullptr;
    QLabel* LabelTime = nullptr;

    QColor ShapeColor() const { return shapeColor_; }
    TImeiAtFlow* ImeiFlow() const { return imeiFlow_; }

  public slots:
    void FormClose() override;
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void gSensorStudyInfoInput();
    void IOTestAckDeal();
    void MoniDataInput();

  private:
    static ButtonActions Actions(TfAppEbike* self);
    void SetShapeColor(const QColor& color);

    TImeiAtFlow* imeiFlow_ = nullptr;
    QColor shapeColor_;
};

extern TfAppEbike* fAppEbike;
