#include "link/ComManage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "link/OutputLog.h"
#include "link/ReplyFormat.h"
#include "platform/DeviceAccess.h"
#include "platform/HiddenLayout.h"
#include "platform/MessageBox.h"

TfComManage* fComManage = nullptr;

namespace {

// The port list is looked at once a second while no port is open.
constexpr int kListRefreshMs = 1000;
// Pause before each opening "AT" line, so a module that wakes on the first one sees the others.
constexpr int kAtGreetingPauseMs = 10;
constexpr int kAtGreetingCount = 3;
// Value names of the USB scan are tried up to this number; at most 10 names are kept anyway.
constexpr int kUsbScanLast = 100;
constexpr int kImeiLength = 15;
// Index of the USB-serial list mode's port names when it is switched off: "COM1" ... "COM20".
constexpr int kComListSize = 20;
// Characters of a port name the port box shows without scrolling.
constexpr int kPortBoxChars = 24;

constexpr uint32_t kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
// The parity combo lists its names alphabetically, so its index is not the parity's own order.
constexpr TParity kParities[] = {TParity::Even, TParity::Mark, TParity::None, TParity::Odd, TParity::Space};
constexpr const char* kParityNames[] = {"Even", "Mark", "None", "Odd", "Space"};
constexpr int kDefaultBaudIndex = 7;    // 115200
constexpr int kDefaultParityIndex = 2;  // None

bool IsDevicePath(const std::string& name) { return !name.empty() && name.front() == '/'; }

}  // namespace

PortNames MakePortNames(const std::string& text) {
    if (IsDevicePath(text)) return {text, text};
    PortNames names;
    names.commName = text.size() >= 5 ? "//./" + text : text;
    names.comName = names.commName.size() > 4 ? names.commName.substr(4, 5) : names.commName;
    return names;
}

std::optional<uint32_t> BaudForIndex(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kBaudRates))) return std::nullopt;
    return kBaudRates[index];
}

std::optional<TParity> ParityForIndex(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kParities))) return std::nullopt;
    return kParities[index];
}

AtAnswer ParseAtAnswer(const uint8_t* chunk, int length) {
    AtAnswer answer;
    if (chunk == nullptr || length <= 0) return answer;
    const std::string_view text(reinterpret_cast<const char*>(chunk), static_cast<size_t>(length));
    answer.ok = text.find("OK\r\n") != std::string_view::npos;
    if (text.find("+EGMR:") == std::string_view::npos) return answer;
    const size_t open = text.find('"');
    if (open == std::string_view::npos) return answer;
    const size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) return answer;
    if (close - open - 1 == kImeiLength) {
        answer.imeiRead = true;
        answer.imei = std::string(text.substr(open + 1, kImeiLength));
    }
    return answer;
}

std::string OpenFailureLog(const std::string& port, int error, const std::string& fallback) {
    std::string reason;
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            reason = "no such device";
            break;
        case EACCES:
        case EPERM:
            reason = PermissionDeniedReason(port);
            break;
        case EBUSY:
        case EWOULDBLOCK:
            reason = "in use by another program";
            break;
        case ENOTTY:
            reason = "not a serial port";
            break;
        default:
            reason = error != 0 ? std::string(std::strerror(error)) : fallback;
    }
    return "串口打开失败: " + port + ": " + reason;
}

