#include "platform/cdc_wdm_usb_target.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace geolumen {

long CdcWdmSyscalls::Read(int fd, void* buffer, std::size_t length) { return ::read(fd, buffer, length); }

long CdcWdmSyscalls::Write(int fd, const void* buffer, std::size_t length) {
    return ::write(fd, buffer, length);
}

int CdcWdmSyscalls::Poll(pollfd* fds, unsigned count, int timeoutMs) { return ::poll(fds, count, timeoutMs); }

std::chrono::steady_clock::time_point CdcWdmSyscalls::Now() { return std::chrono::steady_clock::now(); }

int CdcWdmUsbTarget::Open(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -errno;
    out = std::make_unique<CdcWdmUsbTarget>(fd);
    return 0;
}

CdcWdmUsbTarget::CdcWdmUsbTarget(int fd, std::unique_ptr<CdcWdmSyscalls> syscalls)
    : fd_(fd), sys_(syscalls ? std::move(syscalls) : std::make_unique<CdcWdmSyscalls>()) {
    // Reads must not block: "nothing waiting" is an answer of its own (0 bytes).
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
}

CdcWdmUsbTarget::~CdcWdmUsbTarget() {
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        configured_ = false;
    }
    cv_.notify_all();
    if (wake_[1] >= 0) (void)!::write(wake_[1], "q", 1);
    if (thread_.joinable()) thread_.join();
    for (int fd : {wake_[0], wake_[1], fd_}) {
        if (fd >= 0) ::close(fd);
    }
}

int CdcWdmUsbTarget::RetrieveInterface(std::size_t index, std::vector<UsbEndpointInfo>& endpoints) {
    if (index != 0) return -EINVAL;
    endpoints = {UsbEndpointInfo{kCdcWdmNotifyEndpoint, UsbPipeType::Interrupt, 16}};
    return 0;
}

int CdcWdmUsbTarget::WriteMessage(std::span<const std::uint8_t> data) {
    for (int attempt = 0; attempt < kCdcWdmEintrRetries; ++attempt) {
        const long n = sys_->Write(fd_, data.data(), data.size());
        if (n >= 0) return static_cast<std::size_t>(n) == data.size() ? 0 : -EIO;
        if (errno == EINTR) continue;
        if (errno == EAGAIN) {
            // The kernel driver takes one command at a time; wait until it can take this one.
            pollfd p{fd_, POLLOUT, 0};
            if (sys_->Poll(&p, 1, kCdcWdmRenotifyMs) <= 0) return -ETIMEDOUT;
            continue;
        }
        return -errno;
    }
    return -EINTR;
}

void CdcWdmUsbTarget::SetFrameRule(StreamFrameRule rule) {
    std::lock_guard lock(mutex_);
    if (rule != nullptr) {
        framer_.emplace(rule);
    } else {
        framer_.reset();
    }
}

long CdcWdmUsbTarget::ReadOnce() {
    long n = -1;
    for (int attempt = 0; attempt < kCdcWdmEintrRetries; ++attempt) {
        n = sys_->Read(fd_, readBuffer_.data(), readBuffer_.size());
        if (n >= 0 || errno != EINTR) break;
    }
    if (n < 0) return errno == EAGAIN ? 0 : -errno;  // nothing waiting: 0 bytes
    // End of file: a cdc-wdm device never reports it while it is there, so the file is not one (/dev/null)
    // or its far end is gone; either way nothing will ever come.
    if (n == 0) return -ENODEV;
    bytesReceived_ += static_cast<std::uint64_t>(n);
    return n;
}

int CdcWdmUsbTarget::ReadMessage(std::span<std::uint8_t> data, std::size_t& transferred) {
    bool more = false;
    {
        std::lock_guard lock(mutex_);
        if (!framer_) {
            const long n = ReadOnce();
            if (n < 0) return static_cast<int>(n);
            transferred = std::min(static_cast<std::size_t>(n), data.size());
            std::copy_n(readBuffer_.begin(), transferred, data.begin());
        } else {
            // With the reader running, reading the device is its job: it announces each frame it cut
            // out. Without it the fetch reads, and only while no whole frame waits, so that what is held
            // stays bounded.
            if (!running_ && !framer_->HasFrame()) {
                const long n = ReadOnce();
                if (n < 0) return static_cast<int>(n);
                if (n > 0) {
                    framer_->Append(
                        std::span<const std::uint8_t>(readBuffer_.data(), static_cast<std::size_t>(n)),
                        sys_->Now());
                } else {
                    framer_->DropStalled(sys_->Now());
                }
            }
            if (framer_->HasFrame()) announced_ = false;
            transferred = framer_->Take(data);
            // More bytes of the same read behind it: the reader announces the next frame, or times out
            // the partial one. Rare, as a read mostly holds one frame, so this is the only case in which
            // a fetch wakes the reader.
            more = running_ && framer_->Held() != 0;
        }
        fetched_ = true;
    }
    // Only a reader held up by bytes behind an unfetched frame waits for this; with no waiter it costs
    // no system call.
    cv_.notify_all();
    if (more) (void)!::write(wake_[1], "f", 1);
    return 0;
}

int CdcWdmUsbTarget::PartialFrameWaitMsLocked() {
    if (!framer_) return -1;
    const auto deadline = framer_->PartialDeadline();
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - sys_->Now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kCdcWdmPartialFrameTimeoutMs));
}

