// The vehicle-tracker console: parameter pages whose set texts leave in batches of at most 70 bytes, 300 ms
// apart, and whose kept fields live in Config/ParamInfo.ini under the program folder.
#pragma once

#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <string>

#include "consoles/BatchTrain.h"
#include "consoles/ParamConsole.h"

class LogMemo;
class TImeiAtFlow;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

class TfDVRN : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfDVRN(QWidget* parent = nullptr);

    QPushButton* SpeedButton1 = nullptr;  // "SetParam"
    QPushButton* SpeedButton2 = nullptr;  // "ReadParam"
    QTimer* Timer1 = nullptr;             // the module IMEI steps of the Debug page
    LogMemo* Memo1 = nullptr;             // the Car page's decoded tyre-sensor answers
    QLabel* Label16 = nullptr;            // the Car page's raw bytes of the last answer

    // The set train still running, if any.
    TBatchTrain* Train() const { return train_; }

    // Config/ParamInfo.ini in the program's folder.
    static std::string ParamInfoPath();
    void SaveParamConfigToFile();
    void LoadParamConfigFromFile();

    // Reply 0x8384 (the tyre sensors through the terminal's MCU), from the output window's dispatcher.
    void TaiYaDataInput();
    // Adds the state line of `count` tyres to the Car page memo.
    void ShowTaiYaInfo(int count, const std::array<uint8_t, 6>& states);

  public slots:
    void FormCreate();
    // The module IMEI steps ("SetIMEI", "ReadIMEI"); Timer1's timeout runs them.
    void Timer1Timer();

  protected:
    // The set text leaves in batches, one train at a time; both buttons keep the fields in the file.
    void SetParam() override;
    void ReadParam() override;

  private:
    static const ParamConsoleDecl& Decl();
    // The command pages' buttons whose rows send no frame.
    static ButtonActions Actions(TfDVRN* self);
    // The Car page's raw answer label and tyre memo under its buttons.
    static void BuildTyreMemo(TParamConsole& form, QWidget* page, QVBoxLayout* column);
    void MakeImeiFlow();
    // "AutoAdd": the next module gets the next IMEI.
    void NextImei();
    void SetButtonsEnabled(bool enabled);

    QPointer<TBatchTrain> train_;
    TImeiAtFlow* imeiFlow_ = nullptr;
};

extern TfDVRN* fDVRN;
