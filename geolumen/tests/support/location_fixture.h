#pragma once
// A location client against the simulated module, with the message stack started by the client itself
// as the driver does it, and helpers to read what the module received.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "location/location_client.h"
#include "sim/sim_location_service.h"
#include "support/sim_stack.h"

namespace geolumen::test_support {

// Device parameters from a map keyed "instance id|value name".
class MapParameters : public DeviceParameterReader {
  public:
    std::string ReadDeviceParameter(std::string_view instanceId, std::string_view valueName) const override;
    std::map<std::string, std::string> values;
};

// The fix of a final report with every field: 48.125, -11.5, error 5, speed 1.5, altitudes 560 and 512,
// vertical 8, heading 90 with deviation 3, DOP 2 / 1.25 / 1.5, mask 5, UTC 1700000000000.
void ExpectFullFix(const LocationFix& fix);

// The first two entries of a satellite list: system 1 id 12 with elevation 45, azimuth 180, SNR 38.5 all
// valid, then system 5 id 65 (satellite 65 + 64 = 129) with only system and id valid.
void ExpectFirstTwoSatellites(const SatelliteReport& report);

// "01 0A ff" -> bytes; "TT" stands for the transaction id's low byte.
std::vector<uint8_t> Hex(const std::string& text, uint16_t transaction = 0);

class LocationClientFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the client (flag as given) and forgets the frames of the opening, returning them.
    std::vector<std::vector<uint8_t>> OpenClient(bool flag = false);
    // Location-service frames the module received, oldest first.
    std::vector<std::vector<uint8_t>> LocationFrames() const;
    // Waits until the module has received `count` location frames in all.
    bool WaitForLocationFrames(size_t count) const;

    LocationClientConfig config;
    sim::SimStack stack;
    std::unique_ptr<sim::SimLocationService> service;
    std::unique_ptr<LocationClient> client;
};

}  // namespace geolumen::test_support
