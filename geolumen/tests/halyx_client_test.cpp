// The client layer against the simulated module: results of every fault mode, indications, asynchronous
// requests, and requests that end while the client closes or the transport stops.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "driver/usb_transport.h"
#include "sim/sim_frame.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;
using sim::Fault;
using sim::FaultMode;
using sim::Malformation;

// Long enough for the module's answer, short enough that a case whose answer is dropped ends quickly.
constexpr std::uint32_t kShortRequestMs = 150;

class HalyxClientTest : public HalyxOpenStackTest {
  protected:
    int RegisterEvents(halyx_result& resp, std::uint32_t timeout = kTestRequestTimeoutMs) {
        halyx_loc_register_events_req req{0x73};
        return halyx_request_and_wait(client, kHalyxLocRegisterEvents, &req, sizeof req, &resp, sizeof resp,
                                      timeout);
    }
};

struct RequestFaultCase {
    const char* legend;
    Fault fault;
    int expected;
};

Fault OnLocation(FaultMode mode) { return Fault::Of(mode, 0x10); }

Fault Malformed(Malformation how) {
    Fault f = OnLocation(FaultMode::Malformed);
    f.malformation = how;
    return f;
}

TEST_F(HalyxClientTest, EveryFaultModeEndsTheRequestWithItsResult) {
    Fault truncated = OnLocation(FaultMode::Truncated);
    truncated.truncateBy = 1;
    const RequestFaultCase cases[] = {
        {"silence", OnLocation(FaultMode::Silence), kHalyxErrTimeout},
        {"late", OnLocation(FaultMode::Late), kHalyxErrTimeout},
        {"wrong transaction", OnLocation(FaultMode::WrongTransaction), kHalyxErrTimeout},
        {"wrong message id", OnLocation(FaultMode::WrongMessageId), kHalyxErrWrongMessage},
        {"interface type 2", Malformed(Malformation::BadInterface), kHalyxErrTimeout},
        {"mux length one too long", Malformed(Malformation::LengthTooLong), kHalyxErrTimeout},
        {"service 100", Malformed(Malformation::ServiceTooHigh), kHalyxErrTimeout},
        {"broadcast", Malformed(Malformation::Broadcast), kHalyxErrTimeout},
        {"five bytes", Malformed(Malformation::ShortFrame), kHalyxErrTimeout},
        {"message length one too long: decoded from the bytes received",
         Malformed(Malformation::HeaderLengthOff), kHalyxOk},
        {"TLV past the payload", Malformed(Malformation::BadTlv), kHalyxIdlErrLength},
        {"truncated by a byte", truncated, kHalyxErrTimeout},
        {"device gone", Fault::Of(FaultMode::Disconnect), kHalyxErrSend},
    };
    for (const RequestFaultCase& c : cases) {
        stack.module.SetFault(c.fault);
        halyx_result resp{};
        const auto start = std::chrono::steady_clock::now();
        // Only a request whose answer is lost waits out the short time; the others get theirs in any case.
        const std::uint32_t timeout =
            c.expected == kHalyxErrTimeout ? kShortRequestMs : kTestRequestTimeoutMs;
        EXPECT_EQ(RegisterEvents(resp, timeout), c.expected) << c.legend;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kPromptly) << c.legend;
        EXPECT_EQ(halyx_client_timed_out(client), c.expected == kHalyxErrTimeout) << c.legend;
        // The module recovers: held answers go out late and are dropped, and the next request works.
        stack.module.ClearFault();
        stack.module.ReleaseHeld();
        EXPECT_EQ(RegisterEvents(resp), kHalyxOk) << c.legend;
    }
}

TEST_F(HalyxClientTest, FailureResultIsDecodedNotHidden) {
    Fault f = OnLocation(FaultMode::FailureResult);
    f.result = 1;
    f.error = 23;
    stack.module.SetFault(f);
    halyx_result resp{};
    EXPECT_EQ(RegisterEvents(resp), kHalyxOk);
    EXPECT_EQ(resp.result, 1);
    EXPECT_EQ(resp.error, 23);
}

