// The CDC WDM back end reads its device as a byte stream and cuts whole multiplex frames out of it. The
// reads are scripted through the back end's system-call seam, so every piece boundary is exactly where
// the row puts it; the frames are the simulated module's own encoding of real messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

#include "halyx/halyx_mux.h"
#include "platform/cdc_wdm_usb_target.h"
#include "platform/trace.h"
#include "sim/sim_frame.h"
#include "sim/sim_location_service.h"
#include "support/spoilt_frames.h"
#include "support/stream_syscalls.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;
using namespace std::chrono_literals;

// A target framing the multiplex layout over scripted reads.
struct StreamTarget {
    StreamTarget()
        : sys(new StreamSyscalls),
          target(::open("/dev/null", O_RDWR | O_CLOEXEC), std::unique_ptr<CdcWdmSyscalls>(sys)) {
        target.SetFrameRule(&halyx_mux_frame_check);
    }
    // One GET_ENCAPSULATED_RESPONSE; empty when no whole frame was there.
    Bytes Fetch() {
        Bytes buffer(4096, 0xAA);
        std::size_t n = 0;
        EXPECT_EQ(target.ControlTransfer(kGetEncapsulatedResponse, buffer, n), 0);
        buffer.resize(n);
        return buffer;
    }
    // Fetches until every scripted piece was read and no whole frame is left.
    std::vector<Bytes> FetchAll() {
        std::vector<Bytes> frames;
        for (;;) {
            Bytes b = Fetch();
            if (!b.empty()) {
                frames.push_back(std::move(b));
            } else if (sys->pieces.empty()) {
                return frames;
            }
        }
    }
    StreamSyscalls* sys;  // owned by the target
    CdcWdmUsbTarget target;
};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// `bytes` in pieces of `size` (the last one shorter).
std::vector<Bytes> Pieces(const Bytes& bytes, std::size_t size) {
    std::vector<Bytes> out;
    for (std::size_t at = 0; at < bytes.size(); at += size)
        out.emplace_back(bytes.begin() + static_cast<long>(at),
                         bytes.begin() + static_cast<long>(std::min(at + size, bytes.size())));
    return out;
}

// Real messages, as the module sends them.
Bytes ClientIdAnswer(std::uint8_t transaction = 2) {
    sim::SimFrame f;
    f.type = sim::kCtlResponse;
    f.transaction = transaction;
    f.messageId = 0x22;
    f.tlvs = {sim::ResultTlv(0, 0), {0x01, {0x10, 0x05}}};
    return sim::BuildFrame(f);
}

Bytes PositionReport() {
    sim::SimPosition p;
    p.latitude = 48.125;
    p.longitude = -11.5;
    p.utcMs = 1700000000000;
    sim::SimFrame f;
    f.service = sim::kLocationService;
    f.clientId = 5;
    f.type = sim::kMsgIndication;
    f.messageId = 0x24;
    f.tlvs = sim::SimLocationService::EncodePosition(p);
    return sim::BuildFrame(f);
}

// 80 satellites of 28 bytes behind a count: TLV 0x10 3 + 1 + 2240, TLV 0x01 4; payload 2248, frame
// 2248 + 7 + 6 = 2261 bytes.
Bytes SatelliteReport() {
    std::vector<sim::SimSatellite> sats(80);
    for (std::size_t i = 0; i < sats.size(); ++i) {
        sats[i] = {0x3F, 1, static_cast<std::uint16_t>(i + 1), 45.0f, 180.0f, 38.5f};
    }
    sim::SimFrame f;
    f.service = sim::kLocationService;
    f.clientId = 5;
    f.type = sim::kMsgIndication;
    f.messageId = 0x25;
    f.tlvs = sim::SimLocationService::EncodeSatellites(sats, 0);
    return sim::BuildFrame(f);
}

TEST(CdcWdmStreamFramer, RealMessagesHaveTheirSizes) {
    EXPECT_EQ(ClientIdAnswer().size(), 6u + 6 + 7 + 5);
    EXPECT_EQ(SatelliteReport().size(), 2261u);
}

