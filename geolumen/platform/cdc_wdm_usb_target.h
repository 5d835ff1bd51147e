#pragma once
// The USB target on a Linux character device of the USB CDC WDM class (/dev/cdc-wdmN): the kernel driver
// owns the device's descriptors and pipes and offers the encapsulated-command channel as a file. A write
// is one SEND_ENCAPSULATED_COMMAND, a read is one GET_ENCAPSULATED_RESPONSE, and the file becoming
// readable stands for the interrupt pipe's response-available notification. The device is reported as
// one interface with one interrupt IN endpoint, which is what the kernel driver binds to.
#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/cdc_wdm_stream_framer.h"
#include "platform/usb_target.h"

namespace geolumen {

// System calls of the back end, replaceable so that tests can inject EINTR, EIO and ENODEV.
struct CdcWdmSyscalls {
    virtual ~CdcWdmSyscalls() = default;
    virtual long Read(int fd, void* buffer, std::size_t length);
    virtual long Write(int fd, const void* buffer, std::size_t length);
    // poll() for readability of fd and of the wake-up descriptor; returns poll's result.
    virtual int Poll(pollfd* fds, unsigned count, int timeoutMs);
    // The clock that times a partial frame out.
    virtual std::chrono::steady_clock::time_point Now();
};

// The interrupt endpoint the back end reports (the notification endpoint of a communications interface).
inline constexpr std::uint8_t kCdcWdmNotifyEndpoint = 0x81;
// How long the reader waits for a reported response to be fetched before it looks at the file again;
// the message stack fetches within milliseconds, so after this the notification is given again.
inline constexpr int kCdcWdmRenotifyMs = 1000;
// Attempts of one read or write interrupted by a signal before giving up.
inline constexpr int kCdcWdmEintrRetries = 8;
// One read takes up to this much: the kernel driver's own response buffer is smaller.
inline constexpr std::size_t kCdcWdmReadSize = 8192;

class CdcWdmUsbTarget final : public UsbTarget {
  public:
    // Opens the device file (read-write, non-blocking); Open reports the errno.
    [[nodiscard]] static int Open(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out);
    // Takes ownership of an open descriptor that keeps message boundaries (a device file, or a
    // sequenced-packet socket standing in for it).
    explicit CdcWdmUsbTarget(int fd, std::unique_ptr<CdcWdmSyscalls> syscalls = nullptr);
    ~CdcWdmUsbTarget() override;
    CdcWdmUsbTarget(const CdcWdmUsbTarget&) = delete;
    CdcWdmUsbTarget& operator=(const CdcWdmUsbTarget&) = delete;

    // The kernel driver hands out a byte stream: one read can return part of a message, several, or a
    // message and the start of the next. With a frame rule each transfer hands out one whole frame, the
    // bytes of a partial frame are kept until it is complete, and every complete frame is announced with
    // its own notification. Without one (a descriptor that keeps boundaries), a read is one message.
    void SetFrameRule(StreamFrameRule rule);
    // Bytes read from the device since it was opened: 0 means the module never answered.
    [[nodiscard]] std::uint64_t BytesReceived() const { return bytesReceived_; }

    [[nodiscard]] std::size_t InterfaceCount() const override { return 1; }
    [[nodiscard]] int RetrieveInterface(std::size_t index, std::vector<UsbEndpointInfo>& endpoints) override;
    [[nodiscard]] int ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                      std::size_t& transferred) override;
    [[nodiscard]] int ConfigureContinuousReader(std::uint8_t endpointAddress, std::size_t transferLength,
                                                unsigned pendingReads, UsbReaderCallbacks callbacks) override;
    [[nodiscard]] int StartReader() override;
    [[nodiscard]] int StopReader() override;
    void ReleaseReader() override;

  private:
    void ReaderLoop();
    void NotifyAndWaitForFetch();
    // The reader's read of the device into the framer: the count (0: nothing read) or -errno.
    [[nodiscard]] long ReadIntoFramer();
    // A failure of the reader's own poll or read: false when the reader is to end.
    [[nodiscard]] bool ReaderFailed(int status);
    [[nodiscard]] int WriteMessage(std::span<const std::uint8_t> data);
    [[nodiscard]] int ReadMessage(std::span<std::uint8_t> data, std::size_t& transferred);
    // One read of what the device holds into readBuffer_; the count (0: nothing waiting) or -errno.
    [[nodiscard]] long ReadOnce();
    // How long the reader may sleep before a partial frame is due to be dropped; -1: no limit.
    [[nodiscard]] int PartialFrameWaitMsLocked();

    int fd_ = -1;
    int wake_[2] = {-1, -1};  // pipe that ends the reader's poll
    std::unique_ptr<CdcWdmSyscalls> sys_;
    std::mutex mutex_;
    std::condition_variable cv_;
    UsbReaderCallbacks callbacks_;
    bool configured_ = false;
    std::size_t transferLength_ = 0;
    bool running_ = false;
    bool fetched_ = false;    // a response was read since the last notification
    bool announced_ = false;  // the whole frame at the framer's front was announced and not fetched yet
    std::optional<CdcWdmStreamFramer> framer_;
    std::vector<std::uint8_t> readBuffer_ = std::vector<std::uint8_t>(kCdcWdmReadSize);
    std::atomic<std::uint64_t> bytesReceived_{0};
    bool gone_ = false;  // the device reported ENODEV
    std::thread thread_;
};

}  // namespace geolumen
