#include "halyx/tlv_index.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace geolumen::idl {
namespace {

// Direct-mapped by the list's address: the location service has 161 message descriptions, of which the
// driver decodes a handful often; collisions only cost a look into the store.
constexpr std::size_t kCacheSlots = 256;

struct IndexStore {
    std::mutex mutex;
    std::vector<std::unique_ptr<TlvIndex>> built;  // never shrinks: cached pointers stay valid
    std::array<std::atomic<const TlvIndex*>, kCacheSlots> cache{};
};

// Built when the program or library is loaded, so it is destroyed only after every object built later,
// the tables of the threads that the static teardown stops among them.
IndexStore g_store;

IndexStore& Store() { return g_store; }

std::size_t SlotOf(const std::uint8_t* list) {
    const auto a = reinterpret_cast<std::uintptr_t>(list);
    return (a ^ (a >> 8) ^ (a >> 16)) % kCacheSlots;
}

// Whether `list` holds the bytes the index was built from. Compares byte by byte up to the first
// difference: a list that differs may end earlier, and nothing past its end may be read.
bool Matches(const TlvIndex& index, const std::uint8_t* list) {
    if (index.list != list) return false;
    // Static storage is never reused, so the address alone names the list.
    if (index.permanent) return true;
    for (std::size_t i = 0; i < index.bytes.size(); ++i) {
        if (list[i] != index.bytes[i]) return false;
    }
    return true;
}

std::unique_ptr<TlvIndex> Build(const std::uint8_t* list, bool permanent) {
    auto index = std::make_unique<TlvIndex>();
    index->list = list;
    index->permanent = permanent;
    const std::uint8_t* p = list;
    for (;;) {
        IndexedTlv t;
        p = ReadTlvHeader(p, t.header);
        p = ReadElement(p, t.element);
        const Element& e = t.element;
        if (!e.array && e.type <= kTypeU64 && !(e.ext & kExtCountOnly)) t.plain_size = kWireSize[e.type];
        index->entries.push_back(t);
        // A type listed twice is found at its first entry, as a walk of the list finds it.
        if (index->slot[t.header.type] == 0 && index->entries.size() <= 0xFFFF) {
            index->slot[t.header.type] = static_cast<std::uint16_t>(index->entries.size());
        }
        if (!t.header.optional) index->mandatory.set(t.header.type);
        if (t.header.last) break;
    }
    index->bytes.assign(list, p);
    return index;
}

}  // namespace

const TlvIndex& IndexOf(const std::uint8_t* list, bool permanent) {
    IndexStore& store = Store();
    std::atomic<const TlvIndex*>& cached = store.cache[SlotOf(list)];
    if (const TlvIndex* hit = cached.load(std::memory_order_acquire); hit && Matches(*hit, list)) return *hit;
    std::lock_guard lock(store.mutex);
    const TlvIndex* found = nullptr;
    for (const auto& index : store.built) {
        if (Matches(*index, list)) {
            found = index.get();
            break;
        }
    }
    if (found == nullptr) {
        store.built.push_back(Build(list, permanent));
        found = store.built.back().get();
    }
    cached.store(found, std::memory_order_release);
    return *found;
}

}  // namespace geolumen::idl
