#include "halyx/tlv_codec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <bitset>
#include <cstring>

#include "halyx/idl_format.h"
#include "halyx/tlv_index.h"
#include "platform/trace.h"

namespace geolumen {

// Values of types 0-3 are copied between the structure and the wire as they are: the wire is
// little-endian, and so must the host be.
static_assert(std::endian::native == std::endian::little);

namespace idl {
void ElementListBuildError(const char* why) {
    GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "element list build error: %s", why);
}
}  // namespace idl

namespace {

using idl::Element;
using idl::TlvHeader;

// The TLV type of every response's result.
constexpr std::uint8_t kResultTlv = 0x02;
// Bytes of a TLV header on the wire.
constexpr std::uint32_t kTlvHeaderBytes = 3;
// The longest value a TLV header can state.
constexpr std::uint32_t kMaxTlvValue = 0xFFFF;

// The error record of one encode or decode: the first error wins and ends the walk.
struct ErrorRecord {
    int code = kHalyxIdlOk;
    std::uint32_t detail[3] = {};

    // Records (when nothing is recorded yet) and traces the error with the line that found it; returns it.
    int Fail(int c, std::uint32_t d1, std::uint32_t d2, std::uint32_t d3, int line) {
        if (code == kHalyxIdlOk) {
            code = c;
            detail[0] = d1;
            detail[1] = d2;
            detail[2] = d3;
            TraceMessage(TRACE_LEVEL_ERROR, TRACE_HALYX, __FILE__, line, "tlv codec: %s (%d) [%u %u %u]",
                         halyx_idl_error_text(c), c, d1, d2, d3);
        }
        return code;
    }
};

#define IDL_FAIL(rec, c, d1, d2, d3)                                                \
    (rec).Fail((c), static_cast<std::uint32_t>(d1), static_cast<std::uint32_t>(d2), \
               static_cast<std::uint32_t>(d3), __LINE__)

// A structure being read or written: its first byte, its size, and the type table that resolves the
// structure types its elements refer to.
template <class Byte>
struct Frame {
    Byte* base;
    std::uint32_t size;
    const halyx_type_table* table;

    // Whether [offset, offset + n) lies inside the structure.
    [[nodiscard]] bool Holds(std::uint64_t offset, std::uint64_t n) const { return offset + n <= size; }
};

// Reading position in an untrusted payload.
struct Reader {
    const std::uint8_t* p;
    std::uint32_t left;

    [[nodiscard]] bool Take(std::uint32_t n, const std::uint8_t*& out) {
        if (n > left) return false;
        out = p;
        p += n;
        left -= n;
        return true;
    }
};

// Writing position in the output buffer.
struct Writer {
    std::uint8_t* out;
    std::uint32_t cap;
    std::uint32_t pos;