TfComManage::TfComManage(QWidget* parent) : QWidget(parent) {
    setObjectName("TfComManage");
    setWindowTitle(QStringLiteral("串口管理"));
    // No border icons: the port manager lives for the whole run and is never closed by the user.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);

    const auto named = [](QObject* object, const char* name) { object->setObjectName(name); };
    Label1 = new QLabel(QStringLiteral("ComID："), this);
    Label2 = new QLabel(QStringLiteral("BPS："), this);
    Label3 = new QLabel(QStringLiteral("校验位："), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);  // a port may also be typed, a device path included
    // Device paths are long (/dev/serial/by-id/...): the box shows a good part of one, the tooltip all.
    ComboBox1->setMinimumContentsLength(kPortBoxChars);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(ComboBox1, &QComboBox::editTextChanged, ComboBox1, &QComboBox::setToolTip);
    ComboBox2 = new QComboBox(this);
    for (uint32_t rate : kBaudRates) ComboBox2->addItem(QString::number(rate));
    ComboBox2->setCurrentIndex(kDefaultBaudIndex);
    ComboBox3 = new QComboBox(this);
    for (const char* name : kParityNames) ComboBox3->addItem(QString::fromLatin1(name));
    ComboBox3->setCurrentIndex(kDefaultParityIndex);
    SpeedButton1 = new QPushButton(QStringLiteral("OpenCom"), this);
    SpeedButton2 = new QPushButton(QStringLiteral("ClsCom"), this);
    Shape1 = new QFrame(this);
    Shape1->setFixedSize(24, 24);
    Shape1->setAutoFillBackground(true);
    CheckBox1 = new QCheckBox(QStringLiteral("USB"), this);
    if (!kShowHiddenControls) CheckBox1->setVisible(false);
    CheckBox2 = new QCheckBox(QStringLiteral("Hit"), this);
    CheckBox3 = new QCheckBox(QStringLiteral("Lock"), this);
    Timer1 = new QTimer(this);
    Timer1->setInterval(kListRefreshMs);
    // Whole-second ticks, like the main window's clock: the idle program wakes once a second.
    Timer1->setTimerType(Qt::VeryCoarseTimer);
    Comm1 = new TComm(this);
    named(Label1, "Label1");
    named(Label2, "Label2");
    named(Label3, "Label3");
    named(ComboBox1, "ComboBox1");
    named(ComboBox2, "ComboBox2");
    named(ComboBox3, "ComboBox3");
    named(SpeedButton1, "SpeedButton1");
    named(SpeedButton2, "SpeedButton2");
    named(Shape1, "Shape1");
    named(CheckBox1, "CheckBox1");
    named(CheckBox2, "CheckBox2");
    named(CheckBox3, "CheckBox3");
    named(Timer1, "Timer1");
    named(Comm1, "Comm1");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(SpeedButton1, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(ComboBox2, 1, 1);
    grid->addWidget(SpeedButton2, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(ComboBox3, 2, 1);
    grid->addWidget(Shape1, 2, 2, Qt::AlignCenter);
    grid->addWidget(CheckBox2, 3, 0);
    grid->addWidget(CheckBox3, 3, 1);
    grid->addWidget(CheckBox1, 3, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);  // fixed border

    // The port settings the terminals expect: 115200 8N1, no flow control, DTR and RTS low.
    Comm1->SetCommName("COM1");
    Comm1->SetBaudRate(115200);
    Comm1->SetParityCheck(false);
    Comm1->SetOutx_CtsFlow(false);
    Comm1->SetOutx_DsrFlow(false);
    Comm1->SetDtrControl(TDtrControl::DtrDisable);
    Comm1->SetDsrSensitivity(false);
    Comm1->SetTxContinueOnXoff(false);
    Comm1->SetOutx_XonXoffFlow(false);
    Comm1->SetInx_XonXoffFlow(false);
    Comm1->SetReplaceWhenParityError(false);
    Comm1->SetIgnoreNullChar(false);
    Comm1->SetRtsControl(TRtsControl::RtsDisable);
    Comm1->SetXonLimit(500);
    Comm1->SetXoffLimit(500);
    Comm1->SetByteSize(TByteSize::_8);
    Comm1->SetParity(TParity::None);
    Comm1->SetStopBits(TStopBits::_1);
    Comm1->SetXonChar(17);
    Comm1->SetXoffChar(19);
    Comm1->SetReplacedChar(0);
    Comm1->SetReadIntervalTimeout(100);
    Comm1->SetReadTotalTimeoutMultiplier(100);
    Comm1->SetReadTotalTimeoutConstant(100);
    Comm1->SetWriteTotalTimeoutMultiplier(10);
    Comm1->SetWriteTotalTimeoutConstant(10);
    Comm1->OnReceiveData = [this](TComm* sender, const uint8_t* buffer, uint16_t length) {
        Comm1ReceiveData(sender, buffer, length);
    };
    // A lost line is closed like a failed write, so the lamp never stays green over a dead port.
    Comm1->OnRequestHangup = [this](TComm* sender) { Comm1RequestHangup(sender); };

    portList_ = [] { return ReadSerialCommMap(); };
    sleeper_ = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };

    connect(SpeedButton1, &QPushButton::clicked, this, &TfComManage::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfComManage::SpeedButton2Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TfComManage::CheckBox1Click);
    connect(Timer1, &QTimer::timeout, this, &TfComManage::Timer1Timer);

    SetLamp(false);
    fComManage = this;
    SetLinePort(this);
    FormCreate();
    Timer1->start();
}

TfComManage::~TfComManage() {
    // Close before the members go: no event of the port may reach a half-destroyed window.
    Comm1->ClosePort();
    if (CurrentLinePort() == this) SetLinePort(nullptr);
    if (fComManage == this) fComManage = nullptr;
}

void TfComManage::SetPortListSource(PortListSource source) { portList_ = std::move(source); }

void TfComManage::SetSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }

void TfComManage::SetLamp(bool green) {
    lampGreen_ = green;
    QPalette palette = Shape1->palette();
    palette.setColor(QPalette::Window, green ? QColor(0, 255, 0) : QColor(Qt::red));
    Shape1->setPalette(palette);
}

bool TfComManage::WriteData(const uint8_t* buffer, int length) { return Comm1->WriteData(buffer, length); }

void TfComManage::CloseAndLog(const char* line) {
    if (!GlobalData.ComOpen) return;
    GlobalData.ComOpen = 0;
    SetLamp(false);
    if (Comm1->IsOpen()) LogLine(line);
    Comm1->ClosePort();
}

void TfComManage::SendErrorDeal() { CloseAndLog(kSendErrorLog); }

void TfComManage::Comm1RequestHangup(TComm*) {
    CloseAndLog(kPortLostLog);
    Comm1->ClosePort();  // also when the port was opened but never marked open
}

void TfComManage::FormCreate() {
    ComboBox1->clear();
    PortOpenedOnce = 0;
    LastPortText.clear();
    EnumSystemComInfo();
}

void TfComManage::Timer1Timer() {
    // In USB-serial mode the list holds the USB names that "OpenCom" indexes; refilling it from the
    // system list would show one port and open another.
    if (!GlobalData.ComOpen && !CheckBox1->isChecked()) EnumSystemComInfo();
}

void TfComManage::SpeedButton1Click() {
    if (GlobalData.ComOpen) {
        ShowMessageBox(QStringLiteral("请先关闭端端口!"), QString::fromUtf8(kWarningCaption),
                       MsgIcon::Warning);
        return;
    }
    std::string name;
    if (CheckBox1->isChecked()) {
        const int index = ComboBox1->currentIndex();
        // No selection counts as no port, never as a name before the first.
        if (GlobalData.UsbComCount == 0 || index < 0 || index >= GlobalData.UsbComCount) {
            ShowMessageBox(QStringLiteral("未找到有效的MTKUSB!"), QString::fromUtf8(kWarningCaption),
                           MsgIcon::Warning);
            return;
        }
        name = GlobalData.UsbComNames[static_cast<size_t>(index)];
    } else {
        name = ComboBox1->currentText().toStdString();
    }
    const PortNames names = MakePortNames(name);
    Comm1->SetCommName(names.commName);
    try {
        if (const auto rate = BaudForIndex(ComboBox2->currentIndex())) Comm1->SetBaudRate(*rate);
        if (const auto parity = ParityForIndex(ComboBox3->currentIndex())) Comm1->SetParity(*parity);
        Comm1->OpenPort();
        for (int i = 0; i < kAtGreetingCount; ++i) {
            sleeper_(kAtGreetingPauseMs);
            SendLine("AT");
        }
        GlobalData.ComOpen = kTrue32;
        SetLamp(true);
        GlobalData.ComName = names.comName;
        PortOpenedOnce = 1;
        LastPortText = ComboBox1->currentText().toStdString();
    } catch (const std::exception& error) {
        LogLine(OpenFailureLog(name, Comm1->LastOpenError(), error.what()));
        ShowMessageBox(QStringLiteral("串口打开失败!请检查所选串口.."), QString::fromUtf8(kWarningCaption),
                       MsgIcon::Warning);
        Comm1->ClosePort();
        GlobalData.ComOpen = 0;
        SetLamp(false);
    }
}

