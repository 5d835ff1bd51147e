#pragma once
// The index of a message's element list: its TLV entries parsed once, found by TLV type in one step, and
// the set of its mandatory TLV types. The decoder would otherwise re-read the byte-coded list from its
// start for every TLV of a payload and again for the missing-TLV check.
//
// An index is built once per element list and kept for the life of the process. It is a function of the
// list's bytes alone: a list is recognised by its address and its bytes, so a description built at an
// address where another one lived (a test's description on the stack) gets an index of its own.
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "halyx/idl_format.h"

namespace geolumen::idl {

struct IndexedTlv {
    TlvHeader header;
    Element element;
    // Wire bytes of an element that is one number of type 0-3, copied as it is; 0 for any other.
    std::uint8_t plain_size = 0;
};

struct TlvIndex {
    const std::uint8_t* list = nullptr;  // the element list it was built from
    bool permanent = false;              // the list is in static storage and never changes
    std::vector<std::uint8_t> bytes;     // a copy of the list's bytes
    std::vector<IndexedTlv> entries;     // in list order
    // Entry + 1 of each TLV type (the first entry of a type, as a walk of the list finds it); 0: none.
    std::array<std::uint16_t, 256> slot{};
    std::bitset<256> mandatory;

    [[nodiscard]] const IndexedTlv* Find(std::uint8_t type) const {
        const std::uint16_t s = slot[type];
        return s != 0 ? &entries[s - 1u] : nullptr;
    }
};

// The index of element list `list` (not null), built on first use. A list in static storage
// (`permanent`) is known by its address; any other is also compared byte by byte with the index's copy.
// Safe from any thread.
[[nodiscard]] const TlvIndex& IndexOf(const std::uint8_t* list, bool permanent = false);

}  // namespace geolumen::idl