    [[nodiscard]] std::uint8_t* Reserve(std::uint64_t n) {
        if (n > cap - pos) return nullptr;
        std::uint8_t* at = out + pos;
        pos += static_cast<std::uint32_t>(n);
        return at;
    }
};

[[nodiscard]] std::uint32_t LoadLe(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

void StoreLe(std::uint8_t* p, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

[[nodiscard]] std::uint32_t LoadU32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void StoreU32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

// Bytes of an array count on the wire for this element.
[[nodiscard]] int CountWidth(const Element& e) {
    if (e.ext & idl::kExtFourByteCount) return 4;
    return (e.flags & idl::kFlagWideCount) ? 2 : 1;
}

// Memory stride of one element of types 0-6.
[[nodiscard]] std::uint32_t MemoryStride(const Element& e) { return idl::kMemorySize[e.type]; }

// ---- Message lookup -----------------------------------------------------------------------------------

[[nodiscard]] bool VersionOk(const halyx_service_desc* d) {
    return d->library_version >= kHalyxLibraryVersionMin && d->library_version <= kHalyxLibraryVersionMax;
}

// Checks the arguments every entry point shares: 0, -47 or -48.
[[nodiscard]] int CheckDesc(ErrorRecord& rec, const halyx_service_desc* desc) {
    if (!desc) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, 0, 0, 0);
    if (!VersionOk(desc)) return IDL_FAIL(rec, kHalyxIdlErrBadVersion, desc->library_version, 0, 0);
    return kHalyxIdlOk;
}

// A message found in a description: its table row, its description and the table that owns it.
struct FoundMessage {
    const halyx_message_table* row = nullptr;
    const halyx_message_desc* desc = nullptr;
    const halyx_type_table* table = nullptr;
    const halyx_service_desc* owner = nullptr;  // the description (or parent) whose table holds it
};

// Descriptions declared to live in static storage, unchanged for the life of the process.
constexpr std::size_t kMaxStaticDescriptions = 8;
std::array<std::atomic<const halyx_service_desc*>, kMaxStaticDescriptions> g_staticDescriptions{};

[[nodiscard]] bool IsStatic(const halyx_service_desc* desc) {
    for (const auto& d : g_staticDescriptions) {
        const halyx_service_desc* p = d.load(std::memory_order_acquire);
        if (p == nullptr) return false;
        if (p == desc) return true;
    }
    return false;
}

[[nodiscard]] int FindMessage(ErrorRecord& rec, const halyx_service_desc* desc, std::uint32_t kind,
                              std::uint16_t msgId, FoundMessage& found) {
    if (const int rc = CheckDesc(rec, desc)) return rc;
    if (kind > kHalyxKindIndication) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, kind, msgId, 0);
    // Versions above 4 chain to a parent description, searched after this one; a bounded walk guards
    // against a chain that loops.
    constexpr int kMaxParentDepth = 8;
    const halyx_service_desc* d = desc;
    for (int depth = 0; d && depth < kMaxParentDepth; ++depth) {
        if (!VersionOk(d)) return IDL_FAIL(rec, kHalyxIdlErrBadVersion, d->library_version, 0, 0);
        const halyx_message_table* rows = kind == kHalyxKindRequest    ? d->requests
                                          : kind == kHalyxKindResponse ? d->responses
                                                                       : d->indications;
        const std::uint16_t count = kind == kHalyxKindRequest    ? d->request_count
                                    : kind == kHalyxKindResponse ? d->response_count
                                                                 : d->indication_count;
        for (std::uint16_t i = 0; rows && i < count; ++i) {
            if (rows[i].msg_id != msgId) continue;
            const halyx_type_table* service = d->type_table;
            const std::uint32_t list = rows[i].desc_index >> 8;
            const std::uint32_t index = rows[i].desc_index & 0xFFu;
            if (!service || !service->tables || list >= service->table_count || !service->tables[list]) {
                return IDL_FAIL(rec, kHalyxIdlErrBadArgument, msgId, rows[i].desc_index, 1);
            }
            const halyx_type_table* table = service->tables[list];
            if (!table->messages || index >= table->message_count) {
                return IDL_FAIL(rec, kHalyxIdlErrBadArgument, msgId, rows[i].desc_index, 2);
            }
            found = {&rows[i], &table->messages[index], table, d};
            return kHalyxIdlOk;
        }
        d = d->library_version >= kHalyxParentLibraryVersion ? d->parent : nullptr;
    }
    return IDL_FAIL(rec, kHalyxIdlErrUnknownMessage, kind, msgId, 0);
}

// ---- Encoder ------------------------------------------------------------------------------------------

int EncodeElement(ErrorRecord& rec, const Element& e, const Frame<const std::uint8_t>& s, Writer& w,
                  bool wholeTlv);

int EncodeStructRun(ErrorRecord& rec, const halyx_message_desc& type, const Frame<const std::uint8_t>& s,
                    Writer& w) {
    int rc = kHalyxIdlOk;
    idl::ForEachMember(type.elements,
                       [&](const Element& e) { return (rc = EncodeElement(rec, e, s, w, false)) == 0; });
    return rc;
}

int EncodeElement(ErrorRecord& rec, const Element& e, const Frame<const std::uint8_t>& s, Writer& w,
                  bool wholeTlv) {
    const halyx_message_desc* type = nullptr;
    if (e.type == idl::kTypeStruct && !(type = idl::ResolveType(s.table, e))) {
        return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, e.type_index, e.table_index);
    }
    // How many elements, and whether the count goes on the wire.
    std::uint32_t count = 1;
    bool countOnWire = false;
    if (e.type == idl::kTypeString) {
        const std::uint32_t max = e.array ? e.max_count : 0;
        if (!s.Holds(e.offset, 1)) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, s.size, 0);
        // Look at most one character past the maximum: enough to see an over-long string.
        const std::uint64_t room = static_cast<std::uint64_t>(s.size) - e.offset;
        const auto* chars = reinterpret_cast<const char*>(s.base + e.offset);
        count = static_cast<std::uint32_t>(
            strnlen(chars, static_cast<std::size_t>(std::min<std::uint64_t>(room, max + 1ull))));
        if (count > max) return IDL_FAIL(rec, kHalyxIdlErrArrayOverflow, e.offset, count, max);
        countOnWire = !wholeTlv && !(e.ext & (idl::kExtCountFromLength | idl::kExtCountFromMemory));
    } else if (e.array && (e.variable || (e.ext & idl::kExtCountFromMemory))) {
        if (e.count_distance > e.offset || !s.Holds(e.offset - e.count_distance, 4)) {
            return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, e.count_distance, s.size);
        }
        count = LoadU32(s.base + e.offset - e.count_distance);
        if (count > e.max_count)
            return IDL_FAIL(rec, kHalyxIdlErrArrayOverflow, e.offset, count, e.max_count);
        countOnWire = !(e.ext & (idl::kExtCountFromLength | idl::kExtCountFromMemory));
    } else if (e.array) {
        count = e.max_count;
    }
    if (countOnWire) {
        const int width = CountWidth(e);
        std::uint8_t* at = w.Reserve(static_cast<std::uint32_t>(width));
        if (!at) return IDL_FAIL(rec, kHalyxIdlErrLength, e.offset, width, w.cap - w.pos);
        // A four-byte count carries the count in its first two bytes.
        StoreLe(at, count, width == 4 ? 2 : width);
        if (width == 4) StoreLe(at + 2, 0, 2);
    }
    if (e.ext & idl::kExtCountOnly) return kHalyxIdlOk;

    if (e.type == idl::kTypeStruct) {
        if (!s.Holds(e.offset, static_cast<std::uint64_t>(type->size) * count)) {
            return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, type->size, count);
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const Frame<const std::uint8_t> inner{s.base + e.offset + i * type->size, type->size,
                                                  idl::TypeOwner(s.table, e)};
            if (const int rc = EncodeStructRun(rec, *type, inner, w)) return rc;
        }
        return kHalyxIdlOk;
    }
    const std::uint32_t stride = MemoryStride(e);
    if (!s.Holds(e.offset, static_cast<std::uint64_t>(stride) * count)) {
        return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, stride, count);
    }
    const std::uint32_t wireSize = idl::kWireSize[e.type];
    std::uint8_t* at = w.Reserve(static_cast<std::uint64_t>(wireSize) * count);
    if (!at) return IDL_FAIL(rec, kHalyxIdlErrLength, e.offset, wireSize * count, w.cap - w.pos);
    const std::uint8_t* from = s.base + e.offset;
    if (e.type == idl::kTypeByteAsI32 || e.type == idl::kTypeShortAsI32) {
        for (std::uint32_t i = 0; i < count; ++i)
            StoreLe(at + i * wireSize, LoadU32(from + i * 4), static_cast<int>(wireSize));
    } else {
        std::memcpy(at, from, static_cast<std::size_t>(wireSize) * count);
    }
    return kHalyxIdlOk;
}

