#pragma once
// The framework's side of a pulled cable: it sits between the driver and the USB back end, passes every
// call through, and tells the host once when the device has gone (the interrupt reader or a transfer
// failed with "no such device", or the reader kept failing). The host then runs the surprise removal;
// the driver's own reader is not restarted against a device that is not there.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/usb_target.h"

namespace geolumen::host {

// Reader failures in a row, with no completion between them, after which the device counts as gone even
// without "no such device": a back end restarts its reader about once a second, so this is a few seconds
// of a device that answers nothing but errors.
inline constexpr unsigned kReaderFailuresBeforeGone = 5;

// True for a status that means the device itself is gone (not a transfer that failed on a present one).
[[nodiscard]] bool MeansDeviceGone(int status);

class RemovalWatch final : public UsbTarget {
  public:
    // Called once, on whichever thread found the device gone, with the failing status (negative errno).
    // It must only hand the news on: the driver's callbacks may be on the stack.
    using Gone = std::function<void(int status)>;

    RemovalWatch(std::shared_ptr<UsbTarget> inner, Gone gone);
    ~RemovalWatch() override;
    RemovalWatch(const RemovalWatch&) = delete;
    RemovalWatch& operator=(const RemovalWatch&) = delete;

    // Drops the back end once the driver has let go of the device, so that its descriptor and threads go
    // with the device even while the framework's objects still hold this one. Every call after it fails
    // with ENODEV.
    void ReleaseInner();
    // The status that told the device had gone (negative errno); 0 while it is there.
    [[nodiscard]] int GoneStatus() const;

    [[nodiscard]] std::size_t InterfaceCount() const override;
    [[nodiscard]] int RetrieveInterface(std::size_t index, std::vector<UsbEndpointInfo>& endpoints) override;
    [[nodiscard]] int ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                      std::size_t& transferred) override;
    [[nodiscard]] int ConfigureContinuousReader(std::uint8_t endpointAddress, std::size_t transferLength,
                                                unsigned pendingReads, UsbReaderCallbacks callbacks) override;
    [[nodiscard]] int StartReader() override;
    [[nodiscard]] int StopReader() override;
    void ReleaseReader() override;

  private:
    [[nodiscard]] std::shared_ptr<UsbTarget> Inner() const;
    // Records a failure; true when it means the device is gone (reported once).
    bool Failed(int status, bool fromReader);

    mutable std::mutex mutex_;
    std::shared_ptr<UsbTarget> inner_;
    Gone gone_;
    int goneStatus_ = 0;
    unsigned readerFailures_ = 0;
};

}  // namespace geolumen::host
