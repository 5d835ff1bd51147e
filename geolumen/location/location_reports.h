#pragma once
// The driver's own records of the last position and satellite reports, and their conversion from the
// decoded indications.
//
// The message stack's slot thread stores each report (StorePositionReport / StoreSatelliteReport); a
// session worker then converts it (ProcessPositionReport / ProcessSatelliteReport) and the sensor side
// reads the result (CopyLocationFix / CopySatelliteReport). Every copy in and out happens under one lock,
// so a report is never read while the slot thread is still writing it.
#include <cstdint>
#include <functional>
#include <mutex>

#include "halyx/location_service.h"

namespace geolumen {

inline constexpr double kAbsentDouble = 1.7976931348623157e308;
inline constexpr float kAbsentFloat = 3.4028235e38f;
inline constexpr uint32_t kAbsentTechnologyMask = 0xFFFFFFFF;
inline constexpr uint32_t kMaxReportedSatellites = 80;

// An intermediate fix this soon after a final one is dropped: the final fix is better and still fresh.
inline constexpr uint64_t kIntermediateFixHoldOffMs = 2000;

inline constexpr uint32_t kSessionStatusFinal = 0;
inline constexpr uint32_t kSessionStatusIntermediate = 1;
inline constexpr uint32_t kSessionStatusEngineUnavailable = 7;

struct LocationFix {
    double latitude = 0;
    double longitude = 0;
    float errorRadius = 0;
    float speed = 0;
    float altitudeEllipsoid = 0;
    float altitudeSeaLevel = 0;
    float verticalUncertainty = 0;
    float heading = 0;
    float magneticHeading = 0;
    float magneticDeviation = 0;
    float pdop = 0;
    float hdop = 0;
    float vdop = 0;
    uint64_t utcMs = 0;
    uint32_t fixIndicator = 0;  // 0 final, 1 intermediate
    uint8_t engineUnavailable = 0;
    uint32_t technologyMask = 0;
};

struct SatelliteReport {
    uint32_t count = 0;
    double azimuth[kMaxReportedSatellites] = {};
    double elevation[kMaxReportedSatellites] = {};
    double snr[kMaxReportedSatellites] = {};
    int32_t satelliteId[kMaxReportedSatellites] = {};
    int32_t prn[kMaxReportedSatellites] = {};
};

class LocationReports {
  public:
    // `tickMs` is a monotonic millisecond clock (tests pin it).
    explicit LocationReports(std::function<uint64_t()> tickMs = SteadyTickMs);

    // Slot thread: keep the newest report until a worker converts it.
    void StorePositionReport(const halyx_loc_position_report& report);
    void StoreSatelliteReport(const halyx_loc_satellite_report& report);

    // True when LocationFix now holds a report to publish.
    [[nodiscard]] bool ProcessPositionReport();
    // True when SatelliteReport now holds a new list.
    [[nodiscard]] bool ProcessSatelliteReport();

    [[nodiscard]] LocationFix CopyLocationFix() const;
    [[nodiscard]] SatelliteReport CopySatelliteReport() const;

    // Forgets everything (driver unload, tests).
    void Reset();

    [[nodiscard]] static uint64_t SteadyTickMs();

  private:
    std::function<uint64_t()> tickMs_;
    mutable std::mutex lock_;
    // Two buffers and a selector: the slot thread writes the selected one; a worker flips the selector and
    // reads the other, so a report that arrives during a conversion goes to the buffer not being read.
    halyx_loc_position_report positionA_{};
    halyx_loc_position_report positionB_{};
    int selector_ = 1;
    halyx_loc_satellite_report satellites_{};
    uint64_t lastFinalFixTick_ = 0;
    bool haveFinalFix_ = false;
    LocationFix fix_;
    SatelliteReport satelliteReport_;
};

// The pure conversions, for the worker and for tests that fill a report by hand.
// Position: nothing written for a report that is not published (see ProcessPositionReport).
[[nodiscard]] LocationFix ConvertPositionReport(const halyx_loc_position_report& report);
// Satellites: false (and an empty report) when the list is missing, empty or longer than 80.
[[nodiscard]] bool ConvertSatelliteReport(const halyx_loc_satellite_report& report, SatelliteReport& out);

}  // namespace geolumen
