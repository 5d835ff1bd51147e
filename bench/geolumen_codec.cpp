// Decoding cost of the two reports the driver receives most often: one iteration decodes one message, so
// the reported time is nanoseconds per message.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "halyx/location_service.h"

namespace {

using namespace geolumen;

void Put(std::vector<std::uint8_t>& w, const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    w.insert(w.end(), b, b + n);
}

void PutTlv(std::vector<std::uint8_t>& w, std::uint8_t type, const void* value, std::uint16_t len) {
    w.push_back(type);
    w.push_back(static_cast<std::uint8_t>(len));
    w.push_back(static_cast<std::uint8_t>(len >> 8));
    Put(w, value, len);
}

// A final fix with every TLV the driver reads (115 bytes).
std::vector<std::uint8_t> PositionReport() {
    std::vector<std::uint8_t> w;
    const std::uint32_t status = 0;
    const std::uint8_t session = 1;
    const double lat = 48.125, lon = -11.5;
    const float f = 5.0f, dop[3] = {2.0f, 1.25f, 1.5f};
    const std::uint32_t mask = 5;
    const std::uint64_t utc = 1700000000000ull;
    PutTlv(w, 0x01, &status, 4);
    PutTlv(w, 0x02, &session, 1);
    PutTlv(w, 0x10, &lat, 8);
    PutTlv(w, 0x11, &lon, 8);
    for (const std::uint8_t t : {0x12, 0x18, 0x1A, 0x1B, 0x1C, 0x20, 0x22}) PutTlv(w, t, &f, 4);
    PutTlv(w, 0x23, &mask, 4);
    PutTlv(w, 0x24, dop, 12);
    PutTlv(w, 0x25, &utc, 8);
    return w;
}

// 80 satellites: the service's longest message (2248 bytes).
std::vector<std::uint8_t> SatelliteReport() {
    std::vector<std::uint8_t> entries;
    entries.push_back(80);  // the count, then the 28-byte entries
    for (std::uint32_t i = 0; i < 80; ++i) {
        const std::uint32_t valid = 0xE3, system = 1;
        const std::uint16_t id = static_cast<std::uint16_t>(i + 1);
        const std::uint8_t zeros[6] = {};
        const float el = 45.0f, az = 180.0f, snr = 38.5f;
        Put(entries, &valid, 4);
        Put(entries, &system, 4);
        Put(entries, &id, 2);
        Put(entries, zeros, 6);
        Put(entries, &el, 4);
        Put(entries, &az, 4);
        Put(entries, &snr, 4);
    }
    std::vector<std::uint8_t> w;
    const std::uint8_t first = 0;
    PutTlv(w, 0x01, &first, 1);
    PutTlv(w, 0x10, entries.data(), static_cast<std::uint16_t>(entries.size()));
    return w;
}

using Decoder = int (*)(const halyx_service_desc*, std::uint32_t, std::uint16_t, const std::uint8_t*,
                        std::uint32_t, void*, std::uint32_t);

template <class T>
void DecodeReport(benchmark::State& state, std::uint16_t id, const std::vector<std::uint8_t>& wire,
                  Decoder decode = &halyx_decode_tlvs) {
    const halyx_service_desc* desc = halyx_location_service_desc(2, 6, 4);
    T out;
    if (decode(desc, kHalyxKindIndication, id, wire.data(), static_cast<std::uint32_t>(wire.size()), &out,
               sizeof out) != 0) {
        state.SkipWithError("sample does not decode");
        return;
    }
    for (auto _ : state) {
        const int rc = decode(desc, kHalyxKindIndication, id, wire.data(),
                              static_cast<std::uint32_t>(wire.size()), &out, sizeof out);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(&out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wire.size()));
}

void BM_DecodeFullPositionReport(benchmark::State& state) {
    DecodeReport<halyx_loc_position_report>(state, kHalyxLocPositionReport, PositionReport());
}
BENCHMARK(BM_DecodeFullPositionReport);

void BM_DecodeSatelliteReport80(benchmark::State& state) {
    DecodeReport<halyx_loc_satellite_report>(state, kHalyxLocSatelliteReport, SatelliteReport());
}
BENCHMARK(BM_DecodeSatelliteReport80);

// The decoder as it was, walking the element list for every TLV: the figure the index is measured against.
void BM_DecodeFullPositionReportByWalk(benchmark::State& state) {
    DecodeReport<halyx_loc_position_report>(state, kHalyxLocPositionReport, PositionReport(),
                                            &halyx_decode_tlvs_walk);
}
BENCHMARK(BM_DecodeFullPositionReportByWalk);

void BM_DecodeSatelliteReport80ByWalk(benchmark::State& state) {
    DecodeReport<halyx_loc_satellite_report>(state, kHalyxLocSatelliteReport, SatelliteReport(),
                                             &halyx_decode_tlvs_walk);
}
BENCHMARK(BM_DecodeSatelliteReport80ByWalk);

}  // namespace

BENCHMARK_MAIN();