// ---- Decoder ------------------------------------------------------------------------------------------

// Most TLVs hold one number: a copy of a size known here is a move, not a call.
void CopyNumber(std::uint8_t* to, const std::uint8_t* from, std::uint32_t size) {
    switch (size) {
        case 1:
            *to = *from;
            break;
        case 2:
            std::memcpy(to, from, 2);
            break;
        case 4:
            std::memcpy(to, from, 4);
            break;
        default:
            std::memcpy(to, from, 8);
            break;
    }
}

int DecodeElement(ErrorRecord& rec, const Element& e, const Frame<std::uint8_t>& s, Reader& r, bool wholeTlv);

int DecodeStructRun(ErrorRecord& rec, const halyx_message_desc& type, const Frame<std::uint8_t>& s,
                    Reader& r) {
    int rc = kHalyxIdlOk;
    idl::ForEachMember(type.elements,
                       [&](const Element& e) { return (rc = DecodeElement(rec, e, s, r, false)) == 0; });
    return rc;
}

// The array count an element's wire bytes imply when the count is not written (extension 0x800).
[[nodiscard]] std::uint32_t CountFromLength(const Element& e, std::uint32_t left) {
    switch (e.type) {
        case idl::kTypeU8:
        case idl::kTypeU16:
        case idl::kTypeU32:
        case idl::kTypeU64:
            return left >> e.type;  // sizes 1, 2, 4, 8 = 1 << type
        case idl::kTypeShortAsI32:
            return left / 2;
        default:
            return left;
    }
}

