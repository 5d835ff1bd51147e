#pragma once
// The USB transport of the message stack: the reader thread that fetches each encapsulated response when
// the interrupt pipe signals ResponseSemaphore, one slot thread per open client that receives the user
// service messages, and the transport operations the client layer calls.
#include <cstddef>
#include <cstdint>

#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"

namespace geolumen {

class Event;
class Semaphore;

// Transfers the reader thread reads one response with. A satellite report does not fit in 2048 bytes.
inline constexpr std::size_t kHalyxUsbReadSize = kHalyxMaxReceive;
// The reader's buffer: the read size and room to spare behind it.
inline constexpr std::size_t kHalyxReaderBufferSize = kHalyxUsbReadSize + 16;
// How long the reader waits for a slot thread to take and handle one message before it goes on; a slot
// callback only decodes and posts, so two seconds means the slot is stuck or closing. A message no slot
// took by then is dropped; one being handled stays valid (the slot holds its own reference).
inline constexpr unsigned kHalyxHandOffTimeoutMs = 2000;
// Slots that can be open at once; the driver opens one per client, and it has one client.
inline constexpr std::size_t kHalyxMaxSlots = 8;

// Receives one user-service message (message header + payload) on the slot thread.
using halyx_slot_receive = void (*)(void* data, const std::uint8_t* message, std::size_t length);

// halyx_usb_port_init: registers the USB transport with its data (a second registration is ignored).
[[nodiscard]] int halyx_usb_transport_start();

// Slots: at most one per open client.
[[nodiscard]] std::uintptr_t halyx_usb_slot_open(halyx_slot_receive callback, void* data,
                                                 halyx_usb_connection* connection);
[[nodiscard]] int halyx_usb_slot_close(std::uintptr_t handle);
// Sends a message of the location service with the location client id; 1 on success, 0 when the
// multiplexer refused it or the USB transfer failed.
[[nodiscard]] int halyx_usb_slot_send(const std::uint8_t* message, std::size_t length);

// Whether the reader thread runs, set by the driver around its start and stop. Without it no answer can
// arrive: a control exchange then ends at once instead of at its time-out, and stopping the reader ends
// the exchanges still waiting.
void halyx_usb_set_reader_running(bool running);
[[nodiscard]] bool halyx_usb_reader_running();

// Thread bodies. The reader runs until `exit` is set; it waits on `responses` (ResponseSemaphore).
void halyx_usb_reader_thread(Semaphore& responses, Event& exit);

// Reads one response into `buffer` (capacity kHalyxMaxReceive) and routes it; 1 when it is a message for
// the slot thread, with its length in `count`.
[[nodiscard]] int halyx_usb_read_one(std::uint8_t* buffer, std::size_t size, std::size_t& count);

// The transport operations table in its slot order.
[[nodiscard]] const halyx_transport_ops& halyx_usb_transport_ops();

}  // namespace geolumen
