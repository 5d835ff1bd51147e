#include "link/Comm.h"

#include <poll.h>
#include <unistd.h>

#include <QMetaObject>
#include <algorithm>
#include <array>
#include <system_error>

namespace {

// Linux offers no wait for line errors or modem-line changes that a close signal could interrupt, so
// a port that reports them is looked at this often while no bytes arrive. Fast enough for a human
// watching carrier or ring, cheap enough to cost nothing measurable.
constexpr int kLineStatePollMs = 50;

// Waits for the close signal or a wake-up, whichever comes first.
enum class QueueWait { Closed, Woken, Failed };
QueueWait WaitCloseOrWake(const serial::CloseSignal& close, const serial::CloseSignal& wake) {
    pollfd fds[2] = {{close.Fd(), POLLIN, 0}, {wake.Fd(), POLLIN, 0}};
    for (;;) {
        const int rc = ::poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0) return QueueWait::Failed;
        if (fds[0].revents != 0) return QueueWait::Closed;
        uint64_t drained = 0;
        [[maybe_unused]] const ssize_t n = ::read(wake.Fd(), &drained, sizeof drained);
        return QueueWait::Woken;
    }
}

}  // namespace

// ---- receive thread ----

TReadThread::TReadThread(TComm& owner, serial::SerialPort& port, const serial::CloseSignal& close,
                         uint64_t session)
    : owner_(owner), port_(port), close_(close), session_(session) {}

TReadThread::~TReadThread() { Join(); }

void TReadThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TReadThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void TReadThread::Execute() {
    std::array<uint8_t, kReadChunkSize> buffer{};
    const bool watchLines = owner_.watchLines_ && port_.HasLineState();
    const int waitMs = watchLines ? kLineStatePollMs : -1;
    bool running = true;
    while (running) {
        switch (port_.WaitReadable(close_, waitMs)) {
            case serial::WaitResult::Closed:
                running = false;
                break;
            case serial::WaitResult::HangUp:
            case serial::WaitResult::Failed:
                owner_.PostHangup(session_);
                running = false;
                break;
            case serial::WaitResult::Timeout:
                break;
            case serial::WaitResult::Readable: {
                const auto result = port_.ReadChunk(buffer.data(), buffer.size(), close_);
                size_t count = result.count;
                if (owner_.dropNulls_)
                    count = static_cast<size_t>(std::remove(buffer.begin(), buffer.begin() + count, 0) -
                                                buffer.begin());
                // A read that ends with nothing (a quiet line) is simply waited out again: only real
                // bytes are handed over, and silence never stops reception.
                if (count > 0 && result.status != serial::IoStatus::Closed)
                    owner_.PostData(session_, buffer.data(), count);
                if (result.status == serial::IoStatus::Closed) running = false;
                if (result.status == serial::IoStatus::HangUp || result.status == serial::IoStatus::Failed) {
                    owner_.PostHangup(session_);
                    running = false;
                }
                break;
            }
        }
        if (running && watchLines) {
            const serial::LineEvents events = port_.TakeLineEvents();
            if (events.errors) owner_.PostError(session_, events.errors);
            if (events.modem) owner_.PostModem(session_, events.modem);
        }
    }
    port_.PurgeInput();
}

// ---- transmit thread ----

TWriteThread::TWriteThread(TComm& owner, serial::SerialPort& port, const serial::CloseSignal& close,
                           uint64_t session, std::atomic<bool>& sendDataEmpty)
    : owner_(owner), port_(port), close_(close), session_(session), sendDataEmpty_(sendDataEmpty) {}

TWriteThread::~TWriteThread() { Join(); }

void TWriteThread::Start() {
    if (!wake_.Create()) throw std::system_error(errno, std::generic_category(), "wake signal");
    thread_ = std::thread([this] { Execute(); });
}

void TWriteThread::Join() {
    if (thread_.joinable()) thread_.join();
}

bool TWriteThread::Post(std::vector<uint8_t> block) {
    {
        std::lock_guard lock(mutex_);
        if (ended_) return false;
        queue_.push_back(std::move(block));
    }
    wake_.Raise();
    return true;
}

