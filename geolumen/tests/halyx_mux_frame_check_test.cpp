// The multiplex layout as a stream rule: what the plain rule takes for a frame, and what counts as strong
// evidence, the judgement the framer relies on once it has lost step with the stream.
#include <gtest/gtest.h>

#include "halyx/halyx_mux.h"
#include "halyx/halyx_mux_state.h"
#include "sim/sim_frame.h"
#include "support/spoilt_frames.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;
using Verdict = StreamFrameCheck::Verdict;

// A control response to the client-id request: mux 6 + control header 6 + TLV 0x02 (3 + 4) + TLV 0x01
// (3 + 2) = 24 bytes.
Bytes ControlAnswer(std::uint8_t kind) {
    sim::SimFrame f;
    f.type = kind;
    f.transaction = 2;
    f.messageId = 0x22;
    f.tlvs = {sim::ResultTlv(0, 0), {0x01, {0x10, 0x05}}};
    return sim::BuildFrame(f);
}

Bytes Report() { return ReportFrame(1000, 5); }

template <typename Edit>
Bytes Edited(Bytes b, Edit edit) {
    edit(b);
    return b;
}

class HeldClientId {
  public:
    explicit HeldClientId(std::uint8_t id) { HalyxMux().location_client_id = id; }
    ~HeldClientId() { HalyxMux().location_client_id = 0; }
};

TEST(HalyxMuxFrameCheck, PlainAndStrongVerdicts) {
    const Bytes report = Report();
    const std::size_t n = report.size();  // 71
    const struct {
        const char* legend;
        Bytes bytes;
        std::uint8_t heldClient;
        Verdict plain;
        Verdict strong;
        std::size_t length;  // of both verdicts that are not kNotAFrame
    } rows[] = {
        {"a location report, no client id held yet", report, 0, Verdict::kFrame, Verdict::kFrame, n},
        {"a location report to the client held", report, 5, Verdict::kFrame, Verdict::kFrame, n},
        {"a location report to another client", report, 6, Verdict::kFrame, Verdict::kNotAFrame, n},
        {"a broadcast", Edited(report, [](Bytes& b) { b[kClientAt] = 0xFF; }), 0, Verdict::kFrame,
         Verdict::kNotAFrame, n},
        {"client 0 on the location service", Edited(report, [](Bytes& b) { b[kClientAt] = 0; }), 0,
         Verdict::kFrame, Verdict::kNotAFrame, n},
        {"the first 40 bytes of a report", Bytes(report.begin(), report.begin() + 40), 5, Verdict::kNeedMore,
         Verdict::kNeedMore, n},
        {"the first 5 bytes of a report", Bytes(report.begin(), report.begin() + 5), 5, Verdict::kNeedMore,
         Verdict::kNeedMore, n},
        {"a request, which the module never sends", Edited(report, [](Bytes& b) { b[6] = sim::kMsgRequest; }),
         5, Verdict::kFrame, Verdict::kNotAFrame, n},
        {"payload length one more than the bytes", Edited(report, [](Bytes& b) { AddLe16(b, 11, 1); }), 5,
         Verdict::kFrame, Verdict::kNotAFrame, n},
        {"the last TLV 3 bytes short, lengths agreeing", kSpoils[7].make(report), 5, Verdict::kFrame,
         Verdict::kNotAFrame, n - 3},
        {"a stray byte after the last TLV",
         Edited(report,
                [](Bytes& b) {
                    b.push_back(0x25);
                    AddLe16(b, kMuxLengthAt, 1);
                    AddLe16(b, kPayloadLengthAt, 1);
                }),
         5, Verdict::kFrame, Verdict::kNotAFrame, n + 1},
        {"a service this driver does not serve", kSpoils[4].make(report), 5, Verdict::kFrame,
         Verdict::kNotAFrame, n},
        {"flags set: not checked", Edited(report, [](Bytes& b) { b[3] = 0x80; }), 5, Verdict::kFrame,
         Verdict::kFrame, n},
        {"a control response", ControlAnswer(sim::kCtlResponse), 5, Verdict::kFrame, Verdict::kFrame, 24},
        {"a control indication", ControlAnswer(sim::kCtlIndication), 5, Verdict::kFrame, Verdict::kFrame, 24},
        {"a control request", ControlAnswer(sim::kCtlRequest), 5, Verdict::kFrame, Verdict::kNotAFrame, 24},
        {"a control message to client 3",
         Edited(ControlAnswer(sim::kCtlResponse), [](Bytes& b) { b[kClientAt] = 3; }), 5, Verdict::kFrame,
         Verdict::kNotAFrame, 24},
        {"a frame too short for its inner header",
         {0x01, 0x06, 0x00, 0x00, 0x10, 0x05, 0xEE},
         5,
         Verdict::kFrame,
         Verdict::kNotAFrame,
         7},
        {"service 100", Edited(report, [](Bytes& b) { b[kServiceAt] = 100; }), 5, Verdict::kNotAFrame,
         Verdict::kNotAFrame, 0},
        {"length below a header",
         {0x01, 0x03, 0x00, 0x00, 0x10, 0x05},
         5,
         Verdict::kNotAFrame,
         Verdict::kNotAFrame,
         0},
        {"interface type 0x02", kSpoils[0].make(report), 5, Verdict::kNotAFrame, Verdict::kNotAFrame, 0},
        {"one byte 0x01", {0x01}, 5, Verdict::kNeedMore, Verdict::kNeedMore, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        HeldClientId held(row.heldClient);
        const StreamFrameCheck plain = halyx_mux_frame_check(row.bytes, StreamFrameEvidence::kPlain);
        const StreamFrameCheck strong = halyx_mux_frame_check(row.bytes, StreamFrameEvidence::kStrong);
        EXPECT_EQ(plain.verdict, row.plain);
        EXPECT_EQ(strong.verdict, row.strong);
        if (row.plain != Verdict::kNotAFrame) {
            EXPECT_EQ(plain.length, row.length);
        }
        if (row.strong != Verdict::kNotAFrame) {
            EXPECT_EQ(strong.length, row.length);
        }
    }
}

}  // namespace
}  // namespace geolumen::testing