int CdcWdmUsbTarget::ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                     std::size_t& transferred) {
    transferred = 0;
    {
        std::lock_guard lock(mutex_);
        if (gone_) return -ENODEV;
    }
    int r = -EPIPE;
    if (setup.requestType == kSendEncapsulatedCommand.requestType &&
        setup.request == kSendEncapsulatedCommand.request) {
        r = WriteMessage(data);
        if (r == 0) transferred = data.size();
    } else if (setup.requestType == kGetEncapsulatedResponse.requestType &&
               setup.request == kGetEncapsulatedResponse.request) {
        r = ReadMessage(data, transferred);
    }
    if (r == -ENODEV) {
        std::lock_guard lock(mutex_);
        gone_ = true;
    }
    return r;
}

int CdcWdmUsbTarget::ConfigureContinuousReader(std::uint8_t endpointAddress, std::size_t transferLength,
                                               unsigned pendingReads, UsbReaderCallbacks callbacks) {
    std::lock_guard lock(mutex_);
    if (endpointAddress != kCdcWdmNotifyEndpoint || transferLength == 0 || pendingReads == 0) return -EINVAL;
    if (configured_ || wake_[0] < 0) return -EBUSY;
    callbacks_ = std::move(callbacks);
    transferLength_ = transferLength;
    configured_ = true;
    return 0;
}

int CdcWdmUsbTarget::StartReader() {
    std::lock_guard lock(mutex_);
    if (!configured_) return -EINVAL;
    if (running_) return 0;
    running_ = true;
    fetched_ = true;
    announced_ = false;  // a frame still held is announced again
    if (thread_.joinable()) thread_.join();
    thread_ = std::thread(&CdcWdmUsbTarget::ReaderLoop, this);
    return 0;
}

int CdcWdmUsbTarget::StopReader() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) return 0;
        running_ = false;
    }
    cv_.notify_all();
    (void)!::write(wake_[1], "s", 1);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    // Drain the wake-ups so that the next start polls afresh.
    char sink[16];
    while (::read(wake_[0], sink, sizeof sink) > 0) {
    }
    return 0;
}

void CdcWdmUsbTarget::ReleaseReader() {
    (void)StopReader();
    // A reader that ended by itself (the device went away) is still to be joined.
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    std::lock_guard lock(mutex_);
    configured_ = false;
    callbacks_ = {};
}

void CdcWdmUsbTarget::ReaderLoop() {
    for (;;) {
        bool gone = false;
        bool stream = false;
        bool announce = false;
        int waitMs = -1;
        {
            std::lock_guard lock(mutex_);
            if (!running_) return;
            gone = gone_;
            stream = framer_.has_value();
            if (stream && framer_->HasFrame()) {
                // A whole frame is announced once; it then waits for its fetch while the reader sleeps.
                announce = !announced_;
                announced_ = true;
            } else if (stream) {
                waitMs = PartialFrameWaitMsLocked();
            }
        }
        if (gone) {
            // A transfer found the device gone: readability means nothing any more.
            if (callbacks_.failed) (void)callbacks_.failed(-ENODEV);
            return;
        }
        if (announce) {
            if (callbacks_.completed) callbacks_.completed(transferLength_);
            continue;
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int n = sys_->Poll(fds, 2, waitMs);
        if (n == 0) {
            // Nothing came for the partial frame held: it is dropped, and any whole frame behind it is
            // announced on the next turn.
            std::lock_guard lock(mutex_);
            if (framer_) framer_->DropStalled(sys_->Now());
            continue;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (!ReaderFailed(-errno)) return;
            continue;
        }
        if (fds[1].revents != 0) {
            // A stop or a fetch that left bytes behind: the loop head decides.
            char sink[16];
            while (::read(wake_[0], sink, sizeof sink) > 0) {
            }
            continue;
        }
        // An unplugged device reports an error or hang-up (possibly with readability): it will not come back.
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            {
                std::lock_guard lock(mutex_);
                gone_ = true;
            }
            if (callbacks_.failed) (void)callbacks_.failed(-ENODEV);
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) continue;
        if (!stream) {
            NotifyAndWaitForFetch();
            continue;
        }
        const long read = ReadIntoFramer();
        if (read == -ENODEV) {
            {
                std::lock_guard lock(mutex_);
                gone_ = true;
            }
            if (callbacks_.failed) (void)callbacks_.failed(-ENODEV);
            return;
        }
        if (read < 0 && !ReaderFailed(static_cast<int>(read))) return;
    }
}

long CdcWdmUsbTarget::ReadIntoFramer() {
    std::unique_lock lock(mutex_);
    if (framer_->HasFrame()) {
        // More bytes came while the frame announced last is not fetched yet: they wait in the device until
        // it is, so that what is held stays one partial frame plus one read. If no fetch comes in time the
        // frame is announced again.
        if (!cv_.wait_for(lock, std::chrono::milliseconds(kCdcWdmRenotifyMs),
                          [this] { return !announced_ || !running_; })) {
            announced_ = false;
        }
        return 0;
    }
    const long n = ReadOnce();
    if (n > 0) {
        framer_->Append(std::span<const std::uint8_t>(readBuffer_.data(), static_cast<std::size_t>(n)),
                        sys_->Now());
    } else if (n == 0) {
        framer_->DropStalled(sys_->Now());
    }
    return n;
}

bool CdcWdmUsbTarget::ReaderFailed(int status) {
    if (!callbacks_.failed || !callbacks_.failed(status)) return false;
    // Restarted: give the cause a moment instead of spinning on it.
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(kCdcWdmRenotifyMs), [this] { return !running_; });
    return true;
}

void CdcWdmUsbTarget::NotifyAndWaitForFetch() {
    {
        std::lock_guard lock(mutex_);
        fetched_ = false;
    }
    if (callbacks_.completed) callbacks_.completed(transferLength_);
    // The file stays readable until the response is fetched; report it once and wait for the fetch.
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(kCdcWdmRenotifyMs),
                 [this] { return fetched_ || !running_; });
}

}  // namespace geolumen
