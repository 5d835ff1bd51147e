#pragma once
// The multiplexer at the bottom of the message stack: every message on the USB control channel travels
// behind a 6-byte multiplex header that names the service and the client. Only instance 0 is ever opened;
// messages of the control service (service 0) are handled by halyx_ctl, messages of a user service are
// handed to the open client's slot thread (halyx_usb_transport).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "halyx/halyx_services.h"
#include "halyx/halyx_status.h"
#include "platform/cdc_wdm_stream_framer.h"

namespace geolumen {

inline constexpr std::size_t kHalyxMuxHeaderSize = 6;
inline constexpr int kHalyxMuxInstanceCount = 13;
inline constexpr int kHalyxServiceCount = 100;  // service numbers 0..99 are accepted on receipt
inline constexpr std::uint8_t kHalyxBroadcastClient = 0xFF;
// Largest message the stack receives. The location service's satellite report reaches 2248 payload bytes
// (7 + 6 header bytes on top), so the 2048 bytes of the interrupt transfers are not enough here.
inline constexpr std::size_t kHalyxMaxReceive = 4096;

// Byte 0 interface type (0x01), bytes 1-2 length of what follows byte 0, byte 3 control flags,
// byte 4 service number, byte 5 client id; little-endian.
struct halyx_mux_header {
    std::uint8_t interface_type = 0x01;
    std::uint16_t length = 0;
    std::uint8_t control_flags = 0;
    std::uint8_t service = 0;
    std::uint8_t client_id = 0;

    void Write(std::uint8_t* out) const;
    // Reads the first 6 bytes; nothing when fewer are given.
    [[nodiscard]] static std::optional<halyx_mux_header> Read(std::span<const std::uint8_t> bytes);
};

// The multiplex frame layout as a stream rule; finds frame boundaries in what a character device hands
// out as a stream. Plainly, a frame starts with interface type 0x01, runs for 1 + its length field, holds
// at least its header and at most what the stack receives, and names a service it accepts. With strong
// evidence it also comes from the module (a response or an indication), to a service this driver serves
// and a client of it, its inner header's length agrees with the multiplex length, and its TLVs fill the
// body exactly.
[[nodiscard]] StreamFrameCheck halyx_mux_frame_check(std::span<const std::uint8_t> bytes,
                                                     StreamFrameEvidence evidence);

using halyx_port_receive_handler = int (*)(int instance, std::uint8_t* buffer, std::size_t count);

// The USB channel the stack talks through, handed in by the driver that owns the device, so that the stack
// never reaches up into it. `send` puts one whole frame out: 1 when it went, 0 when it did not. `receive`
// fetches one response: 1 with *transferred its byte count (0 when nothing came), 0 without `transferred`.
struct halyx_usb_port {
    int (*send)(const std::uint8_t* buffer, std::size_t length) = nullptr;
    int (*receive)(std::uint8_t* buffer, std::size_t length, std::size_t* transferred) = nullptr;
};

// Makes `port` the stack's channel; the caller keeps it alive until it is replaced. Without a port (null,
// or a member left null) a send fails and a fetch brings nothing, as with no device.
void halyx_set_usb_port(const halyx_usb_port* port);
// Sends one frame through the port: 1 when it went out.
[[nodiscard]] int halyx_usb_port_send(const std::uint8_t* buffer, std::size_t length);
// Fetches one response through the port into `buffer`; its byte count, 0 when nothing came.
[[nodiscard]] std::size_t halyx_usb_port_receive(std::uint8_t* buffer, std::size_t length);

// halyx_mux_init + halyx_mux_open_instance(0); 0 when instance 0 is open.
[[nodiscard]] int halyx_mux_start();
// Opens an instance and sends the control sync message; only instance 0 can bind the port.
[[nodiscard]] int halyx_mux_open_instance(int index);
// Closes every instance and forgets client ids, owners and pending control transactions, failing their
// waiters, so that a later halyx_mux_start finds the stack as new.
void halyx_mux_stop();
[[nodiscard]] bool halyx_mux_is_open(int index);

// Sends `length` message bytes at `message`; the 6 bytes in front of it belong to the caller and receive
// the multiplex header. 0, kHalyxErrArgument (instance above 12), kHalyxErrNotOpen, or kHalyxErrSend when
// the USB transfer failed.
[[nodiscard]] int halyx_mux_send(int instance, std::uint8_t service, std::uint8_t client_id,
                                 std::uint8_t* message, std::size_t length);
// Routes one received frame: 1 when it is a user-service message for the slot thread, 0 when it was
// handled here or dropped.
[[nodiscard]] int halyx_mux_receive(int instance, std::uint8_t* buffer, std::size_t count);
// The port's entry for a received frame of instance 0: 1 when the handler returned 1, else 0; -1 for
// another instance.
[[nodiscard]] int halyx_port_receive(std::uint8_t* buffer, std::size_t count, int index);

}  // namespace geolumen
