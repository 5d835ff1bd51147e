// The byte code of element lists in Halyx service descriptions, one reader of it shared by the codec and
// the compile-time checks of the service tables, and a constexpr builder that writes it from field offsets.
//
// An element list has one entry per TLV: a TLV header byte H, then one element descriptor.
// - H: 0x80 = last TLV of the message; 0x40 = optional, the TLV type follows in the next byte and the low
//   nibble is the distance back from the field to its valid byte; without 0x40 the low nibble is the type
//   of a mandatory TLV.
// - Element descriptor: flags F (type = F & 7); with F 0x08 an extension byte follows (flags = byte x 256);
//   the field offset (1 byte, 2 with F 0x80, 3 with extension 0x200); with F 0x40 (array) the maximum count
//   (1 byte, 2 with F 0x20, 4 with extension 0x4000); with F 0x10 (variable array) and a non-string type one
//   byte: the distance back from the field to its 32-bit count; with type 7 two bytes: type index and index
//   of its type table in the list.
// - A structure type's own list is a run of element descriptors ended by the byte 0x20.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "halyx/tlv_codec.h"

namespace geolumen::idl {

// TLV header bits.
inline constexpr std::uint8_t kHeaderLast = 0x80;
inline constexpr std::uint8_t kHeaderOptional = 0x40;
inline constexpr std::uint8_t kHeaderNibble = 0x0F;

// Element flag bits.
inline constexpr std::uint8_t kFlagWideOffset = 0x80;
inline constexpr std::uint8_t kFlagArray = 0x40;
inline constexpr std::uint8_t kFlagWideCount = 0x20;
inline constexpr std::uint8_t kFlagVariable = 0x10;
inline constexpr std::uint8_t kFlagExtension = 0x08;
inline constexpr std::uint8_t kTypeMask = 0x07;

// Extension flag bits (the extension byte times 256).
inline constexpr std::uint32_t kExtThreeByteOffset = 0x200;
inline constexpr std::uint32_t kExtUnsigned = 0x400;         // types 4 and 5 are not sign-extended
inline constexpr std::uint32_t kExtCountFromLength = 0x800;  // array count follows from the TLV length
inline constexpr std::uint32_t kExtCountOnly = 0x1000;       // only the count is on the wire
inline constexpr std::uint32_t kExtCountFromMemory =
    0x2000;                                                 // count taken from the structure, not on the wire
inline constexpr std::uint32_t kExtFourByteCount = 0x4000;  // 4-byte count on the wire (first two count)

// Ends a structure type's element run.
inline constexpr std::uint8_t kStructEnd = 0x20;

// Element types.
inline constexpr std::uint8_t kTypeU8 = 0;
inline constexpr std::uint8_t kTypeU16 = 1;
inline constexpr std::uint8_t kTypeU32 = 2;
inline constexpr std::uint8_t kTypeU64 = 3;
inline constexpr std::uint8_t kTypeByteAsI32 = 4;
inline constexpr std::uint8_t kTypeShortAsI32 = 5;
inline constexpr std::uint8_t kTypeString = 6;
inline constexpr std::uint8_t kTypeStruct = 7;

// Bytes on the wire and in memory of one element of types 0-6 (a string counts per character).
inline constexpr std::uint8_t kWireSize[7] = {1, 2, 4, 8, 1, 2, 1};
inline constexpr std::uint8_t kMemorySize[7] = {1, 2, 4, 8, 4, 4, 1};

// One TLV header as read from a list.
struct TlvHeader {
    std::uint8_t type = 0;
    bool optional = false;
    std::uint8_t valid_distance = 0;
    bool last = false;
};

// One element descriptor as read from a list.
struct Element {
    std::uint8_t flags = 0;
    std::uint32_t ext = 0;
    std::uint8_t type = 0;
    std::uint32_t offset = 0;
    bool array = false;
    std::uint32_t max_count = 0;
    bool variable = false;
    std::uint8_t count_distance = 0;
    std::uint8_t type_index = 0;
    std::uint8_t table_index = 0;
};

// Reads a TLV header at p; returns the position after it.
constexpr const std::uint8_t* ReadTlvHeader(const std::uint8_t* p, TlvHeader& h) {
    const std::uint8_t b = *p++;
    h.last = (b & kHeaderLast) != 0;
    h.optional = (b & kHeaderOptional) != 0;
    if (h.optional) {
        h.valid_distance = b & kHeaderNibble;
        h.type = *p++;
    } else {
        h.valid_distance = 0;
        h.type = b & kHeaderNibble;
    }
    return p;
}

// Reads an element descriptor at p; returns the position after it.
constexpr const std::uint8_t* ReadElement(const std::uint8_t* p, Element& e) {
    e = Element{};
    e.flags = *p++;
    if (e.flags & kFlagExtension) e.ext = static_cast<std::uint32_t>(*p++) << 8;
    e.type = e.flags & kTypeMask;
    const int offsetBytes = (e.ext & kExtThreeByteOffset) ? 3 : (e.flags & kFlagWideOffset) ? 2 : 1;
    for (int i = 0; i < offsetBytes; ++i) e.offset |= static_cast<std::uint32_t>(*p++) << (8 * i);
    e.array = (e.flags & kFlagArray) != 0;
    if (e.array) {
        const int countBytes = (e.ext & kExtFourByteCount) ? 4 : (e.flags & kFlagWideCount) ? 2 : 1;
        for (int i = 0; i < countBytes; ++i) e.max_count |= static_cast<std::uint32_t>(*p++) << (8 * i);
    }
    e.variable = (e.flags & kFlagVariable) != 0;
    if (e.variable && e.type != kTypeString) e.count_distance = *p++;
    if (e.type == kTypeStruct) {
        e.type_index = *p++;
        e.table_index = *p++;
    }
    return p;
}

// Calls fn(header, element) for each TLV entry of a message's list, in order, while fn returns true.
// Returns false when fn stopped the walk. A null list has no entries.
template <class Fn>
constexpr bool ForEachTlv(const std::uint8_t* list, Fn&& fn) {
    if (!list) return true;
    for (const std::uint8_t* p = list;;) {
        TlvHeader h;
        Element e;
        p = ReadTlvHeader(p, h);
        p = ReadElement(p, e);
        if (!fn(h, e)) return false;
        if (h.last) return true;
    }
}

// Calls fn(element) for each element of a structure type's run, while fn returns true.
template <class Fn>
constexpr bool ForEachMember(const std::uint8_t* run, Fn&& fn) {
    if (!run) return true;
    for (const std::uint8_t* p = run; *p != kStructEnd;) {
        Element e;
        p = ReadElement(p, e);
        if (!fn(e)) return false;
    }
    return true;
}

// The structure type an element of type 7 refers to, seen from `table`; null when out of range.
constexpr const halyx_message_desc* ResolveType(const halyx_type_table* table, const Element& e) {
    if (!table || !table->tables || e.table_index >= table->table_count) return nullptr;
    const halyx_type_table* owner = table->tables[e.table_index];
    if (!owner || !owner->types || e.type_index >= owner->type_count) return nullptr;
    return &owner->types[e.type_index];
}

// The type table whose list resolves references inside the structure type of `e`.
constexpr const halyx_type_table* TypeOwner(const halyx_type_table* table, const Element& e) {
    return table->tables[e.table_index];
}

// ---- Compile-time checks of a description ------------------------------------------------------------

// The most wire bytes an element can take, or -1 when the element is malformed.
constexpr long MaxElementWire(const Element& e, const halyx_type_table* table, bool wholeTlv);

// The most wire bytes of a structure type's run of elements, or -1.
constexpr long MaxStructWire(const halyx_message_desc& type, const halyx_type_table* owner) {
    long total = 0;
    const bool ok = ForEachMember(type.elements, [&](const Element& e) {
        const long n = MaxElementWire(e, owner, false);
        total += n;
        return n >= 0;
    });
    return ok ? total : -1;
}

constexpr long MaxElementWire(const Element& e, const halyx_type_table* table, bool wholeTlv) {
    const std::uint32_t count = e.array ? e.max_count : 1;
    long countBytes = 0;
    const bool countOnWire = !(e.ext & (kExtCountFromLength | kExtCountFromMemory));
    if (e.type == kTypeString) {
        if (!wholeTlv && countOnWire)
            countBytes = (e.ext & kExtFourByteCount) ? 4 : (e.flags & kFlagWideCount) ? 2 : 1;
    } else if (e.variable && countOnWire) {
        countBytes = (e.ext & kExtFourByteCount) ? 4 : (e.flags & kFlagWideCount) ? 2 : 1;
    }
    if (e.ext & kExtCountOnly) return countBytes;
    if (e.type == kTypeStruct) {
        const halyx_message_desc* type = ResolveType(table, e);
        if (!type) return -1;
        const long one = MaxStructWire(*type, TypeOwner(table, e));
        return one < 0 ? -1 : countBytes + one * count;
    }
    return countBytes + static_cast<long>(kWireSize[e.type]) * count;
}

// Whether every element of a run fits a structure of `size` bytes, with its valid byte and count field.
constexpr bool ElementFits(const Element& e, std::uint32_t size, const halyx_type_table* table);

constexpr bool StructFits(const halyx_message_desc& type, const halyx_type_table* owner) {
    return ForEachMember(type.elements, [&](const Element& e) { return ElementFits(e, type.size, owner); });
}

constexpr bool ElementFits(const Element& e, std::uint32_t size, const halyx_type_table* table) {
    if (e.type == kTypeString && !e.array) return false;  // a string needs its maximum
    if (e.variable && e.type != kTypeString) {
        if (e.count_distance < 4 || e.count_distance > e.offset) return false;
        if (e.offset - e.count_distance + 4 > size) return false;
    }
    const std::uint32_t count = e.array ? e.max_count : 1;
    std::uint64_t bytes = 0;
    if (e.type == kTypeStruct) {
        const halyx_message_desc* type = ResolveType(table, e);
        if (!type || !StructFits(*type, TypeOwner(table, e))) return false;
        bytes = static_cast<std::uint64_t>(type->size) * count;
    } else if (e.type == kTypeString) {
        bytes = static_cast<std::uint64_t>(count) + 1;
    } else {
        bytes = static_cast<std::uint64_t>(kMemorySize[e.type]) * count;
    }
    return e.offset + bytes <= size;
}

// Checks a message's element list against its structure size and computes its longest encoding.
struct ListCheck {
    bool ok = false;
    long max_wire = 0;
};

constexpr ListCheck CheckMessageList(const halyx_message_desc& msg, const halyx_type_table* table) {
    ListCheck result{true, 0};
    bool seen[256] = {};
    result.ok = ForEachTlv(msg.elements, [&](const TlvHeader& h, const Element& e) {
        // Mandatory types are 0x01..0x0F and optional ones 0x10 and above, each listed once.
        const bool typeOk = h.optional ? h.type >= 0x10 : (h.type >= 0x01 && h.type <= 0x0F);
        const bool validOk = !h.optional || (h.valid_distance >= 1 && h.valid_distance <= e.offset);
        const long wire = MaxElementWire(e, table, true);
        if (!typeOk || !validOk || seen[h.type] || wire < 0 || !ElementFits(e, msg.size, table)) return false;
        seen[h.type] = true;
        result.max_wire += 3 + wire;
        return true;
    });
    return result;
}

// ---- Builder ------------------------------------------------------------------------------------------

// A field of an in-memory structure as the builder takes it.
struct Field {
    std::uint8_t type = 0;
    std::uint32_t offset = 0;
    bool array = false;
    bool variable = false;
    std::uint32_t max_count = 0;
    std::uint32_t count_offset = 0;
    std::uint8_t type_index = 0;
    std::uint8_t table_index = 0;
    std::uint32_t ext = 0;
};

constexpr Field U8(std::size_t offset) { return {kTypeU8, static_cast<std::uint32_t>(offset)}; }
constexpr Field U16(std::size_t offset) { return {kTypeU16, static_cast<std::uint32_t>(offset)}; }
constexpr Field U32(std::size_t offset) { return {kTypeU32, static_cast<std::uint32_t>(offset)}; }
constexpr Field U64(std::size_t offset) { return {kTypeU64, static_cast<std::uint32_t>(offset)}; }
// Floats and doubles travel as their bit patterns.
constexpr Field F32(std::size_t offset) { return U32(offset); }
constexpr Field F64(std::size_t offset) { return U64(offset); }
// 2 wire bytes held as a sign-extended 32-bit value.
constexpr Field ShortAsI32(std::size_t offset) {
    return {kTypeShortAsI32, static_cast<std::uint32_t>(offset)};
}
constexpr Field String(std::size_t offset, std::uint32_t maxChars) {
    return {kTypeString, static_cast<std::uint32_t>(offset), true, true, maxChars};
}
constexpr Field Struct(std::size_t offset, std::uint8_t typeIndex, std::uint8_t tableIndex) {
    return {kTypeStruct, static_cast<std::uint32_t>(offset), false, false, 0, 0, typeIndex, tableIndex};
}
constexpr Field FixedArray(Field f, std::uint32_t count) {
    f.array = true;
    f.max_count = count;
    return f;
}
// An array whose current count sits in the 32-bit field at countOffset, before the array.
constexpr Field VarArray(Field f, std::uint32_t maxCount, std::size_t countOffset) {
    f.array = true;
    f.variable = true;
    f.max_count = maxCount;
    f.count_offset = static_cast<std::uint32_t>(countOffset);
    return f;
}

// Not constexpr on purpose: reaching it while building a table at compile time stops the build.
void ElementListBuildError(const char* why);

// The most bytes one element list of the tables takes.
inline constexpr std::size_t kMaxListBytes = 96;

// Writes an element list (message) or a structure type's run.
class ElementList {
  public:
    // A mandatory TLV (type 0x01..0x0F).
    constexpr ElementList& Mandatory(std::uint8_t tlvType, const Field& f) {
        last_header_ = size_;
        Put(tlvType & kHeaderNibble);
        Append(f);
        return *this;
    }
    // An optional TLV (type 0x10 and above) whose valid byte sits at validOffset, before the field.
    constexpr ElementList& Optional(std::uint8_t tlvType, std::size_t validOffset, const Field& f) {
        // The valid byte must sit 1..15 bytes before its field: the distance has one nibble.
        if (validOffset >= f.offset || f.offset - validOffset > kHeaderNibble) {
            ElementListBuildError("valid byte out of reach");
        }
        last_header_ = size_;
        Put(static_cast<std::uint8_t>(kHeaderOptional | (f.offset - validOffset)));
        Put(tlvType);
        Append(f);
        return *this;
    }
    // Marks the last TLV; call once, after the last entry.
    constexpr ElementList& Last() {
        bytes_[last_header_] |= kHeaderLast;
        return *this;
    }
    // One element of a structure type's run.
    constexpr ElementList& Member(const Field& f) {
        Append(f);
        return *this;
    }
    // Ends a structure type's run.
    constexpr ElementList& EndStruct() {
        Put(kStructEnd);
        return *this;
    }

