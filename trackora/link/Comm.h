// The serial component: one port, a receive thread and a transmit thread that only move bytes, and
// events that always run on the thread that owns the component (the main thread). The threads hand
// their news over as queued calls on the component's own thread.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/SerialPort.h"

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Raised by OpenPort; what() is one of the component's seven texts.
class ECommsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char kErrAlreadyOpen[] = "This serial port already opened";
inline constexpr const char kErrOpening[] = "Error opening serial port";
inline constexpr const char kErrNotComm[] = "File handle is not a comm handle ";
inline constexpr const char kErrCommBuffer[] = "Cannot setup comm buffer";
inline constexpr const char kErrEvent[] = "Unable to create event";
inline constexpr const char kErrReadThread[] = "Unable to create read thread";
inline constexpr const char kErrWriteThread[] = "Unable to create write thread";

// Largest block one receive hands over; one chunk is one OnReceiveData call.
inline constexpr size_t kReadChunkSize = 2048;
// Bytes the receive thread has read wait in one inbox for the component's thread, up to this bound: more
// than a second of the fastest line (921600 baud carries 92160 bytes a second), so a main thread busy for
// a moment loses nothing, while a terminal that floods the port cannot grow the program without end.
inline constexpr size_t kReceiveInboxLimit = 128 * 1024;

class TComm;

class TReadThread {
  public:
    TReadThread(TComm& owner, serial::SerialPort& port, const serial::CloseSignal& close, uint64_t session);
    ~TReadThread();
    TReadThread(const TReadThread&) = delete;
    TReadThread& operator=(const TReadThread&) = delete;

    void Start();  // may throw std::system_error
    void Join();

  private:
    void Execute();

    TComm& owner_;
    serial::SerialPort& port_;
    const serial::CloseSignal& close_;
    uint64_t session_;
    std::thread thread_;
};

class TWriteThread {
  public:
    TWriteThread(TComm& owner, serial::SerialPort& port, const serial::CloseSignal& close, uint64_t session,
                 std::atomic<bool>& sendDataEmpty);
    ~TWriteThread();
    TWriteThread(const TWriteThread&) = delete;
    TWriteThread& operator=(const TWriteThread&) = delete;

    void Start();  // may throw std::system_error
    void Join();
    // Queues one block; false once the thread has ended (nothing would ever write it).
    [[nodiscard]] bool Post(std::vector<uint8_t> block);

  private:
    void Execute();
    [[nodiscard]] bool WriteBuffer(const std::vector<uint8_t>& block);

    TComm& owner_;
    serial::SerialPort& port_;
    const serial::CloseSignal& close_;
    uint64_t session_;
    std::atomic<bool>& sendDataEmpty_;
    serial::CloseSignal wake_;  // raised when a block is queued
    std::mutex mutex_;
    std::deque<std::vector<uint8_t>> queue_;
    bool ended_ = false;
    std::thread thread_;
};

class TComm : public QObject {
    Q_OBJECT
  public:
    using ReceiveDataEvent = std::function<void(TComm* sender, const uint8_t* buffer, uint16_t length)>;
    using MaskEvent = std::function<void(TComm* sender, uint32_t mask)>;
    using NotifyEvent = std::function<void(TComm* sender)>;

    explicit TComm(QObject* owner = nullptr);
    ~TComm() override;

    void OpenPort();
    void ClosePort();
    bool IsOpen() const { return port_.IsOpen(); }
    // The system's error number behind the last failed OpenPort (0 when none).
    int LastOpenError() const { return port_.LastOpenError(); }
    // Queues a copy of the bytes for the transmit thread and returns before they are written.
    [[nodiscard]] bool WriteData(const uint8_t* buffer, int length);
    bool SendDataEmpty() const { return sendDataEmpty_; }
    // Bytes read from the port and let go because the inbox was full, since the last call. Counted when
    // the bytes read before them are handed over, so an OnReceiveData handler sees them at once.
    [[nodiscard]] uint64_t TakeReceiveDropped() { return std::exchange(receiveDropped_, 0); }

