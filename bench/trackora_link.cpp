// Throughput of the link's byte paths, to compare with the fastest line the port manager offers here:
// 921600 baud carries 92160 bytes per second (10 bits per byte with start and stop bit).
#include <benchmark/benchmark.h>

#include "link/PublicData.h"

namespace {

// times_921600_baud: how many such lines one core keeps up with (printed with a "/s" suffix).
constexpr double kLineBytesPerSecond = 921600.0 / 10.0;

// Building the hex command line of the largest frame (491 payload bytes, 1024 characters).
void BM_BuildCommandLine(benchmark::State& state) {
    ResetPublicData();
    CommandRecord.Cmd = 0x0201;
    CommandRecord.Len = static_cast<int>(state.range(0));
    for (int i = 0; i < CommandRecord.Len; ++i)
        CommandRecord.Data[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    int64_t bytes = 0;
    for (auto _ : state) {
        const int length = BuildCommandLine(CommandRecord);
        benchmark::DoNotOptimize(CommandRecord.Text.data());
        bytes += length;
    }
    state.SetBytesProcessed(bytes);
    state.counters["times_921600_baud"] =
        benchmark::Counter(static_cast<double>(bytes) / kLineBytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BuildCommandLine)->Arg(0)->Arg(64)->Arg(491);

// Filling the receive ring from received chunks, the ring emptied between chunks as the parser does.
void BM_RingFill(benchmark::State& state) {
    ResetPublicData();
    const int chunk = static_cast<int>(state.range(0));
    int64_t bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < chunk; ++i) (void)RecvRingPush(static_cast<uint8_t>(i));
        while (RecvRing.Count > 0) RecvRingDrop();
        bytes += chunk;
    }
    state.SetBytesProcessed(bytes);
    state.counters["times_921600_baud"] =
        benchmark::Counter(static_cast<double>(bytes) / kLineBytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RingFill)->Arg(64)->Arg(2000);

}  // namespace

BENCHMARK_MAIN();
