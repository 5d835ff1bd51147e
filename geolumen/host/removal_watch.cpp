#include "host/removal_watch.h"

#include <cerrno>

namespace geolumen::host {

bool MeansDeviceGone(int status) {
    // ENODEV: the kernel driver's answer for an unplugged device (and ours for a hang-up); ENXIO and
    // ESHUTDOWN are what the USB core says of a device being disconnected.
    return status == -ENODEV || status == -ENXIO || status == -ESHUTDOWN;
}

RemovalWatch::RemovalWatch(std::shared_ptr<UsbTarget> inner, Gone gone)
    : inner_(std::move(inner)), gone_(std::move(gone)) {}

RemovalWatch::~RemovalWatch() { ReleaseInner(); }

void RemovalWatch::ReleaseInner() {
    std::shared_ptr<UsbTarget> inner;
    {
        std::lock_guard lock(mutex_);
        inner.swap(inner_);
        gone_ = nullptr;
    }
    // Outside the lock: its reader may be failing into Failed() right now and must be let finish.
    if (inner) inner->ReleaseReader();
}

int RemovalWatch::GoneStatus() const {
    std::lock_guard lock(mutex_);
    return goneStatus_;
}

std::shared_ptr<UsbTarget> RemovalWatch::Inner() const {
    std::lock_guard lock(mutex_);
    return inner_;
}

bool RemovalWatch::Failed(int status, bool fromReader) {
    Gone gone;
    {
        std::lock_guard lock(mutex_);
        if (fromReader) ++readerFailures_;
        const bool isGone = MeansDeviceGone(status) || readerFailures_ >= kReaderFailuresBeforeGone;
        if (!isGone) return false;
        if (goneStatus_ != 0) return true;
        goneStatus_ = status < 0 ? status : -EIO;
        gone = gone_;
    }
    if (gone) gone(status);
    return true;
}

std::size_t RemovalWatch::InterfaceCount() const {
    const auto inner = Inner();
    return inner ? inner->InterfaceCount() : 0;
}

int RemovalWatch::RetrieveInterface(std::size_t index, std::vector<UsbEndpointInfo>& endpoints) {
    const auto inner = Inner();
    return inner ? inner->RetrieveInterface(index, endpoints) : -ENODEV;
}

int RemovalWatch::ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                  std::size_t& transferred) {
    transferred = 0;
    const auto inner = Inner();
    if (!inner) return -ENODEV;
    const int status = inner->ControlTransfer(setup, data, transferred);
    if (status != 0) (void)Failed(status, false);
    return status;
}

int RemovalWatch::ConfigureContinuousReader(std::uint8_t endpointAddress, std::size_t transferLength,
                                            unsigned pendingReads, UsbReaderCallbacks callbacks) {
    const auto inner = Inner();
    if (!inner) return -ENODEV;
    UsbReaderCallbacks watched;
    watched.completed = [this, completed = std::move(callbacks.completed)](std::size_t bytes) {
        {
            std::lock_guard lock(mutex_);
            readerFailures_ = 0;
        }
        if (completed) completed(bytes);
    };
    watched.failed = [this, failed = std::move(callbacks.failed)](int status) {
        // The driver hears of it (it keeps the status) but a gone device's reader stays stopped.
        const bool restart = failed ? failed(status) : false;
        return !Failed(status, true) && restart;
    };
    return inner->ConfigureContinuousReader(endpointAddress, transferLength, pendingReads,
                                            std::move(watched));
}

int RemovalWatch::StartReader() {
    const auto inner = Inner();
    return inner ? inner->StartReader() : -ENODEV;
}

int RemovalWatch::StopReader() {
    const auto inner = Inner();
    return inner ? inner->StopReader() : 0;
}

void RemovalWatch::ReleaseReader() {
    if (const auto inner = Inner()) inner->ReleaseReader();
    std::lock_guard lock(mutex_);
    readerFailures_ = 0;
}

}  // namespace geolumen::host
