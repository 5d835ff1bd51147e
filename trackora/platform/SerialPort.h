// The serial port as the serial component uses it: a terminal device opened exclusively, its line
// settings and time-outs, waits that a close signal interrupts, chunked reads, whole writes, line-state
// events and purges. Built on termios, poll and the serial ioctls.
#pragma once

#include <termios.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace serial {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
enum class LineControl { On, Off, Handshake };

struct LineSettings {
    uint32_t baudRate = 9600;
    int dataBits = 8;  // 5..8
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool parityCheck = false;
    bool ctsFlow = false;  // output waits for CTS (also set by RTS handshake)
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    uint8_t xonChar = 17;
    uint8_t xoffChar = 19;
    LineControl dtr = LineControl::On;
    LineControl rts = LineControl::On;
};

// Windows-style port time-outs in milliseconds. A read waits for its first byte, then gathers bytes until
// the line has been quiet for readInterval, the buffer is full, or readTotalMultiplier * size +
// readTotalConstant has passed since the first byte. 0 switches a limit off.
struct Timeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

// Turns the settings into termios flags over a raw base; false when the baud rate has no termios speed.
[[nodiscard]] bool MakeTermios(const LineSettings& settings, termios& t);

// Line-error bits as the component reports them.
constexpr uint32_t kLineErrorOverrun = 0x0002;
constexpr uint32_t kLineErrorParity = 0x0004;
constexpr uint32_t kLineErrorFrame = 0x0008;
constexpr uint32_t kLineErrorBreak = 0x0010;
// Modem-line change bits as the component reports them.
constexpr uint32_t kModemRing = 4;
constexpr uint32_t kModemCarrier = 8;

// A manual-reset signal that every wait of the port also watches, so a close reaches a blocked thread.
class CloseSignal {
  public:
    CloseSignal() = default;
    ~CloseSignal();
    CloseSignal(const CloseSignal&) = delete;
    CloseSignal& operator=(const CloseSignal&) = delete;

    [[nodiscard]] bool Create();
    void Destroy();
    void Raise();
    [[nodiscard]] bool IsRaised() const;
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};

enum class OpenResult { Ok, CannotOpen, NotTerminal };
enum class IoStatus { Ok, Closed, HangUp, Failed };
enum class WaitResult { Readable, Closed, HangUp, Timeout, Failed };

struct LineEvents {
    uint32_t errors = 0;  // kLineError* bits seen since the last call
    uint32_t modem = 0;   // kModem* bits whose line changed since the last call
};

class SerialPort {
  public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens an existing device for read and write, exclusively; the handle must be a terminal device.
    [[nodiscard]] OpenResult Open(const std::string& path);
    // The system's error number of the last failed Open (EWOULDBLOCK: another program holds the port;
    // ENOTTY: not a terminal device), 0 after a successful one.
    int LastOpenError() const { return openError_; }
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Writes the line settings and drives DTR and RTS; false when the port refused them.
    bool ApplySettings(const LineSettings& settings);
    // Time-outs may change while the threads run: each read or write takes the values in force.
    void SetTimeouts(const Timeouts& timeouts);
    Timeouts GetTimeouts() const;

    // Waits until bytes are readable, the close signal is raised, the line hangs up, or timeoutMs passes
    // (-1: no limit).
    [[nodiscard]] WaitResult WaitReadable(const CloseSignal& close, int timeoutMs);
    // Gathers one chunk after WaitReadable said Readable (see Timeouts); count is the bytes gathered.
    struct ReadResult {
        IoStatus status;
        size_t count;
    };
    [[nodiscard]] ReadResult ReadChunk(uint8_t* buffer, size_t capacity, const CloseSignal& close);
    // Writes every byte unless the close signal is raised or the line fails.
    [[nodiscard]] IoStatus WriteAll(const uint8_t* data, size_t length, const CloseSignal& close);

    // Whether the device reports line errors or modem lines (a pseudo-terminal has neither).
    bool HasLineState() const { return icountOk_ || modemOk_; }
    LineEvents TakeLineEvents();

    void PurgeInput();
    void PurgeOutput();

  private:
    void ReadLineState(uint32_t& errorCounts, int& modemBits);

    int fd_ = -1;
    int openError_ = 0;
    std::atomic<uint32_t> readInterval_{0};
    std::atomic<uint32_t> readTotalMultiplier_{0};
    std::atomic<uint32_t> readTotalConstant_{0};
    std::atomic<uint32_t> writeTotalMultiplier_{0};
    std::atomic<uint32_t> writeTotalConstant_{0};
    bool icountOk_ = false;
    bool modemOk_ = false;
    uint32_t lastFrame_ = 0, lastOverrun_ = 0, lastParity_ = 0, lastBrk_ = 0;
    int lastModem_ = 0;
};

}  // namespace serial
