// The decoder finds TLV entries through an index of each element list; the walk of the list it replaced
// is kept, and both must give the same result code and the same structure bytes on every message of the
// location service, for encodings of filled structures and for mutations of them.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "halyx/location_service.h"

namespace geolumen {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Outcome {
    int rc;
    Bytes out;
    bool operator==(const Outcome&) const = default;
};

// Decodes into a buffer of the structure's size plus a tail, all 0xAA first, so that a write anywhere
// the other decoder does not write shows.
template <class Decode>
Outcome DecodeWith(Decode decode, std::uint32_t kind, std::uint16_t id, const Bytes& wire,
                   std::uint32_t size) {
    Outcome o{0, Bytes(size + 16, 0xAA)};
    o.rc = decode(halyx_location_service_desc(2, 6, 4), kind, id, wire.data(),
                  static_cast<std::uint32_t>(wire.size()), o.out.data(), size);
    return o;
}

// Every message of the location service: kind and id.
std::vector<std::pair<std::uint32_t, std::uint16_t>> AllMessages() {
    const halyx_service_desc* d = halyx_location_service_desc(2, 6, 4);
    std::vector<std::pair<std::uint32_t, std::uint16_t>> all;
    const struct {
        std::uint32_t kind;
        const halyx_message_table* rows;
        std::uint16_t count;
    } kinds[] = {{kHalyxKindRequest, d->requests, d->request_count},
                 {kHalyxKindResponse, d->responses, d->response_count},
                 {kHalyxKindIndication, d->indications, d->indication_count}};
    for (const auto& k : kinds) {
        for (std::uint16_t i = 0; i < k.count; ++i) all.emplace_back(k.kind, k.rows[i].msg_id);
    }
    return all;
}

// Encodings of the message's structure filled with small numbers (counts and strings stay within their
// maxima, valid bytes are mostly set), some of each fill.
std::vector<Bytes> Seeds(std::uint32_t kind, std::uint16_t id, std::uint32_t size, std::mt19937& rng) {
    const halyx_service_desc* d = halyx_location_service_desc(2, 6, 4);
    std::uint32_t max = 0;
    EXPECT_EQ(halyx_max_encoded_length(d, kind, id, &max), 0);
    std::vector<Bytes> seeds;
    for (int fill = 0; fill < 6; ++fill) {
        Bytes in(size);
        for (auto& b : in) b = fill == 0 ? 0 : fill == 1 ? 1 : static_cast<std::uint8_t>(rng() % 4);
        Bytes wire(max + 16);
        std::uint32_t n = 0;
        if (halyx_encode_tlvs(d, kind, id, in.empty() ? nullptr : in.data(), wire.data(),
                              static_cast<std::uint32_t>(wire.size()), &n) == 0) {
            wire.resize(n);
            seeds.push_back(wire);
        }
    }
    return seeds;
}

Bytes Mutate(Bytes b, std::mt19937& rng) {
    const int how = static_cast<int>(rng() % 6);
    const auto at = [&](std::size_t n) { return n == 0 ? 0 : rng() % n; };
    switch (how) {
        case 0:  // a flipped bit
            if (!b.empty()) b[at(b.size())] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            break;
        case 1:  // cut short
            b.resize(at(b.size() + 1));
            break;
        case 2:  // a byte set to a TLV type or length that matters
            if (!b.empty())
                b[at(b.size())] =
                    static_cast<std::uint8_t>(std::vector<int>{0, 1, 2, 3, 0x10, 0x1F, 0xFF}[rng() % 7]);
            break;
        case 3: {  // the first TLV repeated at the end
            if (b.size() >= 3) {
                const std::size_t len = std::min<std::size_t>(3u + (b[1] | (b[2] << 8)), b.size());
                b.insert(b.end(), b.begin(), b.begin() + static_cast<long>(len));
            }
            break;
        }
        case 4:  // an unknown TLV in front
            b.insert(b.begin(), {static_cast<std::uint8_t>(rng() % 0x40), 1, 0, 7});
            break;
        default:  // bytes of noise
            for (int i = 0; i < 4; ++i)
                b.insert(b.begin() + static_cast<long>(at(b.size() + 1)), static_cast<std::uint8_t>(rng()));
            break;
    }
    return b;
}

TEST(HalyxTlvIndex, IndexAndWalkDecodeEveryMessageAlike) {
    std::mt19937 rng(20261209);
    std::size_t compared = 0;
    std::size_t decoded = 0;
    for (const auto& [kind, id] : AllMessages()) {
        std::uint32_t size = 0;
        ASSERT_EQ(halyx_message_struct_size(halyx_location_service_desc(2, 6, 4), kind, id, &size), 0);
        std::vector<Bytes> inputs = Seeds(kind, id, size, rng);
        ASSERT_FALSE(inputs.empty()) << "kind " << kind << " id " << id;
        const std::size_t seeds = inputs.size();
        for (std::size_t s = 0; s < seeds; ++s) {
            Bytes b = inputs[s];
            for (int m = 0; m < 150; ++m) {
                b = Mutate(m % 10 == 0 ? inputs[s] : b, rng);
                inputs.push_back(b);
            }
        }
        for (const Bytes& wire : inputs) {
            const Outcome index = DecodeWith(&halyx_decode_tlvs, kind, id, wire, size);
            const Outcome walk = DecodeWith(&halyx_decode_tlvs_walk, kind, id, wire, size);
            ASSERT_EQ(index, walk) << "kind " << kind << " id 0x" << std::hex << id;
            ++compared;
            decoded += index.rc == 0;
        }
    }
    // Both outcomes are well represented: the comparison is not only of failures.
    EXPECT_GT(compared, 100000u);
    EXPECT_GT(decoded, compared / 10);
}

}  // namespace
}  // namespace geolumen
