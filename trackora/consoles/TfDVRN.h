// The vehicle-tracker console: parameter pages whose set texts leave in batches of at most 70 bytes, 300 ms
// apart, and whose kept fields live in Config/ParamInfo.ini under the program folder.
#pragma once

#include <QPointer>
#include <QTimer>

#include "consoles/BatchTrain.h"
#include "consoles/ConsoleForm.h"

class QPushButton;
class QTabWidget;

class TfDVRN : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfDVRN(QWidget* parent = nullptr);
    ~TfDVRN() override;

    QTabWidget* PageControl1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;  // "SetParam"
    QPushButton* SpeedButton2 = nullptr;  // "ReadParam"
    QTimer* Timer1 = nullptr;             // the module IMEI steps of the Debug page

    // The set train still running, if any.
    TBatchTrain* Train() const { return train_; }

    static std::string ParamInfoPath();
    void SaveParamConfigToFile();
    void LoadParamConfigFromFile();

  public slots:
    void FormCreate();
    void FormClose() override;

  protected:
    void ButtonClick(int n) override;

  private:
    void SetParam();
    void ReadParam();
    void SetButtonsEnabled(bool enabled);

    QPointer<TBatchTrain> train_;
};

extern TfDVRN* fDVRN;
