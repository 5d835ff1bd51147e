// The barometric pressure analyser: plots the samples of an imported file against an adjustable baseline,
// the newest 600 at once or as a replay that moves 10 samples a step.
#pragma once

#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "tools/PressureSamples.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class LogMemo;

// The plot area: the frame always, the curve of the last drawing in red. Painted from what it holds, so
// a repaint shows the same picture.
class TPressurePlot : public QWidget {
    Q_OBJECT
  public:
    explicit TPressurePlot(QWidget* parent = nullptr);
    void SetCurve(std::vector<QPoint> points);
    void ClearCurve() { SetCurve({}); }
    [[nodiscard]] const std::vector<QPoint>& Curve() const { return curve_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<QPoint> curve_;
};

class TfgSensorData : public QWidget {
    Q_OBJECT
  public:
    enum class Mode { Latest = 1, Replay = 2 };

    explicit TfgSensorData(QWidget* parent = nullptr);

    QPushButton* SpeedButton1;   // "导入数据"
    QPushButton* SpeedButton2;   // "保存数据"
    QPushButton* SpeedButton3;   // "清空数据"
    QPushButton* SpeedButton4;   // "显示最新数据"
    QPushButton* SpeedButton5;   // "回放历史数据"
    QPushButton* SpeedButton6;   // "停止刷新数据"
    QPushButton* SpeedButton7;   // "清空历史数据"
    QPushButton* SpeedButton8;   // "读取记录状态"
    QPushButton* SpeedButton9;   // "读取记录数据"
    QPushButton* SpeedButton10;  // "开始记录数据"
    QPushButton* SpeedButton11;  // "停止记录数据"
    QPushButton* Button1;
    QLineEdit* Edit1;      // "初值：" the baseline
    QLineEdit* Edit2;      // "启起点" the replay start
    QComboBox* ComboBox1;  // "单位：" 1P .. 20P
    QCheckBox* CheckBox4;  // ticked while recording is asked for
    QLabel* Label1;        // "总采样点数：" + count
    QLabel* Label2;        // the replay's progress
    std::array<QLabel*, kAxisLabels> AxisLabel{};
    LogMemo* Memo1;  // the imported file's lines
    TPressurePlot* PaintBox1;
    QTimer* Timer1;  // draws the frame once after creation
    QTimer* Timer2;  // the view's steps
    QTimer* Timer3;  // unticks CheckBox4

    [[nodiscard]] size_t SampleCount() const { return samples_.size(); }
    [[nodiscard]] Mode DisplayMode() const { return mode_; }
    [[nodiscard]] size_t ReplayPosition() const { return position_; }

  public slots:
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void SpeedButton11Click();
    void Button1Click();
    void ComboBox1Change();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();

  private:
    void ShowCount();
    void StopView();
    // Draws samples first .. first + count - 1 (none: the frame only). False when the baseline is no
    // number: the view then stops, with one message.
    bool DrawSamples(size_t first, size_t count);
    void UpdateAxisLabels();
    [[nodiscard]] int Scale() const;

    std::vector<int32_t> samples_;
    Mode mode_ = Mode::Replay;
    size_t position_ = 0;
};

extern TfgSensorData* fgSensorData;
