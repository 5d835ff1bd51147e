#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "location/location_status.h"
#include "sim/sim_frame.h"
#include "support/halyx_bytes.h"
#include "support/local_servers.h"
#include "support/location_fixture.h"

namespace geolumen {
namespace {

using test_support::Hex;
using namespace std::chrono_literals;

// Indications travel through the reader and slot threads; two seconds is far more than they take.
constexpr DWORD kIndicationWaitMs = 2000;

sim::SimPosition FullPosition() {
    sim::SimPosition p;
    p.latitude = 48.125;
    p.longitude = -11.5;
    p.errorRadius = 5.0f;
    p.speed = 1.5f;
    p.altitudeEllipsoid = 560.0f;
    p.altitudeSeaLevel = 512.0f;
    p.verticalUncertainty = 8.0f;
    p.heading = 90.0f;
    p.magneticDeviation = 3.0f;
    p.technologyMask = 5;
    p.dop = std::array<float, 3>{2.0f, 1.25f, 1.5f};
    p.utcMs = 1700000000000ULL;
    return p;
}

class LocationIndicationsTest : public test_support::LocationClientFixture {};

TEST_F(LocationIndicationsTest, PositionReportFrameIsTheOneTheModuleSends) {
    sim::SimFrame frame;
    frame.service = sim::kLocationService;
    frame.clientId = 5;
    frame.type = sim::kMsgIndication;
    frame.messageId = 0x24;
    frame.tlvs = sim::SimLocationService::EncodePosition(FullPosition());
    // Payload: 7 status + 4 session id + 2 x 11 coordinates + 7 x 7 floats + 7 mask + 15 DOP + 11 UTC
    // = 115 = 0x73; frame 13 + 115 = 128; mux length 127 = 0x7F.
    auto expected = Hex("01 7F 00 00 10 05 04 00 00 24 00 73 00");
    test::Append(expected, test::FullPositionReport());
    EXPECT_EQ(sim::BuildFrame(frame), expected);
}

TEST_F(LocationIndicationsTest, PositionReportBecomesALocationFix) {
    OpenClient();
    service->SendPosition(FullPosition());
    ASSERT_EQ(client->events().positionReport.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    ASSERT_TRUE(client->ProcessPositionReport());
    test_support::ExpectFullFix(client->reports().CopyLocationFix());
}

TEST_F(LocationIndicationsTest, MinimalPositionReportHasEveryFieldAbsent) {
    OpenClient();
    service->SendPosition(sim::SimPosition{});
    ASSERT_EQ(client->events().positionReport.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    ASSERT_TRUE(client->ProcessPositionReport());
    const LocationFix fix = client->reports().CopyLocationFix();
    EXPECT_EQ(fix.latitude, kAbsentDouble);
    EXPECT_EQ(fix.hdop, kAbsentFloat);
    EXPECT_EQ(fix.technologyMask, kAbsentTechnologyMask);
    EXPECT_EQ(fix.utcMs, 0U);
}

TEST_F(LocationIndicationsTest, SatelliteReportBecomesASatelliteList) {
    OpenClient();
    // Entry 0: mask 0xE3 (system, id, elevation, azimuth, SNR), system 1, id 12; entry 1: system 5, id 65,
    // nothing else valid.
    service->SendSatellites({{0xE3, 1, 12, 45.0f, 180.0f, 38.5f}, {0x03, 5, 65, 0, 0, 0}});
    ASSERT_EQ(client->events().satelliteReport.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    ASSERT_TRUE(client->ProcessSatelliteReport());
    const SatelliteReport report = client->reports().CopySatelliteReport();
    ASSERT_EQ(report.count, 2U);
    test_support::ExpectFirstTwoSatellites(report);
}

TEST_F(LocationIndicationsTest, FullSatelliteReportOfEightySatellites) {
    OpenClient();
    std::vector<sim::SimSatellite> satellites;
    for (uint16_t i = 0; i < 80; ++i) {
        satellites.push_back(
            {0xE3, 1, static_cast<uint16_t>(i + 1), static_cast<float>(i), 2.0f * i, 0.5f * i});
    }
    service->SendSatellites(satellites);
    ASSERT_EQ(client->events().satelliteReport.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    ASSERT_TRUE(client->ProcessSatelliteReport());
    const SatelliteReport report = client->reports().CopySatelliteReport();
    ASSERT_EQ(report.count, 80U);
    EXPECT_EQ(report.prn[79], 80);
    EXPECT_EQ(report.elevation[79], 79.0);
    EXPECT_EQ(report.azimuth[79], 158.0);
    EXPECT_EQ(report.snr[79], 39.5);
}

TEST_F(LocationIndicationsTest, RequestIndicationsWakeTheirEventsAndUnregisteredOnesDoNot) {
    OpenClient();
    service->SendNmea("$GPGGA,*00");  // bit 0x4 is not registered
    service->SendTimeRequest();
    service->SendOrbitRequest();
    service->SendPositionRequest();
    EXPECT_EQ(client->events().timeRequest.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(client->events().orbitRequest.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(client->events().positionRequest.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    // The slot thread handles indications in order, so the NMEA one was handled before these.
    EXPECT_FALSE(client->events().nmeaReport.IsSet());
}

TEST_F(LocationIndicationsTest, UnmatchedOrRefusedResultsAreDropped) {
    OpenClient();
    stack.module.Indicate(0x43, {{0x01, sim::U32(0)}});  // refused result id
    stack.module.Indicate(0x38, {{0x01, sim::U32(0)}});  // nobody waits for it
    stack.module.Indicate(0x77, {});                     // unknown id
    service->SendPosition(sim::SimPosition{});
    ASSERT_EQ(client->events().positionReport.Wait(kIndicationWaitMs), WAIT_OBJECT_0);
    // A stale 0x38 result must not satisfy the next time injection: with the module's own result muted,
    // the request times out.
    service->SuppressResult(0x38);
    EXPECT_EQ(
        client->SendLocationRequestAndWait(0x38, std::array<uint8_t, 16>{}.data(), 999, 0x38, nullptr, 0),
        kLocStatusTimeout);
}

TEST_F(LocationIndicationsTest, ServiceLossWakesTheWorkerOnlyWhileASessionRuns) {
    OpenClient();
    halyx_client_service_lost(client->Handle());
    EXPECT_FALSE(client->events().serviceLost.IsSet()) << "no session started: nothing to restore";
    client->StartPositionSession(1000, 0);
    halyx_client_service_lost(client->Handle());
    EXPECT_TRUE(client->events().serviceLost.IsSet());
}

TEST_F(LocationIndicationsTest, SessionSendsReportsAtItsInterval) {
    OpenClient();
    service->SetPeriodicPosition(FullPosition());
    client->StartPositionSession(20, 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(client->events().positionReport.Wait(kIndicationWaitMs), WAIT_OBJECT_0) << i;
        EXPECT_TRUE(client->ProcessPositionReport());
    }
    client->StopPositionSession();
    EXPECT_FALSE(service->SessionRunning());
}

class FakeCoarseSource : public CoarsePositionSource {
  public:
    std::optional<size_t> FindLocationSensors() override {
        ++queries;
        if (failQueries > 0) {
            --failQueries;
            return std::nullopt;
        }
        return report ? 1 : 0;
    }
    std::optional<CoarsePositionReport> ReadFirstSensor() override { return report; }
    int queries = 0;
    int failQueries = 0;
    std::optional<CoarsePositionReport> report;
};

class CoarsePositionTest : public test_support::LocationClientFixture {
  protected:
    void SetUp() override {
        LocationClientFixture::SetUp();
        config.coarseSource = &source;
        config.sleep = [this](std::chrono::milliseconds d) { sleeps.push_back(d); };
        OpenClient();
    }
    FakeCoarseSource source;
    std::vector<std::chrono::milliseconds> sleeps;
};

TEST_F(CoarsePositionTest, InjectsTheOtherSensorsPositionWhenUsable) {
    struct Row {
        const char* legend;
        std::optional<CoarsePositionReport> report;
        const char* frame;  // none: nothing injected
    };
    const std::vector<Row> rows = {
        // FILETIME 133444736000000000 is unix ms 1700000000000; the time is not sent.
        {"all values", CoarsePositionReport{48.125, 11.5, 0.0, 512.0, SensorFileTime{133444736000000000ULL}},
         "01 2D 00 00 10 05 00 04 00 39 00 21 00 10 08 00 00 00 00 00 00 10 48 40 "
         "11 08 00 00 00 00 00 00 00 27 40 13 01 00 3F 16 04 00 00 00 00 44"},
        // The error radius comes as text and the altitude is missing: both are left out (11 + 11 + 4 = 26).
        {"values of the wrong type count as zero",
         CoarsePositionReport{48.125, 11.5, std::string("5"), std::monostate{}, std::monostate{}},
         "01 26 00 00 10 05 00 05 00 39 00 1A 00 10 08 00 00 00 00 00 00 10 48 40 "
         "11 08 00 00 00 00 00 00 00 27 40 13 01 00 3F"},
        {"no other sensor", std::nullopt, nullptr},
        {"latitude 0", CoarsePositionReport{0.0, 11.5, 1.0, 1.0, std::monostate{}}, nullptr},
        {"longitude 0", CoarsePositionReport{48.0, 0.0, 1.0, 1.0, std::monostate{}}, nullptr},
        {"latitude not a double", CoarsePositionReport{std::string("48"), 11.5, 1.0, 1.0, std::monostate{}},
         nullptr},
    };
    for (const auto& row : rows) {
        stack.module.ClearReceived();
        source.report = row.report;
        client->InjectCoarsePosition();
        using Frames = std::vector<std::vector<uint8_t>>;
        EXPECT_EQ(LocationFrames(), row.frame ? Frames{Hex(row.frame)} : Frames{}) << row.legend;
    }
}

TEST_F(CoarsePositionTest, FailedSensorQueryIsRetriedOnceAfter200Ms) {
    source.report = CoarsePositionReport{48.125, 11.5, 0.0, 512.0, std::monostate{}};
    source.failQueries = 1;
    client->InjectCoarsePosition();
    EXPECT_EQ(source.queries, 2);
    EXPECT_EQ(sleeps, std::vector<std::chrono::milliseconds>{200ms});
    EXPECT_EQ(LocationFrames().size(), 1U);
    source.failQueries = 2;
    source.queries = 0;
    stack.module.ClearReceived();
    client->InjectCoarsePosition();
    EXPECT_EQ(source.queries, 2) << "two tries in all";
    EXPECT_TRUE(LocationFrames().empty());
}

class AssistanceRequestTest : public test_support::LocationClientFixture {
  protected:
    void SetUp() override {
        LocationClientFixture::SetUp();
        parameters.values["USB\\VID_1234|AlmarServerURL"] = "127.0.0.1";
        config.parameters = &parameters;
    }
    test_support::MapParameters parameters;
};

TEST_F(AssistanceRequestTest, TimeRequestInjectsTheServersTime) {
    // Request at 2024-01-01 00:00:00 (NTP 0xE93C7F00); the answer says received at +0.2 s and sent at
    // +0.4 s, and it is read at +1.0 s: time 1704067200400 ms = 0x018CC251F590, uncertainty
    // (1.0 - 0.2) / 2 s = 400 ms = 0x190.
    test_support::LocalSntpServer sntp([](const std::vector<uint8_t>& request) {
        return std::vector<std::vector<uint8_t>>{test_support::NewYear2024SntpAnswer(request)};
    });
    config.net.sntpPort = sntp.port();
    config.now = test_support::NewYear2024Clock();
    OpenClient();
    EXPECT_EQ(client->HandleTimeRequest("USB\\VID_1234"), AssistanceOutcome::Injected);
    const auto frames = LocationFrames();
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_EQ(frames[0], Hex("01 1E 00 00 10 05 00 04 00 38 00 12 00 01 08 00 90 F5 51 C2 8C 01 00 00 "
                             "02 04 00 90 01 00 00"));
}

TEST_F(AssistanceRequestTest, OrbitRequestDownloadsAndInjectsTheFile) {
    std::vector<uint8_t> file(2049);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 13);
    test_support::LocalHttpServer http(200, file);
    config.net.httpPort = http.port();
    OpenClient();
    EXPECT_EQ(client->HandleOrbitRequest("USB\\VID_1234"), AssistanceOutcome::Injected);
    EXPECT_EQ(service->OrbitPartsReceived(), 3);
    EXPECT_EQ(service->OrbitData(), file);
}

TEST_F(AssistanceRequestTest, OrbitRequestWithAnHttpErrorInjectsNothing) {
    test_support::LocalHttpServer http(404, std::vector<uint8_t>(100, 'x'));
    config.net.httpPort = http.port();
    OpenClient();
    EXPECT_EQ(client->HandleOrbitRequest("USB\\VID_1234"), AssistanceOutcome::HttpError);
    EXPECT_TRUE(LocationFrames().empty());
}

}  // namespace
}  // namespace geolumen
