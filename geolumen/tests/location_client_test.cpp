#include <gtest/gtest.h>

#include <thread>

#include "location/location_status.h"
#include "location/location_tables.h"
#include "support/halyx_bytes.h"
#include "support/location_fixture.h"
#include "support/run_after.h"

namespace geolumen {
namespace {

using test_support::Hex;
using namespace std::chrono_literals;

class LocationClientTest : public test_support::LocationClientFixture {};

// Frame legend: mux header (01, u16 length of the rest, flags 00, service 10, client 05), message header
// (type 00, u16 transaction, u16 id, u16 payload length), TLVs (type, u16 length, value); little-endian.

TEST_F(LocationClientTest, OpeningSendsRegistrationAnd54And55) {
    const auto frames = OpenClient(/*flag=*/false);
    ASSERT_EQ(frames.size(), 3U);
    // 0x21: TLV 01 len 8 mask 0x73 -> 11 bytes; message 7 + 11 = 18; mux length 5 + 18 = 23 = 0x17.
    EXPECT_EQ(frames[0], Hex("01 17 00 00 10 05 00 01 00 21 00 0B 00 01 08 00 73 00 00 00 00 00 00 00"));
    // 0x54: TLV 10 len 1 value 1 -> 4 bytes; mux length 5 + 7 + 4 = 16.
    EXPECT_EQ(frames[1], Hex("01 10 00 00 10 05 00 02 00 54 00 04 00 10 01 00 01"));
    // 0x55: TLV 01 u64 2 -> 11 bytes; mux length 23.
    EXPECT_EQ(frames[2], Hex("01 17 00 00 10 05 00 03 00 55 00 0B 00 01 08 00 02 00 00 00 00 00 00 00"));
    EXPECT_EQ(service->EventMask(), 0x73U);
    EXPECT_TRUE(client->IsOpen());
}

TEST_F(LocationClientTest, OpeningWithTheFlagAddsRequest4A) {
    const auto frames = OpenClient(/*flag=*/true);
    ASSERT_EQ(frames.size(), 4U);
    // TLV 01 u32 2 -> 7 bytes; mux length 5 + 7 + 7 = 19 = 0x13.
    EXPECT_EQ(frames[3], Hex("01 13 00 00 10 05 00 04 00 4A 00 07 00 01 04 00 02 00 00 00"));
}

TEST_F(LocationClientTest, SessionRequestsAreByteExact) {
    OpenClient();
    struct Row {
        const char* legend;
        std::function<void(LocationClient&)> call;
        const char* frame;
    };
    // Start: TLVs 4 + 4 x 7 = 32 = 0x20; message 39; mux length 44 = 0x2C. Interval 1000 = E8 03.
    const std::vector<Row> rows = {
        {"start, accuracy 1 asks for level 3", [](LocationClient& c) { c.StartPositionSession(1000, 1); },
         "01 2C 00 00 10 05 00 TT tt 22 00 20 00 01 01 00 01 10 04 00 01 00 00 00 11 04 00 03 00 00 00 "
         "12 04 00 01 00 00 00 13 04 00 E8 03 00 00"},
        {"stop", [](LocationClient& c) { c.StopPositionSession(); },
         "01 10 00 00 10 05 00 TT tt 23 00 04 00 01 01 00 01"},
        {"start, accuracy 2 asks for level 1; interval 2000 = D0 07",
         [](LocationClient& c) { c.StartPositionSession(2000, 2); },
         "01 2C 00 00 10 05 00 TT tt 22 00 20 00 01 01 00 01 10 04 00 01 00 00 00 11 04 00 01 00 00 00 "
         "12 04 00 01 00 00 00 13 04 00 D0 07 00 00"},
        {"delete all", [](LocationClient& c) { c.DeleteAssistanceData(kDeleteAllAssistance); },
         "01 10 00 00 10 05 00 TT tt 44 00 04 00 01 01 00 01"},
        // 1700000000000 = 0x018BCFE56800; 5000 = 0x1388. TLVs 11 + 7 = 18; mux length 30 = 0x1E.
        {"UTC time", [](LocationClient& c) { (void)c.InjectUtcTime(1700000000000ULL, 5000); },
         "01 1E 00 00 10 05 00 TT tt 38 00 12 00 01 08 00 00 68 E5 CF 8B 01 00 00 02 04 00 88 13 00 00"},
        // 48.125 = 0x4048100000000000, 11.5 = 0x4027000000000000, 512.0f = 0x44000000; error radius 0 is
        // left out. TLVs 11 + 11 + 4 + 7 = 33 = 0x21; mux length 45 = 0x2D.
        {"position", [](LocationClient& c) { c.InjectPosition(48.125, 11.5, 1700000000000ULL, 0.0, 512.0); },
         "01 2D 00 00 10 05 00 TT tt 39 00 21 00 10 08 00 00 00 00 00 00 10 48 40 "
         "11 08 00 00 00 00 00 00 00 27 40 13 01 00 3F 16 04 00 00 00 00 44"},
    };
    uint16_t transaction = 4;  // 0x21, 0x54 and 0x55 of the opening took 1-3
    for (const auto& row : rows) {
        stack.module.ClearReceived();
        row.call(*client);
        const auto frames = LocationFrames();
        ASSERT_EQ(frames.size(), 1U) << row.legend;
        EXPECT_EQ(frames[0], Hex(row.frame, transaction)) << row.legend;
        ++transaction;
    }
}

TEST_F(LocationClientTest, DeletePerSatelliteListsSixtyFourSatellites) {
    OpenClient();
    EXPECT_EQ(client->DeleteAssistanceData(0), kLocStatusOk);
    const auto frames = LocationFrames();
    ASSERT_EQ(frames.size(), 1U);
    // Payload: 01 u8 0 (4) + 10 list (3 + count 1 + 64 x 7 = 452) + 11 u64 (11) + 12 u32 (7) + 13 u32 (7)
    // = 481 = 0x1E1; mux length 5 + 7 + 481 = 493 = 0x1ED.
    auto expected = Hex("01 ED 01 00 10 05 00 04 00 44 00 E1 01");
    test::Append(expected, test::DeletePerSatelliteRequest());
    EXPECT_EQ(frames[0], expected);
}

TEST_F(LocationClientTest, OrbitDataGoesOutInPartsOf1024) {
    OpenClient();
    std::vector<uint8_t> data(2049);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    data.back() = 0xAB;
    EXPECT_EQ(client->InjectPredictedOrbits(data), kLocStatusOk);
    const auto frames = LocationFrames();
    ASSERT_EQ(frames.size(), 3U);  // (2049 - 1) / 1024 + 1
    // Orbit part 1: 7 + 5 + 5 + (3 + 2 + 1024) + 7 = 1053 payload bytes; frame 6 + 7 + 1053 = 1066.
    EXPECT_EQ(frames[0].size(), 1066U);
    // Orbit part 3, one byte: total 0x801, 3 parts, part 3, count 1 + AB, option 0.
    // Payload 7 + 5 + 5 + 6 + 7 = 30 = 0x1E; mux length 42 = 0x2A.
    EXPECT_EQ(frames[2], Hex("01 2A 00 00 10 05 00 06 00 35 00 1E 00 01 04 00 01 08 00 00 02 02 00 03 00 "
                             "03 02 00 03 00 04 03 00 01 00 AB 10 04 00 00 00 00 00"));
    EXPECT_EQ(service->OrbitData(), data);
}

TEST_F(LocationClientTest, OrbitInjectionStopsAtAWrongEcho) {
    OpenClient();
    service->SetOrbitEchoOverride(2);
    const std::vector<uint8_t> data(3000, 0x11);
    EXPECT_EQ(client->InjectPredictedOrbits(data), kLocStatusFailure);
    EXPECT_EQ(LocationFrames().size(), 1U) << "part 1 echoed as 2: nothing more is sent";
}

TEST_F(LocationClientTest, OrbitDataOfSizeZeroSendsNothing) {
    OpenClient();
    EXPECT_EQ(client->InjectPredictedOrbits({}), kLocStatusFailure);
    EXPECT_TRUE(LocationFrames().empty());
}

TEST_F(LocationClientTest, ServiceErrorsMapToClientStatuses) {
    OpenClient();
    struct Row {
        uint16_t result;
        uint16_t error;
        int status;
    };
    const std::vector<Row> rows = {{0, 0, kLocStatusOk},
                                   {1, 1, kLocStatusInvalid},
                                   {1, 23, kLocStatusServiceError23},
                                   {1, 5, kLocStatusFailure},
                                   {0, 23, kLocStatusOk}};
    for (const auto& row : rows) {
        service->SetResponseResult(0x21, row.result, row.error);
        EXPECT_EQ(client->RegisterLocationEvents(), row.status) << row.result << "/" << row.error;
    }
}

TEST_F(LocationClientTest, ResultIndicationStatusDecidesSlotRequests) {
    OpenClient();
    service->SetResultStatus(0x38, 2);
    EXPECT_EQ(client->InjectUtcTime(1, 2), kLocStatusFailure);
    service->SetResultStatus(0x38, 0);
    EXPECT_EQ(client->InjectUtcTime(1, 2), kLocStatusOk);
}

TEST_F(LocationClientTest, WrongAnswersAreFailures) {
    OpenClient();
    sim::Fault fault;
    fault.mode = sim::FaultMode::WrongMessageId;
    fault.messageId = 0x21;
    stack.module.SetFault(fault);
    EXPECT_EQ(client->RegisterLocationEvents(), kLocStatusFailure);
}

TEST_F(LocationClientTest, RefusedIdsAndMissingClient) {
    client = std::make_unique<LocationClient>(config);
    EXPECT_EQ(client->SendLocationRequest(0x21, nullptr), kLocStatusNoClient);
    EXPECT_EQ(client->StopPositionSession(), kLocStatusNoClient);
    EXPECT_EQ(client->CloseLocationClient(), kLocStatusNoClient);
    OpenClient();
    for (uint16_t id : {0x1F, 0x24, 0x30, 0x31, 0x60}) {
        EXPECT_EQ(client->SendLocationRequest(id, nullptr), kLocStatusInvalid) << id;
    }
    EXPECT_EQ(client->SendLocationRequest(0x38, nullptr), kLocStatusInvalid) << "payload missing";
    EXPECT_TRUE(LocationFrames().empty());
}

TEST_F(LocationClientTest, BadCallbackRecordIsRefused) {
    client = std::make_unique<LocationClient>(config);
    LocationServiceCallbacks callbacks;
    callbacks.response = &LocationClient::OnLocationResponse;
    callbacks.size = 24;
    EXPECT_EQ(client->OpenLocationServiceClient(0x73, 0, &callbacks, nullptr), kLocStatusInvalid);
    callbacks.size = kLocationCallbacksSize;
    callbacks.response = nullptr;
    EXPECT_EQ(client->OpenLocationServiceClient(0x73, 0, &callbacks, nullptr), kLocStatusInvalid);
    EXPECT_EQ(client->OpenLocationServiceClient(0x73, 0, nullptr, nullptr), kLocStatusInvalid);
}

TEST_F(LocationClientTest, SessionHelpersFollowTheStartedFlag) {
    OpenClient();
    client->StopSessionIfRunning();
    EXPECT_TRUE(LocationFrames().empty()) << "not started: nothing to stop";
    client->ChangeSessionCriteria(2000, 1);
    EXPECT_TRUE(LocationFrames().empty()) << "not started: nothing to change";
    client->StartSessionIfIdle(1000, 0);
    EXPECT_TRUE(client->SessionStarted());
    client->StartSessionIfIdle(1000, 0);
    EXPECT_EQ(LocationFrames().size(), 1U) << "already started";
    client->ChangeSessionCriteria(3000, 1);
    ASSERT_TRUE(WaitForLocationFrames(3));
    EXPECT_EQ(service->SessionInterval(), 3000U);
    EXPECT_EQ(service->SessionAccuracy(), 3U);
    client->StopSessionIfRunning();
    EXPECT_FALSE(client->SessionStarted());
    EXPECT_FALSE(service->SessionRunning());
}

TEST_F(LocationClientTest, StartCountsAsStartedEvenWhenRefused) {
    OpenClient();
    service->SetResponseResult(0x22, 1, 5);
    EXPECT_EQ(client->StartPositionSession(1000, 0), kLocStatusFailure);
    EXPECT_TRUE(client->SessionStarted());
}

TEST_F(LocationClientTest, OpeningAnAbsentOrRefusingModuleStopsWhenAsked) {
    struct Row {
        const char* legend;
        sim::FaultMode mode;
        std::optional<uint8_t> service;
    };
    const std::vector<Row> rows = {
        {"device gone: the stack cannot even start", sim::FaultMode::Disconnect, sim::kControlService},
        {"module mute on the control service: the service never shows", sim::FaultMode::Silence,
         sim::kControlService},
        {"client id refused: the open is retried", sim::FaultMode::RefuseClientId, std::nullopt},
    };
    for (const auto& row : rows) {
        sim::Fault fault;
        fault.mode = row.mode;
        fault.service = row.service;
        stack.module.SetFault(fault);
        client = std::make_unique<LocationClient>(config);
        std::stop_source stop;
        const auto begin = std::chrono::steady_clock::now();
        {
            const auto stopper = test_support::StopAfter(stop, 100ms);
            EXPECT_EQ(client->OpenLocationClient(false, stop.get_token()), kLocStatusFailure) << row.legend;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(kServiceWaitMs))
            << row.legend << ": the wait for the service must end with the stop";
        EXPECT_FALSE(client->IsOpen()) << row.legend;
        client.reset();
        stack.module.ClearFault();
    }
}

TEST_F(LocationClientTest, ReopenClosesOpensAndStarts) {
    OpenClient();
    EXPECT_EQ(client->ReopenLocationClient(1500, 1, false), kLocStatusOk);
    EXPECT_TRUE(client->IsOpen());
    EXPECT_TRUE(service->SessionRunning());
    EXPECT_EQ(service->SessionInterval(), 1500U);
}

TEST(LocationTables, RequestSizesAndRefusals) {
    struct Row {
        uint16_t id;
        std::optional<uint32_t> size;
    };
    const std::vector<Row> rows = {{0x1F, std::nullopt},
                                   {0x20, 4},
                                   {0x21, 8},
                                   {0x22, 104},
                                   {0x23, 1},
                                   {0x24, std::nullopt},
                                   {0x31, std::nullopt},
                                   {0x32, 0},
                                   {0x35, 1044},
                                   {0x44, 1576},
                                   {0x5F, 4},
                                   {0x60, std::nullopt},
                                   {0x33, 0},
                                   {0x43, 8}};  // the description's 8 bytes, not "no payload"
    for (const auto& row : rows) EXPECT_EQ(LocationRequestPayloadSize(row.id), row.size) << row.id;
    EXPECT_EQ(LocationEventTable().size(), 14U);
    EXPECT_EQ(LocationResponseTable().size(), 46U);
    for (size_t i = 0; i < LocationEventTable().size(); ++i) {
        EXPECT_EQ(LocationEventTable()[i].mask, 1ULL << i);
    }
    // Decoded sizes of the reports the driver keeps: 240, and 8 bytes of header + 80 * 32 = 2568.
    EXPECT_EQ(LocationIndicationSize(0x24), 240U);
    EXPECT_EQ(LocationIndicationSize(0x25), 2568U);
    EXPECT_FALSE(LocationIndicationSize(0x99).has_value());
    EXPECT_FALSE(IsLocationResultAccepted(0x43));
    EXPECT_TRUE(IsLocationResultAccepted(0x38));
}

}  // namespace
}  // namespace geolumen