bool TWriteThread::WriteBuffer(const std::vector<uint8_t>& block) {
    const serial::IoStatus status = port_.WriteAll(block.data(), block.size(), close_);
    if (status == serial::IoStatus::HangUp || status == serial::IoStatus::Failed) owner_.PostHangup(session_);
    return status == serial::IoStatus::Ok;
}

void TWriteThread::Execute() {
    bool emptyNoticeDue = true;  // the first notice goes out at start
    for (;;) {
        std::vector<uint8_t> block;
        bool taken = false;
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                block = std::move(queue_.front());
                queue_.pop_front();
                taken = true;
            }
        }
        if (!taken) {
            sendDataEmpty_ = true;
            if (emptyNoticeDue) {
                owner_.PostSendEmpty(session_);
                emptyNoticeDue = false;
            }
            const QueueWait wait = WaitCloseOrWake(close_, wake_);
            if (wait == QueueWait::Closed) break;
            if (wait == QueueWait::Failed) {
                owner_.PostHangup(session_);
                break;
            }
            continue;
        }
        if (close_.IsRaised()) break;
        if (!WriteBuffer(block)) break;
        emptyNoticeDue = true;
    }
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        queue_.clear();
    }
    port_.PurgeOutput();
    sendDataEmpty_ = true;
}

// ---- the component ----

TComm::TComm(QObject* owner) : QObject(owner) {}

TComm::~TComm() {
    // Threads must never outlive the component they post to.
    ClosePort();
}

serial::LineSettings TComm::LineSettings() const {
    serial::LineSettings s;
    s.baudRate = baudRate_;
    s.dataBits = static_cast<int>(byteSize_) + 5;
    s.parity = static_cast<serial::Parity>(parity_);
    s.stopBits = static_cast<serial::StopBits>(stopBits_);
    s.parityCheck = parityCheck_;
    s.ctsFlow = outxCtsFlow_;
    s.xonXoffOut = outxXonXoffFlow_;
    s.xonXoffIn = inxXonXoffFlow_;
    s.xonChar = static_cast<uint8_t>(xonChar_);
    s.xoffChar = static_cast<uint8_t>(xoffChar_);
    s.dtr = dtrControl_ == TDtrControl::DtrEnable    ? serial::LineControl::On
            : dtrControl_ == TDtrControl::DtrDisable ? serial::LineControl::Off
                                                     : serial::LineControl::Handshake;
    // Linux has no RTS toggle-while-sending; holding RTS up is what such a device sees between frames.
    s.rts = rtsControl_ == TRtsControl::RtsDisable     ? serial::LineControl::Off
            : rtsControl_ == TRtsControl::RtsHandshake ? serial::LineControl::Handshake
                                                       : serial::LineControl::On;
    return s;
}

void TComm::SetIgnoreNullChar(bool v) {
    SetDcb(ignoreNullChar_, v);
    dropNulls_ = ignoreNullChar_;
}

void TComm::ApplyDcb() { (void)port_.ApplySettings(LineSettings()); }

void TComm::ApplyTimeouts() { port_.SetTimeouts(timeouts_); }

void TComm::OpenPort() {
    if (IsOpen()) throw ECommsError(kErrAlreadyOpen);
    switch (port_.Open(commName_)) {
        case serial::OpenResult::Ok:
            break;
        case serial::OpenResult::CannotOpen:
            throw ECommsError(kErrOpening);
        case serial::OpenResult::NotTerminal:
            throw ECommsError(kErrNotComm);
    }
    // The driver's own queues are sized by the kernel; there is nothing to set up, so kErrCommBuffer
    // cannot happen here.
    sendDataEmpty_ = true;
    dropNulls_ = ignoreNullChar_;
    watchLines_ = OnReceiveError != nullptr || OnModemStateChange != nullptr;
    ApplyTimeouts();
    ApplyDcb();
    if (!close_.Create()) {
        port_.Close();
        throw ECommsError(kErrEvent);
    }
    ++session_;
    readThread_ = std::make_unique<TReadThread>(*this, port_, close_, session_);
    try {
        readThread_->Start();
    } catch (const std::system_error&) {
        readThread_.reset();
        close_.Destroy();
        port_.Close();
        throw ECommsError(kErrReadThread);
    }
    writeThread_ = std::make_unique<TWriteThread>(*this, port_, close_, session_, sendDataEmpty_);
    try {
        writeThread_->Start();
    } catch (const std::system_error&) {
        writeThread_.reset();
        StopReadThread();
        close_.Destroy();
        port_.Close();
        throw ECommsError(kErrWriteThread);
    }
}