int DecodeElement(ErrorRecord& rec, const Element& e, const Frame<std::uint8_t>& s, Reader& r,
                  bool wholeTlv) {
    const halyx_message_desc* type = nullptr;
    if (e.type == idl::kTypeStruct && !(type = idl::ResolveType(s.table, e))) {
        return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, e.type_index, e.table_index);
    }
    std::uint32_t count = 1;
    const std::uint8_t* in = nullptr;
    if (e.type == idl::kTypeString) {
        const std::uint32_t max = e.array ? e.max_count : 0;
        if (wholeTlv || (e.ext & idl::kExtCountFromLength)) {
            count = r.left;
        } else {
            const int width = CountWidth(e);
            if (!r.Take(static_cast<std::uint32_t>(width), in))
                return IDL_FAIL(rec, kHalyxIdlErrLength, e.offset, width, r.left);
            count = LoadLe(in, width == 4 ? 2 : width);
        }
        if (count > max) return IDL_FAIL(rec, kHalyxIdlErrArrayOverflow, e.offset, count, max);
        if (!s.Holds(e.offset, static_cast<std::uint64_t>(count) + 1)) {
            return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, count, s.size);
        }
        if (e.ext & idl::kExtCountOnly) return kHalyxIdlOk;
        if (!r.Take(count, in)) return IDL_FAIL(rec, kHalyxIdlErrLength, e.offset, count, r.left);
        std::memcpy(s.base + e.offset, in, count);
        s.base[e.offset + count] = 0;
        return kHalyxIdlOk;
    }
    if (e.array && (e.variable || (e.ext & (idl::kExtCountFromMemory | idl::kExtCountFromLength)))) {
        const bool hasCountField = e.variable || (e.ext & idl::kExtCountFromMemory);
        if (hasCountField && (e.count_distance > e.offset || !s.Holds(e.offset - e.count_distance, 4))) {
            return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, e.count_distance, s.size);
        }
        std::uint8_t* countField = hasCountField ? s.base + e.offset - e.count_distance : nullptr;
        if (e.ext & idl::kExtCountFromLength) {
            count = CountFromLength(e, r.left);
        } else if (e.ext & idl::kExtCountFromMemory) {
            count = LoadU32(countField);
        } else {
            const int width = CountWidth(e);
            if (!r.Take(static_cast<std::uint32_t>(width), in))
                return IDL_FAIL(rec, kHalyxIdlErrLength, e.offset, width, r.left);
            count = LoadLe(in, width == 4 ? 2 : width);
        }
        if (count > e.max_count)
            return IDL_FAIL(rec, kHalyxIdlErrArrayOverflow, e.offset, count, e.max_count);
        if (countField) StoreU32(countField, count);
    } else if (e.array) {
        count = e.max_count;
    }
    if (e.ext & idl::kExtCountOnly) return kHalyxIdlOk;

    if (e.type == idl::kTypeStruct) {
        if (!s.Holds(e.offset, static_cast<std::uint64_t>(type->size) * count)) {
            return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, type->size, count);
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const Frame<std::uint8_t> inner{s.base + e.offset + i * type->size, type->size,
                                            idl::TypeOwner(s.table, e)};
            if (const int rc = DecodeStructRun(rec, *type, inner, r)) return rc;
        }
        return kHalyxIdlOk;
    }
    const std::uint32_t stride = MemoryStride(e);
    if (!s.Holds(e.offset, static_cast<std::uint64_t>(stride) * count)) {
        return IDL_FAIL(rec, kHalyxIdlErrBadArgument, e.offset, stride, count);
    }
    const std::uint32_t wireSize = idl::kWireSize[e.type];
    if (static_cast<std::uint64_t>(wireSize) * count > r.left || !r.Take(wireSize * count, in)) {
        return IDL_FAIL(rec, kHalyxIdlErrLength, e.offset, static_cast<std::uint64_t>(wireSize) * count,
                        r.left);
    }
    std::uint8_t* to = s.base + e.offset;
    if (count == 1 && e.type <= idl::kTypeU64) {
        CopyNumber(to, in, wireSize);
        return kHalyxIdlOk;
    }
    if (e.type == idl::kTypeByteAsI32 || e.type == idl::kTypeShortAsI32) {
        const bool widen = !(e.ext & idl::kExtUnsigned);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t v = LoadLe(in + i * wireSize, static_cast<int>(wireSize));
            if (widen) {
                v = e.type == idl::kTypeByteAsI32 ? static_cast<std::uint32_t>(static_cast<std::int8_t>(v))
                                                  : static_cast<std::uint32_t>(static_cast<std::int16_t>(v));
            }
            StoreU32(to + i * 4, v);
        }
    } else {
        std::memcpy(to, in, static_cast<std::size_t>(wireSize) * count);
    }
    return kHalyxIdlOk;
}