TEST(CdcWdmStreamFramer, PiecesOfTheStreamBecomeWholeFrames) {
    const Bytes id = ClientIdAnswer();
    const Bytes pos = PositionReport();
    const Bytes sat = SatelliteReport();
    const Bytes satHead(sat.begin(), sat.begin() + 2048);
    const Bytes satTail(sat.begin() + 2048, sat.end());
    const struct {
        const char* legend;
        std::vector<Bytes> pieces;
        std::vector<Bytes> frames;
    } rows[] = {
        {"one frame, one read", {id}, {id}},
        {"satellite report as 2048 + 213 bytes", {satHead, satTail}, {sat}},
        {"two frames in one read", {Join({id, pos})}, {id, pos}},
        {"three frames in one read, the last a satellite report", {Join({pos, id, sat})}, {pos, id, sat}},
        {"a frame and the first 5 bytes of the next, then the rest",
         {Join({id, Bytes(pos.begin(), pos.begin() + 5)}), Bytes(pos.begin() + 5, pos.end())},
         {id, pos}},
        {"frames in 7-byte pieces", Pieces(Join({id, pos, sat}), 7), {id, pos, sat}},
        {"frames a byte at a time", Pieces(Join({pos, id}), 1), {pos, id}},
        {"garbage before a frame", {Join({{0x00, 0xFF, 0x7E, 0x02}, id})}, {id}},
        {"garbage between frames", {Join({id, {0xEE, 0xEE, 0xEE}, pos})}, {id, pos}},
        {"garbage in a read of its own, then a frame", {{0x55, 0x66}, id}, {id}},
        {"0x01 whose length is below a header", {Join({{0x01, 0x03, 0x00}, id})}, {id}},
        {"0x01 whose length is above the largest frame", {Join({{0x01, 0xFF, 0xFF}, id})}, {id}},
        {"0x01 with service 100", {Join({{0x01, 0x06, 0x00, 0x00, 100}, id})}, {id}},
        {"0x01 bytes only", {{0x01}, {0x01}, {0x01}}, {}},
        {"nothing but garbage", {{0x10, 0x20, 0x30}}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        StreamTarget t;
        t.sys->pieces.assign(row.pieces.begin(), row.pieces.end());
        EXPECT_EQ(t.FetchAll(), row.frames);
    }
}

// Cuts each real message after byte i for every i, alone and with the next frame behind it: the first
// piece alone never yields a frame, and the rest yields exactly the message.
TEST(CdcWdmStreamFramer, MessageCutAfterEveryByteArrivesWhole) {
    const Bytes next = ClientIdAnswer();
    for (const Bytes& message : {ClientIdAnswer(), PositionReport(), SatelliteReport()}) {
        for (std::size_t cut = 1; cut < message.size(); ++cut) {
            for (bool followed : {false, true}) {
                SCOPED_TRACE("message of " + std::to_string(message.size()) + " bytes cut after byte " +
                             std::to_string(cut) + (followed ? ", next frame behind" : ""));
                StreamTarget t;
                t.sys->pieces = {Bytes(message.begin(), message.begin() + static_cast<long>(cut))};
                ASSERT_TRUE(t.Fetch().empty());
                Bytes rest(message.begin() + static_cast<long>(cut), message.end());
                if (followed) rest.insert(rest.end(), next.begin(), next.end());
                t.sys->pieces.push_back(rest);
                const std::vector<Bytes> expected =
                    followed ? std::vector<Bytes>{message, next} : std::vector<Bytes>{message};
                ASSERT_EQ(t.FetchAll(), expected);
            }
        }
    }
}

// The framer's trace lines while `body` runs.
template <typename Body>
std::vector<std::string> DeviceTraceOf(Body body) {
    std::vector<std::string> lines;
    RegisterTraceProvider();
    SetTraceSession(TRACE_LEVEL_VERBOSE, TRACE_DEVICE);
    TraceSink previous = SetTraceSink([&](const TraceRecord& r) { lines.push_back(r.text); });
    body();
    (void)SetTraceSink(std::move(previous));
    SetTraceSession(TRACE_LEVEL_NONE, 0);
    UnregisterTraceProvider();
    return lines;
}

TEST(CdcWdmStreamFramer, PartialFrameThatStallsIsDroppedAtItsTimeOut) {
    const Bytes id = ClientIdAnswer();
    const Bytes pos = PositionReport();
    const auto timeout = std::chrono::milliseconds(kCdcWdmPartialFrameTimeoutMs);
    const Bytes head(pos.begin(), pos.begin() + 10);
    const Bytes tail(pos.begin() + 10, pos.end());
    const struct {
        const char* legend;
        Bytes first;
        std::chrono::milliseconds quiet;
        Bytes second;
        std::vector<Bytes> frames;
        bool dropped;
    } rows[] = {
        {"rest comes just before the time-out", head, timeout - 1ms, tail, {pos}, false},
        {"nothing more by the time-out: the start is dropped, the next frame comes whole",
         head,
         timeout,
         id,
         {id},
         true},
        {"a false start holding a whole frame: the frame proves it false before any time-out",
         Join({{0x01, 0x40, 0x00, 0x00, 0x10}, id}),
         timeout,
         {},
         {id},
         false},
        {"two false starts in a row are dropped in one go",
         {0x01, 0x40, 0x00, 0x00, 0x10, 0x01, 0x30, 0x00},
         timeout,
         pos,
         {pos},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        StreamTarget t;
        std::vector<Bytes> frames;
        const auto lines = DeviceTraceOf([&] {
            t.sys->pieces = {row.first};
            for (Bytes f = t.Fetch(); !f.empty(); f = t.Fetch()) frames.push_back(f);
            t.sys->now += row.quiet;
            // A fetch that finds nothing new to read is where a stalled frame goes.
            for (Bytes f = t.Fetch(); !f.empty(); f = t.Fetch()) frames.push_back(f);
            if (!row.second.empty()) t.sys->pieces = {row.second};
            for (Bytes& f : t.FetchAll()) frames.push_back(std::move(f));
        });
        EXPECT_EQ(frames, row.frames);
        const bool traced = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("partial frame dropped", 0) == 0;
        });
        EXPECT_EQ(traced, row.dropped);
    }
}

