#include "support/location_fixture.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"
#include "platform/trace.h"

namespace geolumen::test_support {

namespace {
// Frames travel through threads of the stack; a second is far more than they ever take.
constexpr auto kFrameWait = std::chrono::seconds(2);
}  // namespace

std::string MapParameters::ReadDeviceParameter(std::string_view instanceId,
                                               std::string_view valueName) const {
    const auto it = values.find(std::string(instanceId) + "|" + std::string(valueName));
    return it == values.end() ? std::string() : it->second;
}

void ExpectFullFix(const LocationFix& fix) {
    EXPECT_EQ(fix.latitude, 48.125);
    EXPECT_EQ(fix.longitude, -11.5);
    EXPECT_EQ(fix.errorRadius, 5.0f);
    EXPECT_EQ(fix.speed, 1.5f);
    EXPECT_EQ(fix.altitudeEllipsoid, 560.0f);
    EXPECT_EQ(fix.altitudeSeaLevel, 512.0f);
    EXPECT_EQ(fix.verticalUncertainty, 8.0f);
    EXPECT_EQ(fix.heading, 90.0f);
    EXPECT_EQ(fix.magneticHeading, 93.0f);  // 90 + 3
    EXPECT_EQ(fix.magneticDeviation, 3.0f);
    EXPECT_EQ(fix.pdop, 2.0f);
    EXPECT_EQ(fix.hdop, 1.25f);
    EXPECT_EQ(fix.vdop, 1.5f);
    EXPECT_EQ(fix.utcMs, 1700000000000ULL);
    EXPECT_EQ(fix.fixIndicator, 0U);
    EXPECT_EQ(fix.engineUnavailable, 0);
    EXPECT_EQ(fix.technologyMask, 5U);
}

void ExpectFirstTwoSatellites(const SatelliteReport& report) {
    EXPECT_EQ(report.azimuth[0], 180.0);
    EXPECT_EQ(report.elevation[0], 45.0);
    EXPECT_EQ(report.snr[0], 38.5);
    EXPECT_EQ(report.satelliteId[0], 12);
    EXPECT_EQ(report.prn[0], 12);
    EXPECT_EQ(report.azimuth[1], -1.0);
    EXPECT_EQ(report.elevation[1], -91.0);
    EXPECT_EQ(report.snr[1], 0.0);
    EXPECT_EQ(report.satelliteId[1], 129);
    EXPECT_EQ(report.prn[1], 65);
}

std::vector<uint8_t> Hex(const std::string& text, uint16_t transaction) {
    std::vector<uint8_t> bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        if (token == "TT") {
            bytes.push_back(static_cast<uint8_t>(transaction & 0xFF));
        } else if (token == "tt") {
            bytes.push_back(static_cast<uint8_t>(transaction >> 8));
        } else {
            bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
        }
    }
    return bytes;
}

void LocationClientFixture::SetUp() {
    // GEOLUMEN_TEST_TRACE=1 shows the driver's trace while a test runs.
    if (std::getenv("GEOLUMEN_TEST_TRACE") != nullptr) {
        RegisterTraceProvider();
        SetTraceSession(TRACE_LEVEL_VERBOSE, TRACE_ALL);
    }
    ASSERT_EQ(stack.Start(/*startMux=*/false), 0);
    service = std::make_unique<sim::SimLocationService>(stack.module);
}

void LocationClientFixture::TearDown() {
    client.reset();
    // The driver stops the message stack at unload; here the test is the driver.
    halyx_mux_stop();
    halyx_transport_unregister();
    service.reset();
    stack.Stop();
}

std::vector<std::vector<uint8_t>> LocationClientFixture::OpenClient(bool flag) {
    if (!client) client = std::make_unique<LocationClient>(config);
    EXPECT_EQ(client->OpenLocationClient(flag), 0);
    auto frames = LocationFrames();
    stack.module.ClearReceived();
    return frames;
}

std::vector<std::vector<uint8_t>> LocationClientFixture::LocationFrames() const {
    std::vector<std::vector<uint8_t>> frames;
    for (const auto& bytes : stack.module.Received()) {
        if (bytes.size() > 4 && bytes[4] == sim::kLocationService) frames.push_back(bytes);
    }
    return frames;
}

bool LocationClientFixture::WaitForLocationFrames(size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + kFrameWait;
    while (std::chrono::steady_clock::now() < deadline) {
        if (LocationFrames().size() >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace geolumen::test_support