// Where an optional TLV's valid byte sits, or -1 when outside the structure.
template <class Byte>
[[nodiscard]] long ValidByteOffset(const TlvHeader& h, const Element& e, const Frame<Byte>& s) {
    if (h.valid_distance > e.offset || !s.Holds(e.offset - h.valid_distance, 1)) return -1;
    return static_cast<long>(e.offset - h.valid_distance);
}

using idl::IndexedTlv;
using TypeSet = std::bitset<256>;

// Finds a message's TLV entries through its index.
class IndexedEntries {
  public:
    explicit IndexedEntries(const FoundMessage& m)
        : index_(m.desc->elements ? &idl::IndexOf(m.desc->elements, IsStatic(m.owner)) : nullptr) {}
    [[nodiscard]] const IndexedTlv* Find(std::uint8_t type) const {
        return index_ ? index_->Find(type) : nullptr;
    }
    // The first mandatory TLV in list order that was not seen; -1 when none is missing.
    [[nodiscard]] int FirstMissing(const TypeSet& seen) const {
        if (!index_ || (index_->mandatory & ~seen).none()) return -1;
        for (const IndexedTlv& t : index_->entries) {
            if (!t.header.optional && !seen[t.header.type]) return t.header.type;
        }
        return -1;
    }

  private:
    const idl::TlvIndex* index_;
};

// Finds a message's TLV entries by walking its element list from the start every time: the decoder as it
// was before the index, kept so that tests can hold the two against each other.
class WalkedEntries {
  public:
    explicit WalkedEntries(const FoundMessage& m) : list_(m.desc->elements) {}
    [[nodiscard]] const IndexedTlv* Find(std::uint8_t type) {
        // The walk stops (returns false) exactly when the entry is found.
        const bool found = !idl::ForEachTlv(list_, [&](const TlvHeader& th, const Element& te) {
            if (th.type != type) return true;
            found_ = {th, te};
            return false;
        });
        return found ? &found_ : nullptr;
    }
    [[nodiscard]] int FirstMissing(const TypeSet& seen) const {
        int missing = -1;
        idl::ForEachTlv(list_, [&](const TlvHeader& h, const Element&) {
            if (h.optional || seen[h.type]) return true;
            missing = h.type;
            return false;
        });
        return missing;
    }

  private:
    const std::uint8_t* list_;
    IndexedTlv found_;
};