TEST_F(HalyxClientTest, IndicationsReachTheCallbackWithTheirPayload) {
    // Session status 0 (TLV 01 u32) and session id 1 (TLV 02 u8): 7 + 4 = 11 payload bytes.
    stack.module.Indicate(kHalyxLocPositionReport, {{0x01, sim::U32(0)}, {0x02, sim::U8(1)}});
    stack.module.Indicate(kHalyxLocTimeRequest, {});
    ASSERT_TRUE(WaitForIndications(2));
    const std::vector<Indication> got = Indications();
    EXPECT_EQ(got[0].message_id, kHalyxLocPositionReport);
    EXPECT_EQ(got[0].payload, (Bytes{0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x01, 0x00, 0x01}));
    EXPECT_EQ(got[1].message_id, kHalyxLocTimeRequest);
    EXPECT_FALSE(got[1].had_payload) << "an empty indication comes without a payload pointer";

    halyx_loc_position_report report;
    std::memset(&report, 0xAA, sizeof report);
    EXPECT_EQ(
        halyx_decode_message(client, kHalyxKindIndication, kHalyxLocPositionReport, got[0].payload.data(),
                             static_cast<std::uint32_t>(got[0].payload.size()), &report, sizeof report),
        0);
    EXPECT_EQ(report.session_id, 1);
    EXPECT_EQ(report.latitude_valid, 0);
    EXPECT_EQ(halyx_decode_message(nullptr, kHalyxKindIndication, kHalyxLocPositionReport, nullptr, 0,
                                   &report, sizeof report),
              kHalyxErrArgument);
    EXPECT_EQ(ZorvicLines(), (std::vector<std::string>{"Zorvic RX: IND txn: 0x0 msg_id: 0x24 len: 11\n",
                                                       "Zorvic RX: IND txn: 0x0 msg_id: 0x28 len: 0\n"}));
}

TEST_F(HalyxClientTest, ReceiveRefusesShortAndUnknownMessages) {
    const Bytes shortMessage{0x04, 0x00, 0x00, 0x24, 0x00, 0x00};
    EXPECT_EQ(halyx_client_receive(client, shortMessage.data(), shortMessage.size()), kHalyxErrArgument);
    EXPECT_TRUE(ZorvicLines().empty()) << "no header, no line";
    // Header says 4 payload bytes, 3 follow: processed with the 3 (see below), one line all the same.
    const Bytes cut{0x04, 0x00, 0x00, 0x24, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00};
    EXPECT_EQ(halyx_client_receive(client, cut.data(), cut.size()), kHalyxOk);
    const Bytes unknownType{0x06, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00};
    EXPECT_EQ(halyx_client_receive(client, unknownType.data(), unknownType.size()), kHalyxErrArgument);
    const Bytes unmatched{0x02, 0x00, 0x00, 0x21, 0x00, 0x00, 0x00};
    EXPECT_EQ(halyx_client_receive(client, unmatched.data(), unmatched.size()), kHalyxErrArgument)
        << "transaction 0 never matches";
    EXPECT_EQ(ZorvicLines(), (std::vector<std::string>{"Zorvic RX: IND txn: 0x0 msg_id: 0x24 len: 4\n",
                                                       "Zorvic RX: UNKNOWN txn: 0x0 msg_id: 0x24 len: 0\n",
                                                       "Zorvic RX: RESP txn: 0x0 msg_id: 0x21 len: 0\n"}));
    ASSERT_EQ(Indications().size(), 1u);
    EXPECT_EQ(Indications()[0].payload, (Bytes{0x01, 0x00, 0x00}));
}

// The trace lines of the message stack while `body` runs.
template <typename Body>
std::vector<std::string> HalyxTraceOf(Body body) {
    std::vector<std::string> lines;
    std::mutex mutex;
    RegisterTraceProvider();
    SetTraceSession(TRACE_LEVEL_VERBOSE, TRACE_HALYX);
    TraceSink previous = SetTraceSink([&](const TraceRecord& r) {
        std::lock_guard lock(mutex);
        lines.push_back(r.text);
    });
    body();
    (void)SetTraceSink(std::move(previous));
    SetTraceSession(TRACE_LEVEL_NONE, 0);
    UnregisterTraceProvider();
    std::lock_guard lock(mutex);
    return lines;
}

