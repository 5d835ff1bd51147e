// Table-driven TLV encoder and decoder of Halyx message payloads.
//
// A message payload is TLVs back to back: u8 type, u16 little-endian length, value. Types 0x01..0x0F are
// mandatory in a message, 0x10 and above optional. Every message also has an in-memory structure, and a
// service description says, per message, how the two correspond (a byte-coded element list, see
// idl_format.h). One walker encodes and one decodes every message; there is no code per message.
//
// Decoder contract (the payload is untrusted, the description is trusted):
// - it never reads past the payload or a TLV's length and never writes past the output structure;
// - the output structure is zeroed first, then each known TLV is decoded from exactly its value bytes
//   (bytes missing or left over are a length error);
// - an unknown optional TLV (type 0x10 or above) is skipped, an unknown mandatory one is an error;
// - a TLV type seen twice and a missing mandatory TLV are errors (a response whose result TLV 0x02 says
//   failure may omit its other mandatory TLVs);
// - after a successful decode no array count or string length exceeds its element's maximum;
// - the first error ends the call; the structure may then hold a partial result and must not be used.
#pragma once

#include <cstdint>

namespace geolumen {

// Message kinds as the codec and the descriptions number them.
inline constexpr std::uint32_t kHalyxKindRequest = 0;
inline constexpr std::uint32_t kHalyxKindResponse = 1;
inline constexpr std::uint32_t kHalyxKindIndication = 2;

// Result codes of the codec and the description accessors (0 = success).
inline constexpr int kHalyxIdlOk = 0;
// Encoding: under 3 bytes of room for a TLV header. Decoding: output smaller than the structure.
inline constexpr int kHalyxIdlErrBufferTooSmall = -41;
// An array count or string length above the element's maximum.
inline constexpr int kHalyxIdlErrArrayOverflow = -42;
// The message id is not in the description's table for that kind.
inline constexpr int kHalyxIdlErrUnknownMessage = -43;
// A TLV type occurs twice in one message (decoding).
inline constexpr int kHalyxIdlErrDuplicateTlv = -44;
// No room for a value (encoding); a TLV cut short, longer than the message, shorter than its element
// needs, or with bytes left over (decoding).
inline constexpr int kHalyxIdlErrLength = -45;
// A mandatory TLV is missing (decoding).
inline constexpr int kHalyxIdlErrMissingTlv = -46;
// No description, kind above 2, no buffer, or a description that points outside its own tables.
inline constexpr int kHalyxIdlErrBadArgument = -47;
// The description's library version is outside 1..5.
inline constexpr int kHalyxIdlErrBadVersion = -48;
// An unknown TLV type below 0x10 (decoding).
inline constexpr int kHalyxIdlErrUnknownTlv = -49;

// Description library versions this codec reads; versions above 4 may chain to a parent description.
inline constexpr std::uint32_t kHalyxLibraryVersionMin = 1;
inline constexpr std::uint32_t kHalyxLibraryVersionMax = 5;
inline constexpr std::uint32_t kHalyxParentLibraryVersion = 5;

// In-memory size of a structure and its byte-coded element list (null: a message without TLVs).
// The same form describes a message and a structure type.
struct halyx_message_desc {
    std::uint32_t size;
    const std::uint8_t* elements;
};

// A table of structure types and message descriptions. Type references inside its element lists name a
// type index and an index into `tables` (this table's list of type tables).
struct halyx_type_table {
    std::uint16_t type_count;
    std::uint16_t message_count;
    std::uint32_t table_version;  // always 1
    const halyx_message_desc* types;
    const halyx_message_desc* messages;
    const halyx_type_table* const* tables;
    std::uint32_t table_count;  // entries in `tables`
};

// One message of a kind. desc_index: high byte = index into the service type table's list of tables,
// low byte = message description in that table.
struct halyx_message_table {
    std::uint16_t msg_id;
    std::uint16_t desc_index;
    std::uint16_t max_length;  // the most payload bytes an encoding of this message can take
};

// A service's description: what the codec and the client layer know of a service.
struct halyx_service_desc {
    std::uint32_t library_version;
    std::uint32_t idl_major;
    std::uint32_t service;
    std::uint32_t max_message_length;
    std::uint16_t request_count;
    std::uint16_t response_count;
    std::uint16_t indication_count;
    const halyx_message_table* requests;
    const halyx_message_table* responses;
    const halyx_message_table* indications;
    const halyx_type_table* type_table;
    const halyx_service_desc* parent;  // read only for library versions above 4
};

// Encodes the in-memory structure `in` of message (kind, msg_id) into out[0..out_len) and stores the
// number of bytes written in *encoded_len. Returns 0 or one of the codes above.
[[nodiscard]] int halyx_encode_tlvs(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                                    const void* in, std::uint8_t* out, std::uint32_t out_len,
                                    std::uint32_t* encoded_len);

// Decodes payload[0..payload_len) of message (kind, msg_id) into the structure `out` of out_len bytes.
// Returns 0 or one of the codes above.
[[nodiscard]] int halyx_decode_tlvs(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                                    const std::uint8_t* payload, std::uint32_t payload_len, void* out,
                                    std::uint32_t out_len);

// Declares that a description and every table it reaches are in static storage and never change, as the
// location service's are: the decoder then knows the indexes of its element lists by their address alone,
// without comparing the lists' bytes. At most 8 descriptions are kept; others are simply checked.
void halyx_declare_static_description(const halyx_service_desc* desc);

// The same decoder, finding each TLV's entry by walking the message's element list from its start instead
// of through the list's index: slower, and kept only so that tests can check that both give the same
// results.
[[nodiscard]] int halyx_decode_tlvs_walk(const halyx_service_desc* desc, std::uint32_t kind,
                                         std::uint16_t msg_id, const std::uint8_t* payload,
                                         std::uint32_t payload_len, void* out, std::uint32_t out_len);

// Accessors: 0 and *out set, or -47 (missing argument, kind above 2), -48 (bad library version),
// -43 (message not found).
[[nodiscard]] int halyx_idl_version(const halyx_service_desc* desc, std::uint32_t* out);
[[nodiscard]] int halyx_service_number(const halyx_service_desc* desc, std::uint32_t* out);
[[nodiscard]] int halyx_max_message_length(const halyx_service_desc* desc, std::uint32_t* out);
[[nodiscard]] int halyx_max_encoded_length(const halyx_service_desc* desc, std::uint32_t kind,
                                           std::uint16_t msg_id, std::uint32_t* out);
[[nodiscard]] int halyx_message_struct_size(const halyx_service_desc* desc, std::uint32_t kind,
                                            std::uint16_t msg_id, std::uint32_t* out);

// A short, stable, lower-case text for a codec result ("ok", "unknown message", ...).
[[nodiscard]] const char* halyx_idl_error_text(int code);

}  // namespace geolumen