template <class Entries>
int DecodeMessage(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                  const std::uint8_t* payload, std::uint32_t payload_len, void* out, std::uint32_t out_len) {
    ErrorRecord rec;
    FoundMessage m;
    if (const int rc = FindMessage(rec, desc, kind, msg_id, m)) return rc;
    if (!out || (!payload && payload_len > 0)) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, kind, msg_id, 3);
    if (out_len < m.desc->size)
        return IDL_FAIL(rec, kHalyxIdlErrBufferTooSmall, msg_id, out_len, m.desc->size);
    const Frame<std::uint8_t> s{static_cast<std::uint8_t*>(out), m.desc->size, m.table};
    std::memset(s.base, 0, s.size);

    Entries entries(m);
    TypeSet seen;
    std::uint8_t resultByte = 0;
    Reader r{payload, payload_len};
    while (r.left > 0) {
        const std::uint8_t* hdr = nullptr;
        if (!r.Take(kTlvHeaderBytes, hdr)) return IDL_FAIL(rec, kHalyxIdlErrLength, msg_id, r.left, 0);
        const std::uint8_t type = hdr[0];
        const std::uint32_t length = LoadLe(hdr + 1, 2);
        const std::uint8_t* value = nullptr;
        if (!r.Take(length, value)) return IDL_FAIL(rec, kHalyxIdlErrLength, type, length, r.left);
        const IndexedTlv* entry = entries.Find(type);
        if (entry == nullptr) {
            if (type >= 0x10) continue;  // an optional TLV this description does not know
            return IDL_FAIL(rec, kHalyxIdlErrUnknownTlv, msg_id, type, length);
        }
        const TlvHeader& h = entry->header;
        const Element& e = entry->element;
        if (seen[type]) return IDL_FAIL(rec, kHalyxIdlErrDuplicateTlv, msg_id, type, 0);
        seen.set(type);
        if (kind == kHalyxKindResponse && type == kResultTlv && length > 0) resultByte = value[0];
        if (entry->plain_size != 0 && length == entry->plain_size && s.Holds(e.offset, length)) {
            // What the element walk would do for one number that fits, without its questions.
            CopyNumber(s.base + e.offset, value, length);
        } else {
            Reader v{value, length};
            if (const int rc = DecodeElement(rec, e, s, v, true)) return rc;
            if (v.left != 0) return IDL_FAIL(rec, kHalyxIdlErrLength, type, length, v.left);
        }
        if (h.optional) {
            const long valid = ValidByteOffset(h, e, s);
            if (valid < 0) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, type, e.offset, h.valid_distance);
            s.base[valid] = 1;
        }
    }
    // A failed response may leave out what a successful one must carry.
    if (kind == kHalyxKindResponse && resultByte != 0) return kHalyxIdlOk;
    if (const int missing = entries.FirstMissing(seen); missing >= 0)
        return IDL_FAIL(rec, kHalyxIdlErrMissingTlv, msg_id, missing, 0);
    return kHalyxIdlOk;
}

}  // namespace

int halyx_encode_tlvs(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                      const void* in, std::uint8_t* out, std::uint32_t out_len, std::uint32_t* encoded_len) {
    ErrorRecord rec;
    FoundMessage m;
    if (const int rc = FindMessage(rec, desc, kind, msg_id, m)) return rc;
    if (!out || !encoded_len || (!in && m.desc->size > 0)) {
        return IDL_FAIL(rec, kHalyxIdlErrBadArgument, kind, msg_id, 3);
    }
    const Frame<const std::uint8_t> s{static_cast<const std::uint8_t*>(in), m.desc->size, m.table};
    Writer w{out, out_len, 0};
    int rc = kHalyxIdlOk;
    idl::ForEachTlv(m.desc->elements, [&](const TlvHeader& h, const Element& e) {
        if (h.optional) {
            const long valid = ValidByteOffset(h, e, s);
            if (valid < 0) {
                rc = IDL_FAIL(rec, kHalyxIdlErrBadArgument, h.type, e.offset, h.valid_distance);
                return false;
            }
            if (s.base[valid] == 0) return true;  // not present: nothing on the wire
        }
        std::uint8_t* header = w.Reserve(kTlvHeaderBytes);
        if (!header) {
            rc = IDL_FAIL(rec, kHalyxIdlErrBufferTooSmall, h.type, w.pos, out_len);
            return false;
        }
        const std::uint32_t start = w.pos;
        if ((rc = EncodeElement(rec, e, s, w, true)) != 0) return false;
        const std::uint32_t length = w.pos - start;
        if (length > kMaxTlvValue) {
            rc = IDL_FAIL(rec, kHalyxIdlErrLength, h.type, length, kMaxTlvValue);
            return false;
        }
        header[0] = h.type;
        StoreLe(header + 1, length, 2);
        return true;
    });
    if (rc != 0) return rc;
    *encoded_len = w.pos;
    return kHalyxIdlOk;
}