void TComm::StopReadThread() {
    if (!readThread_) return;
    close_.Raise();
    port_.PurgeInput();
    // Every wait of the thread watches the close signal, so the join ends promptly; a thread that still
    // runs is never freed under itself.
    readThread_->Join();
    readThread_.reset();
}

void TComm::StopWriteThread() {
    if (!writeThread_) return;
    close_.Raise();
    port_.PurgeOutput();
    sendDataEmpty_ = true;
    writeThread_->Join();
    writeThread_.reset();
}

void TComm::ClosePort() {
    if (!IsOpen()) return;
    StopReadThread();
    StopWriteThread();
    close_.Destroy();
    port_.Close();
}

bool TComm::WriteData(const uint8_t* buffer, int length) {
    // The length travels as 16 bits; nothing longer, nothing empty.
    if (buffer == nullptr || length <= 0 || length > 0xFFFF || !writeThread_) return false;
    sendDataEmpty_ = false;
    if (!writeThread_->Post(std::vector<uint8_t>(buffer, buffer + length))) {
        sendDataEmpty_ = true;
        return false;
    }
    return true;
}

void TComm::PostData(uint64_t session, const uint8_t* bytes, size_t count) {
    (void)session;  // bytes that arrived are handed over even if the port closed meanwhile
    bool post = false;
    {
        std::lock_guard lock(inboxMutex_);
        const size_t kept = std::min(count, kReceiveInboxLimit - std::min(inbox_.size(), kReceiveInboxLimit));
        inbox_.insert(inbox_.end(), bytes, bytes + kept);
        // A full inbox always has a DeliverInbox queued, which takes this count with the bytes before it.
        inboxDropped_ += count - kept;
        post = !inboxPosted_ && !inbox_.empty();
        if (post) inboxPosted_ = true;
    }
    if (post) QueueDelivery();
}

void TComm::QueueDelivery() {
    QMetaObject::invokeMethod(
        this, [this] { DeliverInbox(); }, Qt::QueuedConnection);
}

void TComm::DeliverInbox() {
    if (delivering_) {
        // A handler ran the event loop: newer bytes wait until the older ones are all handed over.
        QueueDelivery();
        return;
    }
    std::vector<uint8_t> bytes;
    {
        std::lock_guard lock(inboxMutex_);
        bytes.swap(inbox_);
        receiveDropped_ += std::exchange(inboxDropped_, 0);
        inboxPosted_ = false;
    }
    // Taken once per call: bytes that come meanwhile get their own call, so a flood never keeps the
    // component's thread from its timers.
    delivering_ = true;
    for (size_t at = 0; at < bytes.size() && OnReceiveData; at += kReadChunkSize) {
        const size_t length = std::min(kReadChunkSize, bytes.size() - at);
        OnReceiveData(this, bytes.data() + at, static_cast<uint16_t>(length));
    }
    delivering_ = false;
}

void TComm::PostError(uint64_t session, uint32_t bits) {
    PostIfCurrent(session, [this, bits] {
        if (OnReceiveError) OnReceiveError(this, bits);
    });
}

void TComm::PostModem(uint64_t session, uint32_t bits) {
    PostIfCurrent(session, [this, bits] {
        if (OnModemStateChange) OnModemStateChange(this, bits);
    });
}

void TComm::PostHangup(uint64_t session) {
    PostIfCurrent(session, [this] {
        if (OnRequestHangup) OnRequestHangup(this);
    });
}

void TComm::PostSendEmpty(uint64_t session) {
    (void)session;  // a drained queue is news even for a port closed since
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (OnSendDataEmpty) OnSendDataEmpty(this);
        },
        Qt::QueuedConnection);
}

void TComm::PostIfCurrent(uint64_t session, std::function<void()> raise) {
    // Line news of a port closed (or replaced) since it was posted must not act on the current one.
    QMetaObject::invokeMethod(
        this,
        [this, session, raise = std::move(raise)] {
            if (IsCurrent(session)) raise();
        },
        Qt::QueuedConnection);
}
