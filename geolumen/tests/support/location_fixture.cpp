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
