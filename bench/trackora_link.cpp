// Throughput of the link's byte paths and of the receiver, to compare with the fastest line the port manager
// offers here: 921600 baud carries 92160 bytes per second (10 bits per byte with start and stop bit).
#include <benchmark/benchmark.h>

#include <QDateTime>
#include <vector>

#include "link/FrameParser.h"
#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "link/ReplyDispatch.h"
#include "platform/Clock.h"

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

// One receiver tick working off state.range(0) replies that arrived since the last tick, through the
// ring's writer, the parser and the dispatcher (log lines formatted, then thrown away). One in ten is a
// 114-byte state report, the others 18-byte acknowledgements, as a terminal answering a console sends.
void BM_ReceiverTick(benchmark::State& state) {
    SetLogSink([](const std::string&) {});
    SetClock([] { return QDateTime(QDate(2024, 12, 8), QTime(9, 5, 3)); });
    std::vector<uint8_t> burst;
    for (int seq = 1; seq <= state.range(0); ++seq) {
        const bool report = seq % 10 == 0;
        const uint16_t length = report ? 96 : 0;
        // "KQ", 2 bytes, header 01..05, seq, type 8100 or F000, length, all high byte first.
        burst.insert(burst.end(), {'K', 'Q', 0, 0, 1, 2, 3, 4, 5});
        burst.insert(burst.end(), {static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq)});
        burst.insert(burst.end(), {static_cast<uint8_t>(report ? 0x81 : 0xF0), 0x00, 0x00});
        burst.push_back(static_cast<uint8_t>(length));
        burst.insert(burst.end(), length, 0x11);
        burst.insert(burst.end(), {0x00, 0x0D, 0x0A});
    }
    ResetPublicData();
    int32_t incomplete = 0;
    int64_t bytes = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        RecvRingWrite(burst.data(), burst.size());
        frames += RunReceiverTick(incomplete, [] { DispatchReply(ReplyRecord); });
        bytes += static_cast<int64_t>(burst.size());
    }
    state.SetBytesProcessed(bytes);
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["times_921600_baud"] =
        benchmark::Counter(static_cast<double>(bytes) / kLineBytesPerSecond, benchmark::Counter::kIsRate);
    SetClock(nullptr);
    SetLogSink(nullptr);
}
// 4 replies are a tick at 40 a second, 400 a tick's worth of the fastest line, 2,000 a long burst.
BENCHMARK(BM_ReceiverTick)->Arg(4)->Arg(400)->Arg(2000);

}  // namespace

BENCHMARK_MAIN();
