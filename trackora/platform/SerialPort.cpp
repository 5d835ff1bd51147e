#include "platform/SerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace serial {
namespace {

using Clock = std::chrono::steady_clock;

struct SpeedRow {
    uint32_t rate;
    speed_t speed;
};
constexpr SpeedRow kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

constexpr tcflag_t kDataBits[] = {CS5, CS6, CS7, CS8};

int PollRetry(pollfd* fds, nfds_t count, int timeoutMs) {
    for (;;) {
        const int rc = ::poll(fds, count, timeoutMs);
        if (rc >= 0 || errno != EINTR) return rc;
    }
}

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool IsHangUpErrno(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EBADF; }

}  // namespace

bool MakeTermios(const LineSettings& s, termios& t) {
    speed_t speed = 0;
    bool known = false;
    for (const auto& row : kSpeeds) {
        if (row.rate == s.baudRate) {
            speed = row.speed;
            known = true;
        }
    }
    if (!known) return false;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    const int bits = s.dataBits < 5 ? 5 : (s.dataBits > 8 ? 8 : s.dataBits);
    t.c_cflag |= kDataBits[bits - 5];
    switch (s.parity) {
        case Parity::None:
            break;
        case Parity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case Parity::Even:
            t.c_cflag |= PARENB;
            break;
        case Parity::Mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case Parity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    // Linux has no 1.5 stop bits; two is the nearest a receiver still accepts.
    if (s.stopBits != StopBits::One) t.c_cflag |= CSTOPB;
    if (s.ctsFlow || s.rts == LineControl::Handshake) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    if (s.parityCheck) t.c_iflag |= INPCK;
    if (s.xonXoffOut) t.c_iflag |= IXON;
    if (s.xonXoffIn) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    // The port is non-blocking and every wait is a poll that also watches the close signal. VMIN 1 makes
    // an empty read say EAGAIN, so a read of 0 bytes can only mean the line hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return true;
}

CloseSignal::~CloseSignal() { Destroy(); }

bool CloseSignal::Create() {
    Destroy();
    fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd_ >= 0;
}

void CloseSignal::Destroy() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void CloseSignal::Raise() {
    if (fd_ < 0) return;
    const uint64_t one = 1;
    // The counter stays non-zero (nobody reads it), so the signal stays raised for every later wait.
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

bool CloseSignal::IsRaised() const {
    if (fd_ < 0) return true;
    pollfd p{fd_, POLLIN, 0};
    return PollRetry(&p, 1, 0) > 0;
}

SerialPort::~SerialPort() { Close(); }

OpenResult SerialPort::Open(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openError_ = errno;
        return OpenResult::CannotOpen;
    }
    termios t{};
    if (!::isatty(fd) || ::tcgetattr(fd, &t) != 0) {
        ::close(fd);
        openError_ = ENOTTY;
        return OpenResult::NotTerminal;
    }
    // No sharing: the lock keeps out other programs (and a second open here) even when we run as root,
    // whom TIOCEXCL alone does not stop.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        openError_ = errno;
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    openError_ = 0;
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    uint32_t counts = 0;
    int modem = 0;
    serial_icounter_struct ic{};
    icountOk_ = ::ioctl(fd_, TIOCGICOUNT, &ic) == 0;
    modemOk_ = ::ioctl(fd_, TIOCMGET, &modem) == 0;
    ReadLineState(counts, lastModem_);
    return OpenResult::Ok;
}

void SerialPort::Close() {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the lock
    fd_ = -1;
    icountOk_ = modemOk_ = false;
}

bool SerialPort::ApplySettings(const LineSettings& settings) {
    if (fd_ < 0) return false;
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    if (!MakeTermios(settings, t)) return false;
    const bool ok = ::tcsetattr(fd_, TCSANOW, &t) == 0;
    // Modem-control lines: a device without them (a pseudo-terminal) simply refuses, which is harmless.
    const auto drive = [this](LineControl control, int bit) {
        if (control == LineControl::Handshake) return;
        ::ioctl(fd_, control == LineControl::On ? TIOCMBIS : TIOCMBIC, &bit);
    };
    drive(settings.dtr, TIOCM_DTR);
    drive(settings.rts, TIOCM_RTS);
    return ok;
}

void SerialPort::SetTimeouts(const Timeouts& t) {
    readInterval_ = t.readInterval;
    readTotalMultiplier_ = t.readTotalMultiplier;
    readTotalConstant_ = t.readTotalConstant;
    writeTotalMultiplier_ = t.writeTotalMultiplier;
    writeTotalConstant_ = t.writeTotalConstant;
}

Timeouts SerialPort::GetTimeouts() const {
    return {readInterval_, readTotalMultiplier_, readTotalConstant_, writeTotalMultiplier_,
            writeTotalConstant_};
}

WaitResult SerialPort::WaitReadable(const CloseSignal& close, int timeoutMs) {
    pollfd fds[2] = {{close.Fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
    const int rc = PollRetry(fds, 2, timeoutMs);
    if (rc < 0) return WaitResult::Failed;
    if (fds[0].revents != 0) return WaitResult::Closed;
    if (rc == 0) return WaitResult::Timeout;
    if (fds[1].revents & POLLIN) return WaitResult::Readable;
    if (fds[1].revents & POLLNVAL) return WaitResult::Failed;
    return WaitResult::HangUp;  // POLLHUP or POLLERR without data: the device went away
}

SerialPort::ReadResult SerialPort::ReadChunk(uint8_t* buffer, size_t capacity, const CloseSignal& close) {
    size_t count = 0;
    const uint32_t interval = readInterval_;
    const uint64_t total = uint64_t{readTotalMultiplier_} * capacity + readTotalConstant_;
    const bool hasTotal = readTotalMultiplier_ != 0 || readTotalConstant_ != 0;
    Clock::time_point deadline = Clock::time_point::max();
    while (count < capacity) {
        const ssize_t n = ::read(fd_, buffer + count, capacity - count);
        if (n > 0) {
            if (count == 0 && hasTotal) deadline = Clock::now() + std::chrono::milliseconds(total);
            count += static_cast<size_t>(n);
            continue;
        }
        if (n == 0) {
            // Readable with nothing to read: the other side hung up. Bytes already gathered still count.
            return {count ? IoStatus::Ok : IoStatus::HangUp, count};
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN)
            return {count ? IoStatus::Ok : (IsHangUpErrno(errno) ? IoStatus::HangUp : IoStatus::Failed),
                    count};
        if (count == 0) return {IoStatus::Ok, 0};  // woken without data: the caller waits again
        // Quiet for now: wait for the next byte no longer than the interval and the total deadline allow.
        int waitMs = interval ? static_cast<int>(interval) : -1;
        if (hasTotal) {
            const int left = MsLeft(deadline);
            if (left == 0) break;
            waitMs = waitMs < 0 ? left : std::min(waitMs, left);
        }
        pollfd fds[2] = {{close.Fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
        const int rc = PollRetry(fds, 2, waitMs);
        if (rc < 0) return {IoStatus::Failed, count};
        if (fds[0].revents != 0) return {IoStatus::Closed, count};
        if (rc == 0) break;                     // the line stayed quiet: the chunk is complete
        if (!(fds[1].revents & POLLIN)) break;  // hang-up: hand over what we have, the next wait reports it
    }
    return {IoStatus::Ok, count};
}

IoStatus SerialPort::WriteAll(const uint8_t* data, size_t length, const CloseSignal& close) {
    // A write time-out only ends one attempt and the rest is written by the next, so the write
    // time-outs change nothing here: a block stays queued until it is written or the port closes.
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, data + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return IsHangUpErrno(errno) ? IoStatus::HangUp : IoStatus::Failed;
        pollfd fds[2] = {{close.Fd(), POLLIN, 0}, {fd_, POLLOUT, 0}};
        const int rc = PollRetry(fds, 2, -1);
        if (rc < 0) return IoStatus::Failed;
        if (fds[0].revents != 0) return IoStatus::Closed;
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return IoStatus::HangUp;
    }
    return IoStatus::Ok;
}

void SerialPort::ReadLineState(uint32_t& errorCounts, int& modemBits) {
    errorCounts = 0;
    if (icountOk_) {
        serial_icounter_struct ic{};
        if (::ioctl(fd_, TIOCGICOUNT, &ic) == 0) {
            const auto delta = [](uint32_t now, uint32_t& last) {
                const bool changed = now != last;
                last = now;
                return changed;
            };
            if (delta(static_cast<uint32_t>(ic.frame), lastFrame_)) errorCounts |= kLineErrorFrame;
            if (delta(static_cast<uint32_t>(ic.overrun + ic.buf_overrun), lastOverrun_))
                errorCounts |= kLineErrorOverrun;
            if (delta(static_cast<uint32_t>(ic.parity), lastParity_)) errorCounts |= kLineErrorParity;
            if (delta(static_cast<uint32_t>(ic.brk), lastBrk_)) errorCounts |= kLineErrorBreak;
        }
    }
    if (modemOk_) {
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) == 0) modemBits = bits;
    }
}

LineEvents SerialPort::TakeLineEvents() {
    LineEvents events;
    if (fd_ < 0) return events;
    int modem = lastModem_;
    ReadLineState(events.errors, modem);
    const int changed = modem ^ lastModem_;
    if (changed & TIOCM_CD) events.modem |= kModemCarrier;
    if (changed & TIOCM_RI) events.modem |= kModemRing;
    lastModem_ = modem;
    return events;
}

void SerialPort::PurgeInput() {
    if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

void SerialPort::PurgeOutput() {
    if (fd_ >= 0) ::tcflush(fd_, TCOFLUSH);
}

}  // namespace serial