    ReceiveDataEvent OnReceiveData;
    MaskEvent OnReceiveError;
    MaskEvent OnModemStateChange;
    NotifyEvent OnRequestHangup;
    NotifyEvent OnSendDataEmpty;

    const std::string& CommName() const { return commName_; }
    uint32_t BaudRate() const { return baudRate_; }
    bool ParityCheck() const { return parityCheck_; }
    bool Outx_CtsFlow() const { return outxCtsFlow_; }
    bool Outx_DsrFlow() const { return outxDsrFlow_; }
    TDtrControl DtrControl() const { return dtrControl_; }
    bool DsrSensitivity() const { return dsrSensitivity_; }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    bool Outx_XonXoffFlow() const { return outxXonXoffFlow_; }
    bool Inx_XonXoffFlow() const { return inxXonXoffFlow_; }
    bool ReplaceWhenParityError() const { return replaceWhenParityError_; }
    bool IgnoreNullChar() const { return ignoreNullChar_; }
    TRtsControl RtsControl() const { return rtsControl_; }
    uint16_t XonLimit() const { return xonLimit_; }
    uint16_t XoffLimit() const { return xoffLimit_; }
    TByteSize ByteSize() const { return byteSize_; }
    TParity Parity() const { return parity_; }
    TStopBits StopBits() const { return stopBits_; }
    char XonChar() const { return xonChar_; }
    char XoffChar() const { return xoffChar_; }
    char ReplacedChar() const { return replacedChar_; }
    uint32_t ReadIntervalTimeout() const { return timeouts_.readInterval; }
    uint32_t ReadTotalTimeoutMultiplier() const { return timeouts_.readTotalMultiplier; }
    uint32_t ReadTotalTimeoutConstant() const { return timeouts_.readTotalConstant; }
    uint32_t WriteTotalTimeoutMultiplier() const { return timeouts_.writeTotalMultiplier; }
    uint32_t WriteTotalTimeoutConstant() const { return timeouts_.writeTotalConstant; }

    // CommName and Parity take effect at the next open; the others re-apply at once while open.
    void SetCommName(const std::string& v) { commName_ = v; }
    void SetParity(TParity v) { parity_ = v; }
    void SetBaudRate(uint32_t v) { SetDcb(baudRate_, v); }
    void SetParityCheck(bool v) { SetDcb(parityCheck_, v); }
    void SetOutx_CtsFlow(bool v) { SetDcb(outxCtsFlow_, v); }
    void SetOutx_DsrFlow(bool v) { SetDcb(outxDsrFlow_, v); }
    void SetDtrControl(TDtrControl v) { SetDcb(dtrControl_, v); }
    void SetDsrSensitivity(bool v) { SetDcb(dsrSensitivity_, v); }
    void SetTxContinueOnXoff(bool v) { SetDcb(txContinueOnXoff_, v); }
    void SetOutx_XonXoffFlow(bool v) { SetDcb(outxXonXoffFlow_, v); }
    void SetInx_XonXoffFlow(bool v) { SetDcb(inxXonXoffFlow_, v); }
    void SetReplaceWhenParityError(bool v) { SetDcb(replaceWhenParityError_, v); }
    void SetIgnoreNullChar(bool v);
    void SetRtsControl(TRtsControl v) { SetDcb(rtsControl_, v); }
    void SetXonLimit(uint16_t v) { SetDcb(xonLimit_, v); }
    void SetXoffLimit(uint16_t v) { SetDcb(xoffLimit_, v); }
    void SetByteSize(TByteSize v) { SetDcb(byteSize_, v); }
    void SetStopBits(TStopBits v) { SetDcb(stopBits_, v); }
    void SetXonChar(char v) { SetDcb(xonChar_, v); }
    void SetXoffChar(char v) { SetDcb(xoffChar_, v); }
    void SetReplacedChar(char v) { SetDcb(replacedChar_, v); }
    void SetReadIntervalTimeout(uint32_t v) { SetTimeout(timeouts_.readInterval, v); }
    void SetReadTotalTimeoutMultiplier(uint32_t v) { SetTimeout(timeouts_.readTotalMultiplier, v); }
    void SetReadTotalTimeoutConstant(uint32_t v) { SetTimeout(timeouts_.readTotalConstant, v); }
    void SetWriteTotalTimeoutMultiplier(uint32_t v) { SetTimeout(timeouts_.writeTotalMultiplier, v); }
    void SetWriteTotalTimeoutConstant(uint32_t v) { SetTimeout(timeouts_.writeTotalConstant, v); }

