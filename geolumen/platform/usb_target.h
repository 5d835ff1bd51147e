#pragma once
// The USB device as the driver's transport sees it: the interfaces and endpoints of the active
// configuration, class control transfers on the default pipe, and a continuous reader on one interrupt IN
// endpoint. Two back ends implement it: the simulated module (geolumen/sim) and a Linux CDC WDM character
// device (cdc_wdm_usb_target.h). Results are 0 or a negative errno value.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace geolumen {

enum class UsbPipeType : std::uint8_t { Control = 0, Isochronous = 1, Bulk = 2, Interrupt = 3 };

struct UsbEndpointInfo {
    std::uint8_t address = 0;  // bit 7 set for an IN endpoint
    UsbPipeType type = UsbPipeType::Bulk;
    std::uint16_t maxPacketSize = 0;

    [[nodiscard]] bool IsIn() const { return (address & 0x80) != 0; }
};

// The standard 8-byte setup packet of a control transfer.
struct UsbSetupPacket {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
};

// Class requests of the communications class that carry the encapsulated messages.
inline constexpr UsbSetupPacket kSendEncapsulatedCommand{0x21, 0x00, 0, 0, 0};
inline constexpr UsbSetupPacket kGetEncapsulatedResponse{0xA1, 0x01, 0, 0, 0};

struct UsbReaderCallbacks {
    // A transfer of the continuous reader completed with this many bytes (the content is not used here).
    std::function<void(std::size_t bytesRead)> completed;
    // The reader failed with this status; answering true restarts it.
    std::function<bool(int status)> failed;
};

class UsbTarget {
  public:
    virtual ~UsbTarget() = default;

    // Number of interfaces of the active configuration.
    [[nodiscard]] virtual std::size_t InterfaceCount() const = 0;
    // Fills the endpoints of interface `index`; fails when the interface cannot be retrieved.
    [[nodiscard]] virtual int RetrieveInterface(std::size_t index,
                                                std::vector<UsbEndpointInfo>& endpoints) = 0;
    // A class control transfer on the default pipe, synchronous. For an IN request `data` receives the
    // data stage and `transferred` its length; for an OUT request `data` is sent. A back end that needs
    // wLength takes it from data.size() when the packet's own length is 0.
    [[nodiscard]] virtual int ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                              std::size_t& transferred) = 0;
    // Prepares a reader that keeps `pendingReads` transfers of `transferLength` bytes queued on the
    // endpoint and reports each completion; it does not run before StartReader.
    [[nodiscard]] virtual int ConfigureContinuousReader(std::uint8_t endpointAddress,
                                                        std::size_t transferLength, unsigned pendingReads,
                                                        UsbReaderCallbacks callbacks) = 0;
    // Starts the configured reader.
    [[nodiscard]] virtual int StartReader() = 0;
    // Cancels the reader's pending transfers and returns once no callback runs any more.
    [[nodiscard]] virtual int StopReader() = 0;
    // Stops the reader and forgets it with its callbacks, as deleting the pipe does: the next user of the
    // device configures a reader of its own.
    virtual void ReleaseReader() = 0;
};

}  // namespace geolumen
