// One position report from the indication's payload to the driver's LocationFix: decode, store, convert
// and copy out, as the slot thread and the position worker do it; and the same through the whole message
// stack against the simulated module.
#include <benchmark/benchmark.h>

#include <vector>

#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"
#include "halyx/location_service.h"
#include "location/location_client.h"
#include "location/location_reports.h"
#include "sim/sim_location_service.h"
#include "support/sim_stack.h"

namespace {

using namespace geolumen;

// A full final fix: status, session id, coordinates, seven floats, mask, DOP and UTC time (115 bytes).
const std::vector<uint8_t> kPositionPayload = {
    0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x01, 0x00, 0x01, 0x10, 0x08, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x10, 0x48, 0x40, 0x11, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x27, 0xC0, 0x12,
    0x04, 0x00, 0x00, 0x00, 0xA0, 0x40, 0x18, 0x04, 0x00, 0x00, 0x00, 0xC0, 0x3F, 0x1A, 0x04, 0x00, 0x00,
    0x00, 0x0C, 0x44, 0x1B, 0x04, 0x00, 0x00, 0x00, 0x00, 0x44, 0x1C, 0x04, 0x00, 0x00, 0x00, 0x00, 0x41,
    0x20, 0x04, 0x00, 0x00, 0x00, 0xB4, 0x42, 0x22, 0x04, 0x00, 0x00, 0x00, 0x40, 0x40, 0x23, 0x04, 0x00,
    0x05, 0x00, 0x00, 0x00, 0x24, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0xA0, 0x3F, 0x00, 0x00,
    0xC0, 0x3F, 0x25, 0x08, 0x00, 0x00, 0x68, 0xE5, 0xCF, 0x8B, 0x01, 0x00, 0x00};

void BM_PositionReportDecodeAndConvert(benchmark::State& state) {
    const halyx_service_desc* desc =
        halyx_location_service_desc(kHalyxLocIdlMajor, kHalyxLocIdlMinor, kHalyxLocLibraryVersion);
    LocationReports reports;
    halyx_loc_position_report decoded{};
    for (auto _ : state) {
        const int r =
            halyx_decode_tlvs(desc, kHalyxKindIndication, kHalyxLocPositionReport, kPositionPayload.data(),
                              static_cast<uint32_t>(kPositionPayload.size()), &decoded, sizeof decoded);
        if (r != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        reports.StorePositionReport(decoded);
        benchmark::DoNotOptimize(reports.ProcessPositionReport());
        benchmark::DoNotOptimize(reports.CopyLocationFix());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PositionReportDecodeAndConvert);

void BM_PositionReportThroughStack(benchmark::State& state) {
    sim::SimStack stack;
    if (stack.Start(false) != 0) {
        state.SkipWithError("simulated stack did not start");
        return;
    }
    {
        sim::SimLocationService service(stack.module);
        LocationClient client;
        if (client.OpenLocationClient(false) != 0) state.SkipWithError("client did not open");
        sim::SimPosition position;
        position.latitude = 48.125;
        position.longitude = -11.5;
        position.utcMs = 1700000000000ULL;
        for (auto _ : state) {
            service.SendPosition(position);
            if (client.events().positionReport.Wait(2000) != WAIT_OBJECT_0) {
                state.SkipWithError("no position event");
                break;
            }
            benchmark::DoNotOptimize(client.ProcessPositionReport());
            benchmark::DoNotOptimize(client.reports().CopyLocationFix());
        }
        state.SetItemsProcessed(state.iterations());
    }
    halyx_mux_stop();
    halyx_transport_unregister();
    stack.Stop();
}
BENCHMARK(BM_PositionReportThroughStack)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
