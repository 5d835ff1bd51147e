#include "location/location_reports.h"

#include <chrono>

namespace geolumen {

namespace {

constexpr uint32_t kSatSystemValid = 0x1;
constexpr uint32_t kSatIdValid = 0x2;
constexpr uint32_t kSatElevationValid = 0x20;
constexpr uint32_t kSatAzimuthValid = 0x40;
constexpr uint32_t kSatSnrValid = 0x80;

constexpr double kAbsentAzimuth = -1;
constexpr double kAbsentElevation = -91;
constexpr double kAbsentSnr = 0;

// Satellite numbering by system: system 1 as reported, system 3 moved down by 87, system 5 up by 64.
struct SystemNumbering {
    uint32_t system;
    int32_t offset;
};
constexpr SystemNumbering kNumbering[] = {{1, 0}, {3, -87}, {5, 64}};

float FloatOrAbsent(uint8_t valid, float value) { return valid != 0 ? value : kAbsentFloat; }

double CoordinateOrAbsent(uint8_t valid, double value) {
    // 0.0 is what the module reports when it has no coordinate.
    return valid != 0 && value != 0.0 ? value : kAbsentDouble;
}

}  // namespace

LocationFix ConvertPositionReport(const halyx_loc_position_report& r) {
    LocationFix fix;
    fix.fixIndicator = r.status == kSessionStatusIntermediate ? 1 : 0;
    fix.latitude = CoordinateOrAbsent(r.latitude_valid, r.latitude);
    fix.longitude = CoordinateOrAbsent(r.longitude_valid, r.longitude);
    fix.errorRadius = FloatOrAbsent(r.error_radius_valid, r.error_radius);
    fix.speed = FloatOrAbsent(r.speed_valid, r.speed);
    fix.altitudeEllipsoid = FloatOrAbsent(r.altitude_ellipsoid_valid, r.altitude_ellipsoid);
    fix.altitudeSeaLevel = FloatOrAbsent(r.altitude_sea_level_valid, r.altitude_sea_level);
    fix.verticalUncertainty = FloatOrAbsent(r.vertical_uncertainty_valid, r.vertical_uncertainty);
    fix.heading = FloatOrAbsent(r.heading_valid, r.heading);
    fix.magneticDeviation = FloatOrAbsent(r.magnetic_deviation_valid, r.magnetic_deviation);
    fix.magneticHeading = r.heading_valid != 0 && r.magnetic_deviation_valid != 0
                              ? r.heading + r.magnetic_deviation
                              : kAbsentFloat;
    if (r.dop_valid != 0) {
        fix.pdop = r.dop.pdop;
        fix.hdop = r.dop.hdop;
        fix.vdop = r.dop.vdop;
    } else {
        fix.pdop = fix.hdop = fix.vdop = kAbsentFloat;
    }
    fix.technologyMask = r.technology_mask_valid != 0 ? r.technology_mask : kAbsentTechnologyMask;
    fix.utcMs = r.utc_ms_valid != 0 ? r.utc_ms : 0;
    return fix;
}

bool ConvertSatelliteReport(const halyx_loc_satellite_report& r, SatelliteReport& out) {
    out = SatelliteReport{};
    if (r.satellites_valid == 0 || r.satellite_count == 0 || r.satellite_count > kMaxReportedSatellites) {
        return false;
    }
    out.count = r.satellite_count;
    for (uint32_t i = 0; i < r.satellite_count; ++i) {
        const halyx_loc_satellite_info& sat = r.satellites[i];
        const bool numbered =
            (sat.valid_mask & (kSatSystemValid | kSatIdValid)) == (kSatSystemValid | kSatIdValid);
        if (numbered && sat.satellite_id != 0) {
            out.prn[i] = sat.satellite_id;
            for (const auto& n : kNumbering) {
                if (n.system == sat.system)
                    out.satelliteId[i] = static_cast<int32_t>(sat.satellite_id) + n.offset;
            }
        }
        out.elevation[i] = (sat.valid_mask & kSatElevationValid) != 0 ? sat.elevation : kAbsentElevation;
        out.azimuth[i] = (sat.valid_mask & kSatAzimuthValid) != 0 ? sat.azimuth : kAbsentAzimuth;
        out.snr[i] = (sat.valid_mask & kSatSnrValid) != 0 ? sat.snr : kAbsentSnr;
    }
    return true;
}

LocationReports::LocationReports(std::function<uint64_t()> tickMs) : tickMs_(std::move(tickMs)) {}

uint64_t LocationReports::SteadyTickMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void LocationReports::StorePositionReport(const halyx_loc_position_report& report) {
    std::lock_guard guard(lock_);
    (selector_ == 1 ? positionA_ : positionB_) = report;
}

void LocationReports::StoreSatelliteReport(const halyx_loc_satellite_report& report) {
    std::lock_guard guard(lock_);
    satellites_ = report;
}

bool LocationReports::ProcessPositionReport() {
    halyx_loc_position_report report;
    {
        std::lock_guard guard(lock_);
        if (selector_ == 1) {
            selector_ = 2;
            report = positionA_;
        } else {
            selector_ = 1;
            report = positionB_;
        }
    }
    const uint64_t now = tickMs_();
    std::lock_guard guard(lock_);
    fix_ = LocationFix{};
    switch (report.status) {
        case kSessionStatusEngineUnavailable:
            fix_.engineUnavailable = 1;
            return true;
        case kSessionStatusFinal:
            lastFinalFixTick_ = now;
            haveFinalFix_ = true;
            break;
        case kSessionStatusIntermediate:
            fix_.fixIndicator = 1;
            if (haveFinalFix_ && now - lastFinalFixTick_ < kIntermediateFixHoldOffMs) return false;
            break;
        default:
            return false;
    }
    fix_ = ConvertPositionReport(report);
    return true;
}

bool LocationReports::ProcessSatelliteReport() {
    halyx_loc_satellite_report report;
    {
        std::lock_guard guard(lock_);
        report = satellites_;
    }
    SatelliteReport converted;
    const bool fresh = ConvertSatelliteReport(report, converted);
    std::lock_guard guard(lock_);
    satelliteReport_ = converted;
    return fresh;
}

LocationFix LocationReports::CopyLocationFix() const {
    std::lock_guard guard(lock_);
    return fix_;
}

SatelliteReport LocationReports::CopySatelliteReport() const {
    std::lock_guard guard(lock_);
    return satelliteReport_;
}

void LocationReports::Reset() {
    std::lock_guard guard(lock_);
    positionA_ = {};
    positionB_ = {};
    selector_ = 1;
    satellites_ = {};
    lastFinalFixTick_ = 0;
    haveFinalFix_ = false;
    fix_ = {};
    satelliteReport_ = {};
}

}  // namespace geolumen