// The stream as the module sends it, one read per 120 ms: every frame the reads yield, in order.
std::vector<Bytes> FramesOfReads(const std::vector<Bytes>& reads) {
    StreamTarget t;
    std::vector<Bytes> frames;
    for (const Bytes& read : reads) {
        t.sys->pieces.push_back(read);
        t.sys->now += 120ms;
        for (Bytes& f : t.FetchAll()) frames.push_back(std::move(f));
    }
    return frames;
}

// Which of the `good` frames came, by their index in order, and whether any other frame came.
std::pair<std::vector<std::size_t>, bool> SortOut(const std::vector<Bytes>& frames,
                                                  const std::vector<Bytes>& good) {
    std::vector<std::size_t> kept;
    bool other = false;
    for (const Bytes& f : frames) {
        const auto at = std::find(good.begin(), good.end(), f);
        if (at != good.end()) {
            kept.push_back(static_cast<std::size_t>(at - good.begin()));
        } else {
            other = true;
        }
    }
    return {kept, other};
}

// 0, 1, ..., n - 1: every good frame, in order.
std::vector<std::size_t> AllOf(std::size_t n) {
    std::vector<std::size_t> all(n);
    for (std::size_t i = 0; i < n; ++i) all[i] = i;
    return all;
}

constexpr std::uint8_t kClient = 5;
constexpr int kGoodAfter = 20;

// A good report, then one spoilt, then twenty good ones 120 ms apart (closer than the stall time-out, so
// only the framer's own judgement can recover): every good report comes through, the spoilt one costs
// only itself.
TEST(CdcWdmStreamResync, ASpoiltFrameCostsOnlyItself) {
    for (const Spoil& spoil : kSpoils) {
        SCOPED_TRACE(spoil.legend);
        std::vector<Bytes> good;
        for (int i = 0; i <= kGoodAfter; ++i) good.push_back(ReportFrame(1000 + 120 * i, kClient));
        std::vector<Bytes> reads = {good[0], spoil.make(ReportFrame(999000, kClient))};
        for (int i = 1; i <= kGoodAfter; ++i) {
            if (i == 1 && spoil.withNext) {
                reads.back().insert(reads.back().end(), good[1].begin(), good[1].end());
            } else {
                reads.push_back(good[static_cast<std::size_t>(i)]);
            }
        }
        const auto [kept, other] = SortOut(FramesOfReads(reads), good);
        EXPECT_EQ(kept, AllOf(good.size()));
        EXPECT_EQ(other, spoil.handedOn);
    }
}

// Random garbage between real frames, some of it shaped like a frame header, some in a read of its own:
// no intact frame is lost. Fixed seed, so a failure replays.
TEST(CdcWdmStreamResync, GarbageBetweenFramesLosesNoIntactFrame) {
    constexpr int kFrames = 400;
    constexpr std::size_t kMaxGarbage = 40;
    std::mt19937 random(20261209);
    const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    std::vector<Bytes> good;
    std::vector<Bytes> reads;
    for (int i = 0; i < kFrames; ++i) {
        const Bytes frame = i % 5 == 4 ? ClientIdAnswer(static_cast<std::uint8_t>(1 + i / 5))
                                       : ReportFrame(1000 + 120 * i, kClient);
        good.push_back(frame);
        Bytes garbage;
        if (chance(50)) {
            garbage.resize(1 + random() % kMaxGarbage);
            for (auto& b : garbage) b = static_cast<std::uint8_t>(random());
            if (chance(25)) {
                // A header with a random length for the location service: only what follows proves it false.
                const Bytes head{0x01,
                                 static_cast<std::uint8_t>(random()),
                                 static_cast<std::uint8_t>(random() % 16),
                                 0x00,
                                 0x10,
                                 kClient};
                garbage.insert(garbage.begin(), head.begin(), head.end());
            }
        }
        if (chance(30)) {
            if (!garbage.empty()) reads.push_back(garbage);
            reads.push_back(frame);
        } else {
            reads.push_back(Join({garbage, frame}));
        }
    }
    const auto [kept, other] = SortOut(FramesOfReads(reads), good);
    EXPECT_EQ(kept, AllOf(good.size()));
}

}  // namespace
}  // namespace geolumen::testing
