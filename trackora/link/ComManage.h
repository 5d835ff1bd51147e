// The port manager window: lists the serial ports, opens and closes the program's one port, greets the
// terminal with three "AT" lines, feeds every received byte into the receive ring, spots the AT answers
// "OK" and "+EGMR:", and closes the port for the whole program when a write fails or the line is lost.
// It is the LinePort every send routine writes through.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/Comm.h"
#include "link/PublicData.h"
#include "platform/PortList.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

constexpr int kAtBufferSize = 2000;
// Log line of a write that failed: the port is closed.
constexpr const char kSendErrorLog[] = "串口发送错误,已关闭";
// Log line of a port that went away under the program (an adapter pulled out): the port is closed.
constexpr const char kPortLostLog[] = "串口连接已断开,已关闭";

// What the port combo's text opens and what the status shows. COM-style names of five or more
// characters get the "//./" prefix and show at most five characters; a device path stays whole.
struct PortNames {
    std::string commName;
    std::string comName;
};
PortNames MakePortNames(const std::string& text);
// Baud-rate combo index to rate; nothing for an index outside the list.
std::optional<uint32_t> BaudForIndex(int index);
// Parity combo index ("Even" "Mark" "None" "Odd" "Space") to parity; nothing outside the list.
std::optional<TParity> ParityForIndex(int index);

// What one received chunk says, each chunk on its own.
struct AtAnswer {
    bool ok = false;        // "OK" CR LF occurs
    bool imeiRead = false;  // "+EGMR:" with a 15-character quoted IMEI
    std::string imei;
};
AtAnswer ParseAtAnswer(const uint8_t* chunk, int length);

// The log line that tells why a port could not be opened, from the system's error number: the message
// box alone says the same for a missing device, a missing permission and a port held by another program.
// `fallback` is the reason when there is no error number (a thread or signal that could not be made).
std::string OpenFailureLog(const std::string& port, int error, const std::string& fallback);

class TfComManage : public QWidget, public LinePort {
    Q_OBJECT
  public:
    explicit TfComManage(QWidget* parent = nullptr);
    ~TfComManage() override;

    // Where the port list comes from (the system's by default); tests give their own.
    using PortListSource = std::function<SerialCommMap()>;
    void SetPortListSource(PortListSource source);
    // The pause before each opening "AT" line; tests make it instant.
    using Sleeper = std::function<void(int ms)>;
    void SetSleeper(Sleeper sleeper);

    // LinePort
    bool WriteData(const uint8_t* buffer, int length) override;
    void SendErrorDeal() override;

    bool LampIsGreen() const { return lampGreen_; }

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QComboBox* ComboBox3;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;
    QFrame* Shape1;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QTimer* Timer1;
    TComm* Comm1;

    std::array<uint8_t, kAtBufferSize> AtBuffer{};
    int32_t AtLength = 0;
    int32_t PortOpenedOnce = 0;
    std::string LastPortText;

  public slots:
    void FormCreate();
    void Timer1Timer();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void CheckBox1Click();

  public:
    void Comm1ReceiveData(TComm* sender, const uint8_t* buffer, uint16_t length);
    void Comm1RequestHangup(TComm* sender);
    void ATCmdAckParase();
    void EnumSystemComInfo();
    void GetMTKUsbComPortInfo();
    void AddUsbComToComBox();

  private:
    void SetLamp(bool green);
    void CloseAndLog(const char* line);

    PortListSource portList_;
    Sleeper sleeper_;
    bool lampGreen_ = false;
};

extern TfComManage* fComManage;
