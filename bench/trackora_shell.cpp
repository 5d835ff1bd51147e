// The receiver's cost per tick and the output log's cost per line.
//
// A parser tick must stay far below its 100 ms period whatever the ring holds; appending a line to the
// log must not grow with the lines already there, since the program logs all day.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <vector>

#include "link/FrameParser.h"
#include "link/LogMemo.h"
#include "link/PublicData.h"

namespace {

// An acknowledgement frame: Seq 7, Type F000, Len 0 (18 bytes).
const std::vector<uint8_t> kAck = {0x4B, 0x51, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05,
                                   0x00, 0x07, 0xF0, 0x00, 0x00, 0x00, 0xA2, 0x0D, 0x0A};

enum RingContent { kGarbage, kFrames, kLongFrame };

// A full ring (2000 bytes) of the given content.
TRecvRing FullRing(RingContent content) {
    ResetPublicData();
    std::vector<uint8_t> bytes;
    if (content == kFrames) {
        while (bytes.size() + kAck.size() <= kRecvRingSize)
            bytes.insert(bytes.end(), kAck.begin(), kAck.end());
    } else if (content == kLongFrame) {
        // Len 1024 = 0x0400: 1042 bytes, then acknowledgements.
        bytes = {0x4B, 0x51, 0, 0, 1, 2, 3, 4, 5, 0x00, 0x01, 0x81, 0x20, 0x04, 0x00};
        bytes.resize(bytes.size() + 1024, 0x55);
        bytes.insert(bytes.end(), {0x00, 0x0D, 0x0A});
        while (bytes.size() + kAck.size() <= kRecvRingSize)
            bytes.insert(bytes.end(), kAck.begin(), kAck.end());
    }
    bytes.resize(kRecvRingSize, 0x00);  // garbage: no "K" anywhere, every byte is dropped one by one
    for (uint8_t b : bytes) (void)RecvRingPush(b);
    return RecvRing;
}

// One parser tick on a full ring; the ring is put back before each tick (a 2 KB copy).
void BM_ParserTickFullRing(benchmark::State& state) {
    const TRecvRing full = FullRing(static_cast<RingContent>(state.range(0)));
    int32_t incomplete = 0;
    for (auto _ : state) {
        RecvRing = full;
        benchmark::DoNotOptimize(ParseOneFrame(incomplete));
    }
}
BENCHMARK(BM_ParserTickFullRing)->Arg(kGarbage)->Arg(kFrames)->Arg(kLongFrame);

// Appending one line to a log that already holds state.range(0) lines.
void BM_LogAppend(benchmark::State& state) {
    LogMemo memo;
    memo.resize(400, 500);
    const std::string line = "DateTime:2024/12/8 9:05:03  NO:4660";
    for (int64_t i = 0; i < state.range(0); ++i) memo.AppendLine(line);
    for (auto _ : state) memo.AppendLine(line);
    state.counters["lines"] = static_cast<double>(memo.Lines().size());
}
BENCHMARK(BM_LogAppend)->Arg(0)->Arg(1000000);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
