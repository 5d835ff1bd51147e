#pragma once
// The fix the simulated module reports in the host's demo mode and in the end-to-end tests: a complete
// final fix whose numbers are exact in binary, so every value a client prints can be compared exactly.
#include "sim/sim_location_service.h"

namespace geolumen::sim {

// 2025-12-09 00:00:00 UTC.
inline constexpr uint64_t kDemoFixUtcMs = 1765238400000ull;

[[nodiscard]] inline SimPosition DemoFix() {
    SimPosition fix;
    fix.status = 0;
    fix.latitude = -33.8740234375;  // -33 - 895/1024
    fix.longitude = 151.2109375;    // 151 + 27/128
    fix.errorRadius = 4.5f;
    fix.speed = 1.25f;
    fix.altitudeEllipsoid = 58.5f;
    fix.altitudeSeaLevel = 36.25f;
    fix.verticalUncertainty = 7.75f;
    fix.heading = 90.5f;
    fix.magneticDeviation = 12.5f;
    fix.technologyMask = 1;
    fix.dop = std::array<float, 3>{1.5f, 0.75f, 1.25f};
    fix.utcMs = kDemoFixUtcMs;
    return fix;
}

}  // namespace geolumen::sim
