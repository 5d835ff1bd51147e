#pragma once
// The simulated GNSS module: the peer every geolumen test talks to. It takes the host's encapsulated
// commands, records each one byte for byte, answers the control service itself (version list, client
// ids, release, sync), answers the location service through handlers that tests and the location tests
// register per message id, and queues its answers as encapsulated responses, announcing each one with an
// interrupt notification. Fault modes make it fall silent, answer late or wrongly, refuse, send malformed
// or truncated frames, or disappear.
//
// Its framing is its own (sim_frame.h), independent of the driver's codec.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "sim/sim_frame.h"

namespace geolumen::sim {

enum class FaultMode {
    None,
    Silence,           // no answer at all
    Late,              // answers are held until ReleaseHeld()
    WrongTransaction,  // answers carry another transaction id
    WrongMessageId,    // answers carry another message id
    FailureResult,     // the result TLV says failure (result and error of the fault)
    RefuseClientId,    // a get-client-id request is answered with failure and no client id
    Malformed,         // answers are broken the way `malformation` says
    Truncated,         // answers lose their last bytes, the headers unchanged
    Disconnect,        // the device is gone: transfers fail
};

enum class Malformation {
    BadInterface,     // interface type byte 2
    LengthTooLong,    // multiplex length one above the bytes
    ServiceTooHigh,   // service number 100
    Broadcast,        // client id 255
    ShortFrame,       // only the first 5 bytes
    HeaderLengthOff,  // inner header's length one above the TLV bytes
    BadTlv,           // a TLV whose length runs past the end
};

struct Fault {
    FaultMode mode = FaultMode::None;
    std::optional<std::uint8_t> service;     // only answers of this service (none: all)
    std::optional<std::uint16_t> messageId;  // only answers to this message id (none: all)
    std::uint16_t result = 1;                // FailureResult / RefuseClientId
    std::uint16_t error = 0;
    Malformation malformation = Malformation::BadInterface;
    std::size_t truncateBy = 1;  // Truncated: bytes cut from the end

    [[nodiscard]] static Fault Of(FaultMode mode, std::optional<std::uint8_t> service = std::nullopt,
                                  std::optional<std::uint16_t> messageId = std::nullopt) {
        Fault f;
        f.mode = mode;
        f.service = service;
        f.messageId = messageId;
        return f;
    }
};

struct VersionEntry {
    std::uint8_t service = 0;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
};

class SimModule {
  public:
    // A handler answers one request of a user service; it calls Respond / Indicate / Send.
    using Handler = std::function<void(SimModule& module, const SimFrame& request)>;

    SimModule();
    SimModule(const SimModule&) = delete;
    SimModule& operator=(const SimModule&) = delete;

    // --- The host side, used by the USB back end ---
    // One encapsulated command. 0, or -ENODEV when disconnected.
    [[nodiscard]] int HandleCommand(std::span<const std::uint8_t> bytes);
    // Pops the oldest queued response into `out` (cut to its size); `count` 0 when none is queued.
    // 0, or -ENODEV when disconnected.
    [[nodiscard]] int TakeResponse(std::span<std::uint8_t> out, std::size_t& count);
    // Called once for every response queued (the interrupt notification); set by the back end.
    void SetNotifier(std::function<void()> notifier);

    // --- Script ---
    void SetHandler(std::uint8_t service, std::uint16_t messageId, Handler handler);
    // Result and error of the default answer to a location-service request of this id.
    void SetResult(std::uint16_t messageId, std::uint16_t result, std::uint16_t error);
    void SetClientIdToGive(std::uint8_t clientId);
    void SetVersionList(std::vector<VersionEntry> versions);
    void SetFault(const Fault& fault);
    void ClearFault() { SetFault(Fault{}); }

    // --- Sending ---
    // Answers `request` with the same id and transaction, the result TLV first, then `tlvs`; the fault
    // applies.
    void Respond(const SimFrame& request, std::vector<SimTlv> tlvs, std::uint16_t result = 0,
                 std::uint16_t error = 0);
    // An indication of the location service to the current client (transaction 0).
    void Indicate(std::uint16_t messageId, std::vector<SimTlv> tlvs);
    // Any frame, fault applied.
    void Send(const SimFrame& frame);
    // Bytes exactly as given, no fault applied.
    void SendRaw(Bytes bytes);
    // Lets held (late) answers go out.
    void ReleaseHeld();

    // --- What the module saw ---
    [[nodiscard]] std::vector<Bytes> Received() const;
    [[nodiscard]] std::vector<SimFrame> ReceivedFrames() const;  // the ones that parsed
    // Waits until `count` commands were received; false after `timeout`.
    [[nodiscard]] bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;
    void ClearReceived();
    [[nodiscard]] std::size_t QueuedResponses() const;
    // The client id the module gave last (0: none held).
    [[nodiscard]] std::uint8_t ClientId() const;
    [[nodiscard]] bool Disconnected() const;

  private:
    void HandleControl(const SimFrame& request);
    void HandleService(const SimFrame& request);
    void Queue(Bytes bytes);
    [[nodiscard]] bool FaultApplies(const SimFrame& frame) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable received_cv_;
    std::vector<Bytes> received_;
    std::deque<Bytes> queue_;
    std::vector<Bytes> held_;
    std::function<void()> notifier_;
    std::map<std::pair<std::uint8_t, std::uint16_t>, Handler> handlers_;
    std::map<std::uint16_t, std::pair<std::uint16_t, std::uint16_t>> results_;
    std::vector<VersionEntry> versions_;
    Fault fault_;
    std::uint8_t clientIdToGive_ = 5;
    std::uint8_t clientId_ = 0;
};

}  // namespace geolumen::sim