    // The line settings the properties stand for (what ApplyDcb writes).
    serial::LineSettings LineSettings() const;

  private:
    friend class TReadThread;
    friend class TWriteThread;

    template <typename T>
    void SetDcb(T& field, T value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyDcb();
    }
    void SetTimeout(uint32_t& field, uint32_t value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyTimeouts();
    }
    void ApplyDcb();
    void ApplyTimeouts();
    void StopReadThread();
    void StopWriteThread();

    // Called on the worker threads; each queues one call on the component's thread.
    // Adds read bytes to the inbox (what does not fit is counted as dropped) and, when the inbox was
    // empty, queues one DeliverInbox: a stream of reads costs the main thread one wake-up per batch.
    void PostData(uint64_t session, const uint8_t* bytes, size_t count);
    void PostError(uint64_t session, uint32_t bits);
    void PostModem(uint64_t session, uint32_t bits);
    void PostHangup(uint64_t session);
    void PostSendEmpty(uint64_t session);
    void PostIfCurrent(uint64_t session, std::function<void()> raise);
    bool IsCurrent(uint64_t session) const { return IsOpen() && session == session_; }
    // Component's thread: raises OnReceiveData for what the inbox holds, in chunks of kReadChunkSize.
    void DeliverInbox();
    void QueueDelivery();

    std::string commName_ = "COM2";
    uint32_t baudRate_ = 9600;
    bool parityCheck_ = false;
    bool outxCtsFlow_ = false;
    bool outxDsrFlow_ = false;
    TDtrControl dtrControl_ = TDtrControl::DtrEnable;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = true;
    bool outxXonXoffFlow_ = true;
    bool inxXonXoffFlow_ = true;
    bool replaceWhenParityError_ = false;
    bool ignoreNullChar_ = false;
    std::atomic<bool> dropNulls_{false};  // the receive thread's copy of IgnoreNullChar
    // Whether the receive thread looks for line errors and modem changes; fixed at opening, before the
    // thread starts. Nobody listening means no periodic look, so a quiet port never wakes the program.
    bool watchLines_ = false;
    TRtsControl rtsControl_ = TRtsControl::RtsEnable;
    uint16_t xonLimit_ = 500;
    uint16_t xoffLimit_ = 500;
    TByteSize byteSize_ = TByteSize::_8;
    TParity parity_ = TParity::None;
    TStopBits stopBits_ = TStopBits::_1;
    char xonChar_ = 17;
    char xoffChar_ = 19;
    char replacedChar_ = 0;
    serial::Timeouts timeouts_{100, 0, 0, 0, 0};

    serial::SerialPort port_;
    serial::CloseSignal close_;
    std::unique_ptr<TReadThread> readThread_;
    std::unique_ptr<TWriteThread> writeThread_;
    std::atomic<bool> sendDataEmpty_{true};
    uint64_t session_ = 0;  // counts opens, so news of an earlier port is not taken for the current one

    std::mutex inboxMutex_;  // guards the three fields below it
    std::vector<uint8_t> inbox_;
    uint64_t inboxDropped_ = 0;
    bool inboxPosted_ = false;  // a DeliverInbox is queued and has not yet taken the inbox
    // The component's thread only.
    bool delivering_ = false;
    uint64_t receiveDropped_ = 0;
};