void TfComManage::SpeedButton2Click() {
    Comm1->ClosePort();
    GlobalData.ComOpen = 0;
    SetLamp(false);
}

void TfComManage::CheckBox1Click() {
    Comm1->ClosePort();
    // The port is closed, so it must not be shown or treated as open any more.
    GlobalData.ComOpen = 0;
    SetLamp(false);
    if (CheckBox1->isChecked()) {
        AddUsbComToComBox();
        Timer1->start();
    } else {
        ComboBox1->clear();
        for (int i = 1; i <= kComListSize; ++i) ComboBox1->addItem(QStringLiteral("COM%1").arg(i));
        ComboBox1->setCurrentIndex(0);
        Timer1->stop();
    }
}

void TfComManage::Comm1ReceiveData(TComm*, const uint8_t* buffer, uint16_t length) {
    if (buffer == nullptr) return;
    AtLength = std::min<int32_t>(length, kAtBufferSize);
    std::memcpy(AtBuffer.data(), buffer, static_cast<size_t>(AtLength));
    RecvRingWrite(buffer, length);
    // Bytes the component had to let go (it was handed more than it may hold) are reported with the ring's.
    RecvRingCountDropped(Comm1->TakeReceiveDropped());
    NotifyRecvRingFed();
    ATCmdAckParase();
    if (CheckBox2->isChecked()) {
        // Shown as every received text is: code page 936, zero bytes left out.
        LogLine(Cp936BytesToLogText(buffer, length));
    }
}

void TfComManage::ATCmdAckParase() {
    const AtAnswer answer = ParseAtAnswer(AtBuffer.data(), AtLength);
    if (answer.ok) SysRunInfo.AtOk = 1;
    if (answer.imeiRead) {
        SysRunInfo.ImeiRead = 1;
        SysRunInfo.Imei = answer.imei;
    }
}

void TfComManage::EnumSystemComInfo() {
    const SerialCommMap map = portList_ ? portList_() : SerialCommMap{};
    QStringList wanted;
    const bool locked = CheckBox3->isChecked() && PortOpenedOnce == 1;
    for (const auto& [valueName, port] : map) {
        const QString text = QString::fromStdString(port);
        if (!locked || port == LastPortText) wanted << text;
    }
    QStringList current;
    for (int i = 0; i < ComboBox1->count(); ++i) current << ComboBox1->itemText(i);
    // Rebuilt only when what should be listed changed, so the user's choice survives the refresh.
    if (wanted == current) return;
    ComboBox1->clear();
    if (map.empty()) {
        ComboBox1->setEditText(QString());
        return;
    }
    ComboBox1->addItems(wanted);
    if (!wanted.isEmpty()) ComboBox1->setCurrentIndex(0);
}

void TfComManage::GetMTKUsbComPortInfo() {
    const SerialCommMap map = portList_ ? portList_() : SerialCommMap{};
    GlobalData.UsbComCount = 0;
    for (int n = 0; n <= kUsbScanLast; ++n) {
        const auto port = LookupSerialComm(map, UsbSerialValueName(n));
        if (!port) break;  // the first missing value ends the scan
        if (port->empty()) continue;
        if (GlobalData.UsbComCount < static_cast<int32_t>(GlobalData.UsbComNames.size()))
            GlobalData.UsbComNames[static_cast<size_t>(GlobalData.UsbComCount++)] = *port;
    }
}

void TfComManage::AddUsbComToComBox() {
    ComboBox1->clear();
    GetMTKUsbComPortInfo();
    ComboBox1->setEditText(QString());
    for (int i = 0; i < GlobalData.UsbComCount; ++i)
        ComboBox1->addItem(QString::fromStdString(GlobalData.UsbComNames[static_cast<size_t>(i)]));
    ComboBox1->setCurrentIndex(0);
}