void halyx_declare_static_description(const halyx_service_desc* desc) {
    if (desc == nullptr || IsStatic(desc)) return;
    for (auto& d : g_staticDescriptions) {
        const halyx_service_desc* expected = nullptr;
        if (d.compare_exchange_strong(expected, desc, std::memory_order_acq_rel) || expected == desc) return;
    }
}

int halyx_decode_tlvs(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                      const std::uint8_t* payload, std::uint32_t payload_len, void* out,
                      std::uint32_t out_len) {
    return DecodeMessage<IndexedEntries>(desc, kind, msg_id, payload, payload_len, out, out_len);
}

int halyx_decode_tlvs_walk(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                           const std::uint8_t* payload, std::uint32_t payload_len, void* out,
                           std::uint32_t out_len) {
    return DecodeMessage<WalkedEntries>(desc, kind, msg_id, payload, payload_len, out, out_len);
}

namespace {

// Reads one field of a description after the common checks.
int DescriptionFact(const halyx_service_desc* desc, std::uint32_t* out,
                    std::uint32_t halyx_service_desc::*field) {
    ErrorRecord rec;
    if (const int rc = CheckDesc(rec, desc)) return rc;
    if (!out) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, 0, 0, 0);
    *out = desc->*field;
    return kHalyxIdlOk;
}

// Reads one fact of a message after finding it.
template <class Pick>
int MessageFact(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msgId, std::uint32_t* out,
                Pick pick) {
    ErrorRecord rec;
    FoundMessage m;
    if (const int rc = FindMessage(rec, desc, kind, msgId, m)) return rc;
    if (!out) return IDL_FAIL(rec, kHalyxIdlErrBadArgument, kind, msgId, 0);
    *out = pick(m);
    return kHalyxIdlOk;
}

// Short stable texts of the result codes, by code.
struct ErrorText {
    int code;
    const char* text;
};
constexpr ErrorText kErrorTexts[] = {
    {kHalyxIdlOk, "ok"},
    {kHalyxIdlErrBufferTooSmall, "buffer too small"},
    {kHalyxIdlErrArrayOverflow, "array overflow"},
    {kHalyxIdlErrUnknownMessage, "unknown message"},
    {kHalyxIdlErrDuplicateTlv, "duplicate tlv"},
    {kHalyxIdlErrLength, "length error"},
    {kHalyxIdlErrMissingTlv, "missing mandatory tlv"},
    {kHalyxIdlErrBadArgument, "bad argument"},
    {kHalyxIdlErrBadVersion, "unsupported description version"},
    {kHalyxIdlErrUnknownTlv, "unknown mandatory tlv"},
};

}  // namespace

int halyx_idl_version(const halyx_service_desc* desc, std::uint32_t* out) {
    return DescriptionFact(desc, out, &halyx_service_desc::idl_major);
}

int halyx_service_number(const halyx_service_desc* desc, std::uint32_t* out) {
    return DescriptionFact(desc, out, &halyx_service_desc::service);
}

int halyx_max_message_length(const halyx_service_desc* desc, std::uint32_t* out) {
    return DescriptionFact(desc, out, &halyx_service_desc::max_message_length);
}

int halyx_max_encoded_length(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                             std::uint32_t* out) {
    return MessageFact(desc, kind, msg_id, out,
                       [](const FoundMessage& m) { return std::uint32_t{m.row->max_length}; });
}

int halyx_message_struct_size(const halyx_service_desc* desc, std::uint32_t kind, std::uint16_t msg_id,
                              std::uint32_t* out) {
    return MessageFact(desc, kind, msg_id, out, [](const FoundMessage& m) { return m.desc->size; });
}

const char* halyx_idl_error_text(int code) {
    for (const ErrorText& t : kErrorTexts) {
        if (t.code == code) return t.text;
    }
    return "unknown error";
}

}  // namespace geolumen