    [[nodiscard]] constexpr const std::uint8_t* data() const { return bytes_.data(); }
    [[nodiscard]] constexpr std::size_t size() const { return size_; }

  private:
    constexpr void Put(std::uint8_t b) {
        if (size_ == bytes_.size()) ElementListBuildError("list too long");
        bytes_[size_++] = b;
    }
    constexpr void PutLe(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) Put(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    constexpr void Append(const Field& f) {
        std::uint32_t ext = f.ext;
        if (f.offset > 0xFFFF) ext |= kExtThreeByteOffset;
        if (f.max_count > 0xFFFF) ext |= kExtFourByteCount;
        std::uint8_t flags = f.type;
        if (f.offset > 0xFF && f.offset <= 0xFFFF) flags |= kFlagWideOffset;
        if (f.array) flags |= kFlagArray;
        if (f.array && f.max_count > 0xFF && f.max_count <= 0xFFFF) flags |= kFlagWideCount;
        if (f.variable) flags |= kFlagVariable;
        if (ext) flags |= kFlagExtension;
        Put(flags);
        if (ext) Put(static_cast<std::uint8_t>(ext >> 8));
        PutLe(f.offset, (ext & kExtThreeByteOffset) ? 3 : (flags & kFlagWideOffset) ? 2 : 1);
        if (f.array) PutLe(f.max_count, (ext & kExtFourByteCount) ? 4 : (flags & kFlagWideCount) ? 2 : 1);
        if (f.variable && f.type != kTypeString) {
            if (f.count_offset + 4 > f.offset || f.offset - f.count_offset > 0xFF) {
                ElementListBuildError("count field out of reach");
            }
            Put(static_cast<std::uint8_t>(f.offset - f.count_offset));
        }
        if (f.type == kTypeStruct) {
            Put(f.type_index);
            Put(f.table_index);
        }
    }

    std::array<std::uint8_t, kMaxListBytes> bytes_{};
    std::size_t size_ = 0;
    std::size_t last_header_ = 0;
};

}  // namespace geolumen::idl
