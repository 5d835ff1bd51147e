#include "host/sensor_protocol.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <variant>

namespace geolumen::host {
namespace {

// Type and request id.
constexpr size_t kMessageHeaderBytes = 5;
constexpr size_t kKeyBytes = 20;
constexpr size_t kGuidBytes = 16;
constexpr size_t kValueTagBytes = 2;
constexpr VARTYPE kByteVectorType = VT_VECTOR | VT_UI1;

// Each alternative of a value has its branch below; a new one must get its own.
static_assert(std::variant_size_v<PropValue> == 10, "every value kind has its wire form");

}  // namespace

// ---- writer ----

void MessageWriter::Begin(MessageType type, uint32_t requestId) {
    start_ = out_.size();
    PutU32(0);
    PutU8(static_cast<uint8_t>(type));
    PutU32(requestId);
}

bool MessageWriter::Finish() {
    const size_t length = out_.size() - start_ - kLengthBytes;
    if (length > kMaxMessageBytes) {
        out_.resize(start_);
        return false;
    }
    for (size_t i = 0; i < kLengthBytes; ++i) out_[start_ + i] = static_cast<uint8_t>(length >> (8 * i));
    return true;
}

void MessageWriter::PutU16(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
}

void MessageWriter::PutU32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void MessageWriter::PutU64(uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void MessageWriter::PutGuid(const GUID& guid) {
    PutU32(guid.Data1);
    PutU16(guid.Data2);
    PutU16(guid.Data3);
    out_.insert(out_.end(), guid.Data4.begin(), guid.Data4.end());
}

void MessageWriter::PutKey(const PROPERTYKEY& key) {
    PutGuid(key.fmtid);
    PutU32(key.pid);
}

void MessageWriter::PutBytes(std::span<const uint8_t> bytes) {
    PutU32(static_cast<uint32_t>(bytes.size()));
    out_.insert(out_.end(), bytes.begin(), bytes.end());
}

void MessageWriter::PutText(const std::string& text) {
    PutBytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void MessageWriter::PutValue(const PropValue& value) {
    std::visit(
        [this](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                PutU16(VT_EMPTY);
            } else if constexpr (std::is_same_v<T, GUID>) {
                PutU16(VT_CLSID);
                PutGuid(v);
            } else if constexpr (std::is_same_v<T, uint32_t>) {
                PutU16(VT_UI4);
                PutU32(v);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                PutU16(VT_I4);
                PutI32(v);
            } else if constexpr (std::is_same_v<T, double>) {
                uint64_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                PutU16(VT_R8);
                PutU64(bits);
            } else if constexpr (std::is_same_v<T, float>) {
                uint32_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                PutU16(VT_R4);
                PutU32(bits);
            } else if constexpr (std::is_same_v<T, std::string>) {
                PutU16(VT_LPWSTR);
                PutText(v);
            } else if constexpr (std::is_same_v<T, FileTimeValue>) {
                PutU16(VT_FILETIME);
                PutU64(v.ticks);
            } else if constexpr (std::is_same_v<T, ByteVector>) {
                PutU16(kByteVectorType);
                PutBytes(v);
            } else if constexpr (std::is_same_v<T, ErrorValue>) {
                PutU16(VT_ERROR);
                PutI32(v.hr);
            }
        },
        value);
}

void MessageWriter::PutKeys(std::span<const PROPERTYKEY> keys) {
    PutU32(static_cast<uint32_t>(keys.size()));
    for (const PROPERTYKEY& key : keys) PutKey(key);
}

void MessageWriter::PutValues(const ValueList& values) {
    PutU32(static_cast<uint32_t>(values.size()));
    for (const auto& [key, value] : values) {
        PutKey(key);
        PutValue(value);
    }
}

bool MessageWriter::PutValues(IPortableDeviceValues* values) {
    uint32_t count = 0;
    if (!values || FAILED(values->GetCount(&count))) return false;
    PutU32(count);
    PROPERTYKEY key{};
    PropValue value;
    for (uint32_t i = 0; i < count; ++i) {
        if (FAILED(values->GetAt(i, &key, &value))) return false;
        PutKey(key);
        PutValue(value);
    }
    return true;
}

bool MessageWriter::PutKeys(IPortableDeviceKeyCollection* keys) {
    uint32_t count = 0;
    if (!keys || FAILED(keys->GetCount(&count))) return false;
    PutU32(count);
    PROPERTYKEY key{};
    for (uint32_t i = 0; i < count; ++i) {
        if (FAILED(keys->GetAt(i, &key))) return false;
        PutKey(key);
    }
    return true;
}

// ---- reader ----

bool MessageReader::Take(size_t n, const uint8_t** at) {
    if (!ok_ || body_.size() - pos_ < n) {
        ok_ = false;
        return false;
    }
    *at = body_.data() + pos_;
    pos_ += n;
    return true;
}

bool MessageReader::CountFits(uint32_t count, size_t minBytes) {
    if (ok_ && count <= (body_.size() - pos_) / minBytes) return true;
    ok_ = false;
    return false;
}

uint8_t MessageReader::GetU8() {
    const uint8_t* p = nullptr;
    return Take(1, &p) ? p[0] : 0;
}

uint16_t MessageReader::GetU16() {
    const uint8_t* p = nullptr;
    return Take(2, &p) ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
}

uint32_t MessageReader::GetU32() {
    const uint8_t* p = nullptr;
    if (!Take(4, &p)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

uint64_t MessageReader::GetU64() {
    const uint8_t* p = nullptr;
    if (!Take(8, &p)) return 0;
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

GUID MessageReader::GetGuid() {
    GUID guid;
    guid.Data1 = GetU32();
    guid.Data2 = GetU16();
    guid.Data3 = GetU16();
    const uint8_t* p = nullptr;
    if (Take(guid.Data4.size(), &p)) std::memcpy(guid.Data4.data(), p, guid.Data4.size());
    return ok_ ? guid : GUID{};
}

PROPERTYKEY MessageReader::GetKey() {
    PROPERTYKEY key;
    key.fmtid = GetGuid();
    key.pid = GetU32();
    return ok_ ? key : PROPERTYKEY{};
}

std::string MessageReader::GetText() {
    const uint32_t length = GetU32();
    const uint8_t* p = nullptr;
    if (!Take(length, &p)) return {};
    return std::string(reinterpret_cast<const char*>(p), length);
}

PropValue MessageReader::GetValue() {
    const VARTYPE type = GetU16();
    if (!ok_) return {};
    switch (type) {
        case VT_EMPTY:
            return std::monostate{};
        case VT_UI4:
            return GetU32();
        case VT_I4:
            return GetI32();
        case VT_R4: {
            const uint32_t bits = GetU32();
            float v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case VT_R8: {
            const uint64_t bits = GetU64();
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case VT_FILETIME:
            return FileTimeValue{GetU64()};
        case VT_ERROR:
            return ErrorValue{GetI32()};
        case VT_CLSID:
            return GetGuid();
        case VT_LPWSTR:
            return GetText();
        case kByteVectorType: {
            const uint32_t length = GetU32();
            const uint8_t* p = nullptr;
            if (!Take(length, &p)) return {};
            return ByteVector(p, p + length);
        }
        default:
            ok_ = false;
            return {};
    }
}

KeyList MessageReader::GetKeys() {
    const uint32_t count = GetU32();
    KeyList keys;
    if (!CountFits(count, kKeyBytes)) return keys;
    keys.reserve(count);
    for (uint32_t i = 0; i < count && ok_; ++i) keys.push_back(GetKey());
    return keys;
}

ValueList MessageReader::GetValues() {
    const uint32_t count = GetU32();
    ValueList values;
    if (!CountFits(count, kKeyBytes + kValueTagBytes)) return values;
    values.reserve(count);
    for (uint32_t i = 0; i < count && ok_; ++i) {
        PROPERTYKEY key = GetKey();
        PropValue value = GetValue();
        values.emplace_back(key, std::move(value));
    }
    return values;
}

std::vector<GUID> MessageReader::GetGuids() {
    const uint32_t count = GetU32();
    std::vector<GUID> guids;
    if (!CountFits(count, kGuidBytes)) return guids;
    guids.reserve(count);
    for (uint32_t i = 0; i < count && ok_; ++i) guids.push_back(GetGuid());
    return guids;
}

// ---- splitter ----

void MessageSplitter::Feed(std::span<const uint8_t> bytes) {
    if (skip_ > 0) {
        const size_t dropped = static_cast<size_t>(std::min<uint64_t>(skip_, bytes.size()));
        skip_ -= dropped;
        bytes = bytes.subspan(dropped);
    }
    // Consumed bytes are dropped before new ones arrive, so the buffer never grows past one message.
    if (read_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(read_));
        read_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

MessageSplitter::Result MessageSplitter::Next(Message& out) {
    if (skip_ > 0) {
        // An oversize message's bytes that arrived in the same read as its length.
        const size_t dropped = static_cast<size_t>(std::min<uint64_t>(skip_, buffer_.size() - read_));
        skip_ -= dropped;
        read_ += dropped;
        if (skip_ > 0) return Result::kNeedMore;
    }
    const size_t left = buffer_.size() - read_;
    if (left < kLengthBytes) return Result::kNeedMore;
    const uint8_t* p = buffer_.data() + read_;
    const uint32_t length = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                            (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    if (length > kMaxMessageBytes) {
        read_ += kLengthBytes;
        skip_ = length;
        const size_t dropped = static_cast<size_t>(std::min<uint64_t>(skip_, buffer_.size() - read_));
        skip_ -= dropped;
        read_ += dropped;
        return Result::kOversize;
    }
    if (left - kLengthBytes < length) return Result::kNeedMore;
    read_ += kLengthBytes + length;
    if (length < kMessageHeaderBytes) return Result::kShort;
    out.type = static_cast<MessageType>(p[4]);
    out.requestId = static_cast<uint32_t>(p[5]) | (static_cast<uint32_t>(p[6]) << 8) |
                    (static_cast<uint32_t>(p[7]) << 16) | (static_cast<uint32_t>(p[8]) << 24);
    out.body = std::span(p + kLengthBytes + kMessageHeaderBytes, length - kMessageHeaderBytes);
    return Result::kMessage;
}

}  // namespace geolumen::host
