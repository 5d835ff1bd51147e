#pragma once
// Framing of the simulated module, written apart from the driver's codec on purpose: a fault in the
// driver's encoder or decoder must not be mirrored by the peer it is tested against.
//
// On the control pipe every message is a 6-byte multiplex header (0x01, u16 length of what follows the
// first byte, flags, service, client id) followed by either a 6-byte control header (kind, u8 transaction,
// u16 message id, u16 TLV length) for service 0, or a 7-byte message header (type, u16 transaction,
// u16 message id, u16 payload length) for a user service. All numbers are little-endian. TLVs are a u8
// type, a u16 length and the value.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace geolumen::sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kControlService = 0x00;
inline constexpr std::uint8_t kLocationService = 0x10;
inline constexpr std::size_t kMuxHeaderSize = 6;
inline constexpr std::size_t kControlHeaderSize = 6;
inline constexpr std::size_t kMessageHeaderSize = 7;

struct SimTlv {
    std::uint8_t type = 0;
    Bytes value;
    bool operator==(const SimTlv&) const = default;
};

// Control-service message kinds and user-service message types as they stand in the headers.
inline constexpr std::uint8_t kCtlRequest = 0;
inline constexpr std::uint8_t kCtlResponse = 1;
inline constexpr std::uint8_t kCtlIndication = 2;
inline constexpr std::uint8_t kMsgRequest = 0;
inline constexpr std::uint8_t kMsgResponse = 2;
inline constexpr std::uint8_t kMsgIndication = 4;

// One frame as the module sees it. For service 0 `type` is the control kind and `transaction` the u8
// control transaction id; otherwise they are the message header's fields.
struct SimFrame {
    std::uint8_t flags = 0;
    std::uint8_t service = 0;
    std::uint8_t clientId = 0;
    std::uint8_t type = 0;
    std::uint16_t transaction = 0;
    std::uint16_t messageId = 0;
    std::vector<SimTlv> tlvs;

    [[nodiscard]] const SimTlv* Find(std::uint8_t tlvType) const;
};

// Little-endian helpers for building TLV values by hand.
void PutU8(Bytes& out, std::uint8_t v);
void PutU16(Bytes& out, std::uint16_t v);
void PutU32(Bytes& out, std::uint32_t v);
void PutU64(Bytes& out, std::uint64_t v);
[[nodiscard]] Bytes U8(std::uint8_t v);
[[nodiscard]] Bytes U16(std::uint16_t v);
[[nodiscard]] Bytes U32(std::uint32_t v);

// The result TLV 0x02 that every response carries: u16 result (0 success, 1 failure), u16 error.
[[nodiscard]] SimTlv ResultTlv(std::uint16_t result, std::uint16_t error);

[[nodiscard]] Bytes EncodeTlvs(const std::vector<SimTlv>& tlvs);
// Builds a whole frame; the header lengths are computed from the TLVs.
[[nodiscard]] Bytes BuildFrame(const SimFrame& frame);

// Why a frame from the host was refused; the module records it and does not answer.
enum class SimParseError { None, TooShort, BadInterface, LengthMismatch, BadHeaderLength, BadTlv };

struct SimParsed {
    SimFrame frame;
    SimParseError error = SimParseError::None;
};
// Parses a frame strictly: every length must agree with the bytes, every TLV must fit.
[[nodiscard]] SimParsed ParseFrame(std::span<const std::uint8_t> bytes);

[[nodiscard]] std::string ToHex(std::span<const std::uint8_t> bytes);

}  // namespace geolumen::sim
