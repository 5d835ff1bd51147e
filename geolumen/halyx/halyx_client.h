#pragma once
// Client handles of the message stack. A user of a service opens a halyx_client on a service instance,
// sends requests as in-memory structures (encoded to TLVs behind the 7-byte message header), gets each
// response matched to its request by transaction id, and receives indications through a callback. The
// layer knows nothing of any one service: all service knowledge comes from the description it is given.
//
// Every message in either direction is written to the debug output as one line:
//   "Zorvic TX: %s txn: 0x%x msg_id: 0x%x len: %d\n" and "Zorvic RX: ..." with the same fields.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "halyx/halyx_status.h"
#include "halyx/halyx_transport.h"
#include "halyx/tlv_codec.h"

namespace geolumen {

struct halyx_service_desc;
struct halyx_client;
class Event;

inline constexpr std::size_t kHalyxMessageHeaderSize = 7;

inline constexpr std::uint8_t kHalyxMsgRequest = 0;
inline constexpr std::uint8_t kHalyxMsgResponse = 2;
inline constexpr std::uint8_t kHalyxMsgIndication = 4;

// Message kinds inside the layer are the codec's (kHalyxKindRequest, ...); the header type is twice the kind.

// Byte 0 type, bytes 1-2 transaction id (0 in indications), 3-4 message id, 5-6 payload length.
struct halyx_message_header {
    std::uint8_t type = 0;
    std::uint16_t transaction_id = 0;
    std::uint16_t message_id = 0;
    std::uint16_t length = 0;

    void Write(std::uint8_t* out) const;
    [[nodiscard]] static std::optional<halyx_message_header> Read(std::span<const std::uint8_t> bytes);
};

using halyx_indication_cb = void (*)(halyx_client* client, std::uint16_t message_id, const void* payload,
                                     std::uint32_t length, void* data);
using halyx_error_cb = void (*)(halyx_client* client, int error, void* data);
// Asynchronous completions: the response (decoded, or its raw payload) and the result.
using halyx_decode_cb = void (*)(halyx_client* client, std::uint16_t message_id, void* response,
                                 std::uint32_t length, void* data, int result);
using halyx_raw_cb = void (*)(halyx_client* client, std::uint16_t message_id, const void* payload,
                              std::uint32_t length, void* data, int result);

// What a service watcher sets once a transport reports the service present.
struct halyx_signal {
    Event* event = nullptr;  // created by halyx_watch_service, closed by halyx_close_client
};

// 0 when at least one instance exists, kHalyxErrSend when none, kHalyxErrArgument for a bad argument;
// description errors pass through. At most *capacity entries are written into `instances`; the number
// written comes back through `capacity`, the number found through `count`.
[[nodiscard]] int halyx_find_service_instances(const halyx_service_desc* desc,
                                               halyx_service_instance* instances, std::uint32_t* capacity,
                                               std::uint32_t* count);
[[nodiscard]] int halyx_open_client(const halyx_service_instance* instance, const halyx_service_desc* desc,
                                    halyx_indication_cb indication, void* indication_data,
                                    halyx_client** out);
[[nodiscard]] int halyx_watch_service(const halyx_service_desc* desc, halyx_signal* signal,
                                      halyx_client** out);
[[nodiscard]] int halyx_set_error_handler(halyx_client* client, halyx_error_cb callback, void* data);
// Sends a request and waits for its response, decoded into `response`; timeout_ms 0 waits without limit
// (but never past the client's close). Any number of threads may wait on one client at a time.
[[nodiscard]] int halyx_request_and_wait(halyx_client* client, std::uint16_t message_id, const void* request,
                                         std::uint32_t request_length, void* response,
                                         std::uint32_t response_length, std::uint32_t timeout_ms);
// Sends a request whose response is delivered to `callback` on the receive thread; the response buffer
// must stay valid until the callback ran or the client was closed.
[[nodiscard]] int halyx_request_async(halyx_client* client, std::uint16_t message_id, const void* request,
                                      std::uint32_t request_length, void* response,
                                      std::uint32_t response_length, halyx_decode_cb callback, void* data);
[[nodiscard]] int halyx_request_raw_async(halyx_client* client, std::uint16_t message_id, const void* request,
                                          std::uint32_t request_length, void* response,
                                          std::uint32_t response_length, halyx_raw_cb callback, void* data);
[[nodiscard]] int halyx_decode_message(halyx_client* client, int kind, std::uint16_t message_id,
                                       const void* payload, std::uint32_t length, void* output,
                                       std::uint32_t output_length);
int halyx_close_client(halyx_client* client);
// The transport's receive entry, on the slot thread: one message (header + payload).
int halyx_client_receive(halyx_client* client, const std::uint8_t* message, std::size_t length);
// One connection of the client closed (called by the transport's close).
void halyx_client_connection_closed(halyx_client* client);
// The service went away: later error handlers are called at once with kHalyxErrSend.
void halyx_client_service_lost(halyx_client* client);
// Whether the last synchronous wait of this client ran out.
[[nodiscard]] bool halyx_client_timed_out(const halyx_client* client);
[[nodiscard]] const char* halyx_kind_name(int type);

}  // namespace geolumen
