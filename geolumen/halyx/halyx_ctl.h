#pragma once
// The control service (service 0) of the multiplexer: version list, client id get and release, and the
// sync message sent when the multiplexer opens. Each control message carries a 6-byte header behind the
// multiplex header: kind (0 request, 1 response, 2 indication), u8 transaction id (1..255, never 0),
// u16 message id, u16 length of the TLV area.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "halyx/halyx_status.h"

namespace geolumen {

inline constexpr std::size_t kHalyxCtlHeaderSize = 6;

inline constexpr std::uint16_t kHalyxCtlGetVersionInfo = 0x21;
inline constexpr std::uint16_t kHalyxCtlGetClientId = 0x22;
inline constexpr std::uint16_t kHalyxCtlReleaseClientId = 0x23;
inline constexpr std::uint16_t kHalyxCtlSync = 0x27;

inline constexpr std::uint8_t kHalyxCtlKindRequest = 0;
inline constexpr std::uint8_t kHalyxCtlKindResponse = 1;
inline constexpr std::uint8_t kHalyxCtlKindIndication = 2;

// Owner key under which the location client asks for its client id.
inline constexpr std::uint32_t kHalyxLocationOwner = 1;
// Client ids one owner can hold per service.
inline constexpr int kHalyxClientIdsPerEntry = 8;

// A modem that stops answering must not block an open or a close for ever; five seconds is far above
// the few milliseconds a control answer takes over USB.
inline constexpr unsigned kHalyxCtlResponseTimeoutMs = 5000;

struct halyx_ctl_header {
    std::uint8_t kind = 0;
    std::uint8_t transaction_id = 0;
    std::uint16_t message_id = 0;
    std::uint16_t length = 0;

    void Write(std::uint8_t* out) const;
    // Reads the first 6 bytes; nothing when fewer are given or the kind is not 0, 1 or 2.
    [[nodiscard]] static std::optional<halyx_ctl_header> Read(std::span<const std::uint8_t> bytes);
};

// Request kinds of halyx_ctl_request.
inline constexpr int kHalyxCtlRequestGetClientId = 1;
inline constexpr int kHalyxCtlRequestReleaseClientId = 2;
inline constexpr int kHalyxCtlRequestGetVersion = 11;

struct halyx_ctl_request_desc {
    int kind = 0;
    std::uint32_t owner = 0;
    int instance = 0;
    std::uint8_t service = 0;
    std::uint8_t client_id = 0;
};

// Sends one control request and waits for its answer, at most the control time-out, and no longer than
// the multiplexer stays open. 0 when the modem answered with success; kHalyxErrArgument for a bad
// descriptor, a refused or unreadable answer; kHalyxErrTimeout; kHalyxErrSend when the send failed or the
// multiplexer stopped meanwhile.
[[nodiscard]] int halyx_ctl_request(const halyx_ctl_request_desc& desc);

[[nodiscard]] int halyx_ctl_get_version_sync();
// Asks a client id for (owner, service); on success it is the location client id when service is the
// location service.
[[nodiscard]] int halyx_ctl_get_client_id_sync(std::uint32_t owner, std::uint8_t service);
[[nodiscard]] int halyx_ctl_release_client_id_sync(std::uint32_t owner, std::uint8_t service,
                                                   std::uint8_t client_id);
// Releases the location client id if one is held; afterwards it is 0.
void halyx_release_location_client_id();
[[nodiscard]] std::uint8_t halyx_location_client_id();

// Sends the sync message 0x27 (no TLVs, no answer expected).
[[nodiscard]] int halyx_ctl_send_sync_ind(int instance);
// Handles one control message (the bytes behind the multiplex header); called under the receive lock.
void halyx_ctl_receive(int instance, std::span<const std::uint8_t> message);

// Whether the device was surprise-removed; then a release is only local. Set by the driver.
using halyx_device_removed_probe = bool (*)();
void halyx_set_device_removed_probe(halyx_device_removed_probe probe);

// Client-id lists of instance 0, for inspection.
[[nodiscard]] bool halyx_client_id_held(std::uint32_t owner, std::uint8_t service, std::uint8_t client_id);
[[nodiscard]] bool halyx_owner_registered(std::uint32_t owner);
// Client ids the owner's entries hold for the service.
[[nodiscard]] std::size_t halyx_client_id_count(std::uint32_t owner, std::uint8_t service);
// Adds a client id as a get-client-id answer does: kHalyxErrArgument for a service of 0 or above 99, or
// when the owner's entry has no free byte.
[[nodiscard]] int halyx_client_id_add(std::uint32_t owner, std::uint8_t service, std::uint8_t client_id);

// Overrides the control time-out (tests use a short one); 0 restores the default.
void halyx_ctl_set_timeout_for_test(unsigned timeoutMs);
// Fails every pending control exchange with `result` (the multiplexer stopping, the transport going away).
void halyx_ctl_cancel_pending(int result);
// Forgets client ids, owners, pending exchanges and the transaction counter.
void halyx_ctl_reset();

}  // namespace geolumen