TEST_F(HalyxClientTest, HeaderLengthThatDisagreesIsReportedAndTheReceivedBytesAreUsed) {
    // Message header: type, u16 transaction, u16 message id 0x24, u16 payload length; then the payload.
    const struct {
        const char* legend;
        Bytes message;
        Bytes delivered;
        const char* line;
    } rows[] = {
        {"header one above the bytes",
         {0x04, 0, 0, 0x24, 0, 0x04, 0, 0xA1, 0xA2, 0xA3},
         {0xA1, 0xA2, 0xA3},
         "msg_len == len: header 4, received 3"},
        {"header far above the bytes: never read past them",
         {0x04, 0, 0, 0x24, 0, 0xFF, 0xFF, 0xB1},
         {0xB1},
         "msg_len == len: header 65535, received 1"},
        {"header below the bytes",
         {0x04, 0, 0, 0x24, 0, 0x01, 0, 0xC1, 0xC2},
         {0xC1, 0xC2},
         "msg_len == len: header 1, received 2"},
        {"header 2 with no payload",
         {0x04, 0, 0, 0x24, 0, 0x02, 0},
         {},
         "msg_len == len: header 2, received 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        const std::size_t before = Indications().size();
        const auto lines = HalyxTraceOf([&] {
            EXPECT_EQ(halyx_client_receive(client, row.message.data(), row.message.size()), kHalyxOk);
        });
        EXPECT_NE(std::find(lines.begin(), lines.end(), row.line), lines.end());
        ASSERT_EQ(Indications().size(), before + 1);
        EXPECT_EQ(Indications().back().payload, row.delivered);
        EXPECT_EQ(Indications().back().had_payload, !row.delivered.empty());
    }
    // A response: its result TLV (02, length 4, result 0, error 0) decodes although the header says 20.
    stack.module.SetHandler(sim::kLocationService, kHalyxLocRegisterEvents,
                            [](sim::SimModule& m, const sim::SimFrame& request) {
                                sim::SimFrame answer = request;
                                answer.type = sim::kMsgResponse;
                                answer.tlvs = {sim::ResultTlv(0, 0)};
                                Bytes raw = sim::BuildFrame(answer);
                                raw[11] = 20;  // the message header's payload length
                                m.SendRaw(raw);
                            });
    halyx_result resp{-1, -1};
    const auto lines = HalyxTraceOf([&] { EXPECT_EQ(RegisterEvents(resp), kHalyxOk); });
    EXPECT_EQ(resp.result, 0);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "msg_len == len: header 20, received 7"), lines.end());
}

TEST(HalyxKindName, NamesTheHeaderTypes) {
    const struct {
        int type;
        const char* name;
    } rows[] = {{0, "REQ"}, {2, "RESP"}, {4, "IND"}, {1, "UNKNOWN"}, {6, "UNKNOWN"}, {-1, "UNKNOWN"}};
    for (const auto& r : rows) EXPECT_STREQ(halyx_kind_name(r.type), r.name) << r.type;
}

struct AsyncResult {
    std::promise<int> result;
    std::vector<std::uint8_t> bytes;
};

