#pragma once
// The simulated module behind the USB target interface: control transfers go to and come from the
// module, and each response it queues completes one transfer of the continuous reader on its interrupt
// IN endpoint. By default the device has one interface with one interrupt IN endpoint; tests can describe
// other layouts to exercise the set-up checks.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/usb_target.h"
#include "sim/sim_module.h"

namespace geolumen::sim {

// Bytes of the module's interrupt notification (a response-available notification has an 8-byte header).
inline constexpr std::size_t kSimNotificationBytes = 8;

class SimUsbTarget final : public UsbTarget {
  public:
    explicit SimUsbTarget(SimModule& module);
    ~SimUsbTarget() override;

    // Replaces the interfaces the device reports (each a list of endpoints).
    void SetInterfaces(std::vector<std::vector<UsbEndpointInfo>> interfaces);
    // Makes RetrieveInterface fail for this index.
    void FailInterface(std::size_t index);
    // Completions counted while the reader was stopped are delivered on the next start, as a real pipe's
    // queued notification would be; this makes the next completion report a failure instead.
    void InjectReaderFailure(int status);
    // The cable is pulled: the module answers no transfer any more (ENODEV) and the running reader fails
    // with ENODEV, as a USB stack reports a device that has left. A module that comes back is a new one.
    void Unplug();

    [[nodiscard]] std::size_t InterfaceCount() const override;
    [[nodiscard]] int RetrieveInterface(std::size_t index, std::vector<UsbEndpointInfo>& endpoints) override;
    [[nodiscard]] int ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                      std::size_t& transferred) override;
    [[nodiscard]] int ConfigureContinuousReader(std::uint8_t endpointAddress, std::size_t transferLength,
                                                unsigned pendingReads, UsbReaderCallbacks callbacks) override;
    [[nodiscard]] int StartReader() override;
    [[nodiscard]] int StopReader() override;
    void ReleaseReader() override;

    // What the reader was configured with.
    [[nodiscard]] std::size_t ReaderTransferLength() const;
    [[nodiscard]] unsigned ReaderPendingReads() const;
    // The setup packets of every control transfer, oldest first.
    [[nodiscard]] std::vector<UsbSetupPacket> SetupPackets() const;

  private:
    void ReaderLoop();

    SimModule& module_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::vector<UsbEndpointInfo>> interfaces_;
    std::vector<std::size_t> failingInterfaces_;
    std::vector<UsbSetupPacket> setups_;
    UsbReaderCallbacks callbacks_;
    bool configured_ = false;
    std::size_t transferLength_ = 0;
    unsigned pendingReads_ = 0;
    std::size_t notifications_ = 0;
    std::optional<int> injectedFailure_;
    bool running_ = false;
    bool inCallback_ = false;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace geolumen::sim
