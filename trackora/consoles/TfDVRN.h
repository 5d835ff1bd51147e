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
    // The command pages' buttons: Debug SpeedButton3-23, Car SpeedButton24-25 and Button1-5, Gun Button6-12.
    void SpeedButton10Click() { ButtonClick(10); }
    void SpeedButton11Click() { ButtonClick(11); }
    void SpeedButton12Click() { ButtonClick(12); }
    void SpeedButton13Click() { ButtonClick(13); }
    void SpeedButton14Click() { ButtonClick(14); }
    void SpeedButton15Click() { ButtonClick(15); }
    void SpeedButton16Click() { ButtonClick(16); }
    void SpeedButton17Click() { ButtonClick(17); }
    void SpeedButton18Click() { ButtonClick(18); }
    void SpeedButton19Click() { ButtonClick(19); }
    void SpeedButton20Click() { ButtonClick(20); }
    void SpeedButton21Click() { ButtonClick(21); }
    void SpeedButton22Click() { ButtonClick(22); }
    void SpeedButton23Click() { ButtonClick(23); }
    void SpeedButton24Click() { ButtonClick(24); }
    void SpeedButton25Click() { ButtonClick(25); }
    void Button1Click() { PageCommand("Button1"); }
    void Button2Click() { PageCommand("Button2"); }
    void Button3Click() { PageCommand("Button3"); }
    void Button4Click() { PageCommand("Button4"); }
    void Button5Click() { PageCommand("Button5"); }
    void Button6Click() { PageCommand("Button6"); }
    void Button7Click() { PageCommand("Button7"); }
    void Button8Click() { PageCommand("Button8"); }
    void Button9Click() { PageCommand("Button9"); }
    void Button10Click() { PageCommand("Button10"); }
    void Button11Click() { PageCommand("Button11"); }
    void Button12Click() { PageCommand("Button12"); }

  protected:
    void ButtonClick(int n) override;
    // The set text leaves in batches, one train at a time; both buttons keep the fields in the file.
    void SetParam() override;
    void ReadParam() override;

  private:
    static const ParamConsoleDecl& Decl();
    // The Car page's raw answer label and tyre memo under its buttons.
    static void BuildTyreMemo(TParamConsole& form, QWidget* page, QVBoxLayout* column);
    void MakeImeiFlow();
    // "AutoAdd": the next module gets the next IMEI.
    void NextImei();
    // Runs a command page's button: its row's frame, or the window's own action.
    void PageCommand(const std::string& button);
    void SetButtonsEnabled(bool enabled);

    QPointer<TBatchTrain> train_;
    TImeiAtFlow* imeiFlow_ = nullptr;
};

extern TfDVRN* fDVRN;