TEST_F(HalyxClientTest, AsynchronousRequestsDeliverOnTheReceiveThread) {
    AsyncResult decoded;
    halyx_result resp{-1, -1};
    halyx_loc_register_events_req req{1};
    ASSERT_EQ(halyx_request_async(
                  client, kHalyxLocRegisterEvents, &req, sizeof req, &resp, sizeof resp,
                  [](halyx_client*, std::uint16_t, void*, std::uint32_t, void* data, int result) {
                      static_cast<AsyncResult*>(data)->result.set_value(result);
                  },
                  &decoded),
              kHalyxOk);
    auto f = decoded.result.get_future();
    ASSERT_EQ(f.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(f.get(), 0);
    EXPECT_EQ(resp.result, 0);

    AsyncResult raw;
    std::uint8_t buffer[4] = {};
    ASSERT_EQ(halyx_request_raw_async(
                  client, kHalyxLocRegisterEvents, &req, sizeof req, buffer, sizeof buffer,
                  [](halyx_client*, std::uint16_t, const void* payload, std::uint32_t length, void* data,
                     int result) {
                      auto* r = static_cast<AsyncResult*>(data);
                      const auto* p = static_cast<const std::uint8_t*>(payload);
                      r->bytes.assign(p, p + length);
                      r->result.set_value(result);
                  },
                  &raw),
              kHalyxOk);
    auto g = raw.result.get_future();
    ASSERT_EQ(g.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(g.get(), 0);
    // The result TLV is 7 bytes; a 4-byte buffer takes its first 4: type 02, length 4, result low byte 0.
    EXPECT_EQ(raw.bytes, (Bytes{0x02, 0x04, 0x00, 0x00}));
}

TEST_F(HalyxClientTest, CloseEndsAWaitWithoutTimeLimit) {
    stack.module.SetFault(OnLocation(FaultMode::Silence));
    auto f = std::async(std::launch::async, [&] {
        halyx_result resp{};
        return RegisterEvents(resp, 0);
    });
    ASSERT_TRUE(stack.module.WaitForReceived(5, std::chrono::seconds(2)));  // 4 of the open, then the request
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    ASSERT_EQ(f.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(f.get(), kHalyxErrArgument) << "ended without its answer";
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPromptly);
}

TEST_F(HalyxClientTest, StoppingTheReaderDuringARequestReturnsPromptly) {
    stack.module.SetFault(OnLocation(FaultMode::Late));
    auto f = std::async(std::launch::async, [&] {
        halyx_result resp{};
        return RegisterEvents(resp, kShortRequestMs);
    });
    ASSERT_TRUE(stack.module.WaitForReceived(5, std::chrono::seconds(2)));
    stack.module.ReleaseHeld();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(StopResponseReader(&stack.device));
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPromptly);
    ASSERT_EQ(f.wait_for(kPromptly), std::future_status::ready);
    const int r = f.get();
    EXPECT_TRUE(r == kHalyxOk || r == kHalyxErrTimeout) << r;
    // With no reader no answer can come: the release of the close does not wait out the driver's
    // five-second control time-out.
    halyx_ctl_set_timeout_for_test(0);
    const auto closing = std::chrono::steady_clock::now();
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - closing,
              std::chrono::milliseconds(kHalyxCtlResponseTimeoutMs / 2));
    EXPECT_EQ(halyx_location_client_id(), 0);
}

TEST_F(HalyxClientTest, AnswersRacingTheirTimeOutNeverTouchALeftRequest) {
    // Time-outs of 0..2 ms against answers that take about as long: some requests get their answer, some
    // give up as it arrives. Each one ends with one of the two, and no answer lands after its caller left
    // (the sanitizer builds watch for that).
    for (int i = 0; i < 200; ++i) {
        halyx_result resp{};
        const int r = RegisterEvents(resp, static_cast<std::uint32_t>(i % 3));
        if (i % 3 == 0) {
            EXPECT_EQ(r, kHalyxOk) << i;  // 0 = no limit
        } else {
            EXPECT_TRUE(r == kHalyxOk || r == kHalyxErrTimeout) << i << ": " << r;
        }
    }
}

TEST_F(HalyxClientTest, TransactionIdsRunTo65535AndWrapToOne) {
    stack.module.SetFault(OnLocation(FaultMode::Silence));
    stack.module.ClearReceived();
    halyx_loc_register_events_req req{1};
    halyx_result resp{};
    const auto ignore = [](halyx_client*, std::uint16_t, void*, std::uint32_t, void*, int) {};
    constexpr int kRequests = 65537;
    for (int i = 0; i < kRequests; ++i) {
        ASSERT_EQ(halyx_request_async(client, kHalyxLocRegisterEvents, &req, sizeof req, &resp, sizeof resp,
                                      ignore, nullptr),
                  kHalyxOk);
    }
    const std::vector<Bytes> frames = stack.module.Received();
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(kRequests));
    // The transaction id sits in bytes 7-8 of the frame (behind the mux header and the type byte).
    const auto txn = [&](std::size_t i) { return frames[i][7] | (frames[i][8] << 8); };
    EXPECT_EQ(txn(0), 1);
    EXPECT_EQ(txn(65534), 65535);
    EXPECT_EQ(txn(65535), 1) << "0 is skipped";
    EXPECT_EQ(txn(65536), 2);
}

