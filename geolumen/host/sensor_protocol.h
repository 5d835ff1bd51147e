#pragma once
// The sensor socket's message format, shared by the host and the client tool.
//
// A message is a 4-byte little-endian length N (1..kMaxMessageBytes) followed by N bytes: the message
// type (1 byte), a request id (4 bytes, echoed in the reply; 0 in pushed events) and the body. Numbers
// are little-endian. The body is built from:
//   key        GUID (Data1 u32, Data2 u16, Data3 u16, Data4 8 bytes) then pid u32 (20 bytes)
//   keys       u32 count, then that many keys
//   value      u16 variant type, then: VT_EMPTY nothing; VT_UI4 u32; VT_I4 i32; VT_R4 IEEE float;
//              VT_R8 IEEE double; VT_FILETIME u64; VT_ERROR i32 result code; VT_CLSID GUID;
//              VT_LPWSTR u32 length + UTF-8 bytes; VT_VECTOR|VT_UI1 u32 length + bytes
//   values     u32 count, then that many (key, value) pairs
//   guids      u32 count, then that many GUIDs
//
// Decoder contract: nothing is read past the message; a count larger than the bytes left, an unknown
// variant type or bytes left over after the body make the message malformed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/portable_values.h"

namespace geolumen::host {

// A request or reply longer than this is refused: nothing the sensor says comes near it.
inline constexpr size_t kMaxMessageBytes = 64 * 1024;
inline constexpr size_t kLengthBytes = 4;

enum class MessageType : uint8_t {
    // Client to host. Each is answered by one kReply with the same request id (or a kError).
    kConnect = 0x01,                 // body: none
    kDisconnect = 0x02,              // body: none
    kSubscribe = 0x03,               // body: none
    kUnsubscribe = 0x04,             // body: none
    kGetSupportedProperties = 0x05,  // body: none; reply: keys
    kGetSupportedDataFields = 0x06,  // body: none; reply: keys
    kGetSupportedEvents = 0x07,      // body: none; reply: guids
    kGetProperties = 0x08,           // body: keys; reply: values
    kSetProperties = 0x09,           // body: values; reply: values (the refusals)
    kGetDataFields = 0x0A,           // body: keys; reply: values
    kGetSensorObjects = 0x0B,        // body: none; reply: u32 count, then that many values
    // Host to client.
    kReply = 0x80,         // body: i32 result of the driver, then the request's reply body
    kError = 0x81,         // body: i32 result, u32 length + text; the request was not understood
    kEvent = 0x90,         // body: values of one posted event (its event id among them)
    kStateChanged = 0x91,  // body: u32 sensor state
};

using KeyList = std::vector<PROPERTYKEY>;
using ValueList = std::vector<std::pair<PROPERTYKEY, PropValue>>;

// The short, stable texts of kError replies.
inline constexpr const char* kErrorMalformed = "malformed request";
inline constexpr const char* kErrorOversize = "request too long";
inline constexpr const char* kErrorUnknown = "unknown request";
inline constexpr const char* kErrorNoSensor = "no sensor";
inline constexpr const char* kErrorReplyTooLong = "reply too long";
// Sent unasked (request id 0) to a connection beyond the host's limit, which is then closed.
inline constexpr const char* kErrorTooManyClients = "too many clients";

// Builds messages into a byte buffer that the caller keeps and reuses.
class MessageWriter {
  public:
    explicit MessageWriter(std::vector<uint8_t>& out) : out_(out) {}

    // Starts a message; Finish patches its length. Messages may follow each other in one buffer.
    void Begin(MessageType type, uint32_t requestId);
    // False when the message grew past kMaxMessageBytes; it is then taken out of the buffer.
    [[nodiscard]] bool Finish();
    // Takes the message begun last out of the buffer (its content could not be read).
    void Abandon() { out_.resize(start_); }

    void PutU8(uint8_t v) { out_.push_back(v); }
    void PutU16(uint16_t v);
    void PutU32(uint32_t v);
    void PutU64(uint64_t v);
    void PutI32(int32_t v) { PutU32(static_cast<uint32_t>(v)); }
    void PutGuid(const GUID& guid);
    void PutKey(const PROPERTYKEY& key);
    void PutBytes(std::span<const uint8_t> bytes);
    void PutText(const std::string& text);
    void PutValue(const PropValue& value);
    void PutKeys(std::span<const PROPERTYKEY> keys);
    void PutValues(const ValueList& values);
    // The entries of a value set in its order; false when reading it failed.
    [[nodiscard]] bool PutValues(IPortableDeviceValues* values);
    [[nodiscard]] bool PutKeys(IPortableDeviceKeyCollection* keys);

  private:
    std::vector<uint8_t>& out_;
    size_t start_ = 0;
};

// Reads one message's body; the first failure sticks and every later read yields zero.
class MessageReader {
  public:
    explicit MessageReader(std::span<const uint8_t> body) : body_(body) {}

    [[nodiscard]] bool Ok() const { return ok_; }
    // True when everything was read and nothing is left.
    [[nodiscard]] bool Done() const { return ok_ && pos_ == body_.size(); }

    uint8_t GetU8();
    uint16_t GetU16();
    uint32_t GetU32();
    uint64_t GetU64();
    int32_t GetI32() { return static_cast<int32_t>(GetU32()); }
    GUID GetGuid();
    PROPERTYKEY GetKey();
    std::string GetText();
    PropValue GetValue();
    KeyList GetKeys();
    ValueList GetValues();
    std::vector<GUID> GetGuids();

  private:
    [[nodiscard]] bool Take(size_t n, const uint8_t** at);
    // A count is sane when that many items of at least `minBytes` each could still follow.
    [[nodiscard]] bool CountFits(uint32_t count, size_t minBytes);

    std::span<const uint8_t> body_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// One message as the splitter hands it out.
struct Message {
    MessageType type{};
    uint32_t requestId = 0;
    std::span<const uint8_t> body;  // valid until the next Feed
};

// Cuts a byte stream into messages. An empty or oversize message is reported once and its bytes are
// skipped, so the stream stays in step and the peer can go on.
class MessageSplitter {
  public:
    enum class Result {
        kNeedMore,  // no complete message buffered
        kMessage,   // `out` holds one
        kShort,     // a length below type and request id (its bytes are skipped)
        kOversize,  // a length above kMaxMessageBytes (its bytes are being skipped)
    };

    void Feed(std::span<const uint8_t> bytes);
    [[nodiscard]] Result Next(Message& out);
    // Bytes held that are not yet a whole message.
    [[nodiscard]] size_t Buffered() const { return buffer_.size() - read_; }

  private:
    std::vector<uint8_t> buffer_;
    size_t read_ = 0;
    uint64_t skip_ = 0;  // bytes of an oversize message still to drop
};

}  // namespace geolumen::host