TEST_F(HalyxClientTest, IndicationCutAfterEveryByteIsNeverDelivered) {
    // Session status 1 and session id 1: frame of 13 + 11 = 24 bytes.
    sim::SimFrame ind;
    ind.service = sim::kLocationService;
    ind.clientId = 5;
    ind.type = sim::kMsgIndication;
    ind.messageId = kHalyxLocPositionReport;
    ind.tlvs = {{0x01, sim::U32(1)}, {0x02, sim::U8(1)}};
    const Bytes whole = sim::BuildFrame(ind);
    ASSERT_EQ(whole.size(), 24u);
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        stack.module.SendRaw(Bytes(whole.begin(), whole.begin() + cut));
    stack.module.SendRaw(whole);
    ASSERT_TRUE(WaitForIndications(1));
    // Everything queued before the whole frame has been fetched by now; none of it came through.
    halyx_result resp{};
    EXPECT_EQ(RegisterEvents(resp), kHalyxOk);
    ASSERT_EQ(Indications().size(), 1u);
    EXPECT_EQ(Indications()[0].payload.size(), 11u) << "the whole one";
}

TEST_F(HalyxClientTest, ErrorHandlerHearsOfALostServiceAtOnce) {
    int heard = 0;
    const halyx_error_cb count = [](halyx_client*, int error, void* data) {
        if (error == kHalyxErrSend) ++*static_cast<int*>(data);
    };
    EXPECT_EQ(halyx_set_error_handler(nullptr, count, &heard), kHalyxErrArgument);
    EXPECT_EQ(halyx_set_error_handler(client, nullptr, &heard), kHalyxErrArgument);
    EXPECT_EQ(halyx_set_error_handler(client, count, &heard), kHalyxOk);
    EXPECT_EQ(heard, 0);
    halyx_client_service_lost(client);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(halyx_set_error_handler(client, count, &heard), kHalyxErrSend) << "already lost";
    EXPECT_EQ(heard, 2);
}

TEST_F(HalyxClientTest, BadArgumentsAreRefusedBeforeAnythingIsSent) {
    stack.module.ClearReceived();
    halyx_loc_register_events_req req{1};
    halyx_result resp{};
    EXPECT_EQ(halyx_request_and_wait(nullptr, 0x21, &req, sizeof req, &resp, sizeof resp, 0),
              kHalyxErrArgument);
    EXPECT_EQ(halyx_request_and_wait(client, 0x21, &req, sizeof req, nullptr, 0, 0), kHalyxErrArgument);
    EXPECT_EQ(halyx_request_and_wait(client, 0x21, nullptr, sizeof req, &resp, sizeof resp, 0),
              kHalyxErrArgument);
    EXPECT_EQ(halyx_request_and_wait(client, 0x30, nullptr, 0, &resp, sizeof resp, 0),
              kHalyxIdlErrUnknownMessage);
    EXPECT_EQ(halyx_close_client(nullptr), kHalyxErrArgument);
    halyx_ctl_request_desc other;
    other.kind = 3;
    EXPECT_EQ(halyx_ctl_request(other), kHalyxErrArgument) << "control request kind 3";
    EXPECT_TRUE(stack.module.Received().empty());
    halyx_client* none = nullptr;
    EXPECT_EQ(halyx_open_client(nullptr, Desc(), nullptr, nullptr, &none), kHalyxErrArgument);
    halyx_service_instance elsewhere{};
    elsewhere.transport_index = 1;
    EXPECT_EQ(halyx_open_client(&elsewhere, Desc(), nullptr, nullptr, &none), kHalyxErrArgument);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace geolumen::testing
