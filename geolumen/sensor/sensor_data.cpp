// Location data and sensor state: each report of the session worker becomes the sensor's data fields,
// moves the sensor state between initializing, ready and not available, and sets the device's
// data-ready and state-change events.
//
// A report is applied as one update under the main lock, its NMEA field included, and only then is
// data-ready set: whoever copies the data fields sees one whole report, never parts of two.
#include <cmath>
#include <cstring>
#include <limits>

#include "driver/driver_globals.h"
#include "location/file_time.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {

namespace {

// Metres per second to knots, as the sensor has always reported it (single precision).
constexpr float kKnotsPerMetrePerSecond = 1.9438612f;
constexpr uint32_t kFixIndicatorFinal = 0;
constexpr uint32_t kFixIndicatorIntermediate = 1;
constexpr int32_t kFixTypeFinal = 1;
constexpr int32_t kFixTypeIntermediate = 6;
// Technology bits of a fix that make it one the sensor reports (satellites, or satellites and cells).
constexpr uint32_t kReportedTechnologies = 0x5;

// The largest value marks a field the module did not give; a value that is not finite is no better.
bool Absent(double value) { return !std::isfinite(value) || value == std::numeric_limits<double>::max(); }
bool Absent(float value) { return !std::isfinite(value) || value == std::numeric_limits<float>::max(); }

// How a field of the fix becomes its data value.
enum class WhenAbsent { kEmpty, kZero };
struct FieldRow {
    const PROPERTYKEY& key;
    double value;  // the fix's value, widened
    bool absent;
    WhenAbsent whenAbsent;
};

constexpr uint32_t kRadioSwitchedOff = 1;

}  // namespace

bool cSensorDDI::ReportsAccepted() {
    // The device turns data reporting on when self-managed I/O starts, whatever radio state was restored
    // at start; a radio switched off delivers no data all the same.
    return DriverGlobals::Get().DataReportingEnabled.load() != 0 &&
           session_.currentRadioState.load() != kRadioSwitchedOff;
}

FileTimeValue FileTimeFromUnixMs(uint64_t ms) {
    return FileTimeValue{kFileTime1970 + ms * kFileTimeUnitsPerMs};
}

void cSensorDDI::OnLocationReport(uint32_t kind) {
    if (kind == kReportKindPosition) {
        ops_->CopyLocationFix(fixScratch_);
        ApplyPositionReport(fixScratch_);
    } else if (kind == kReportKindSatellites) {
        ops_->CopySatelliteReport(satelliteScratch_);
        ApplySatelliteReport(satelliteScratch_);
    }
}

void cSensorDDI::ApplyPositionReport(const LocationFix& fix) {
    if (!ReportsAccepted()) return;
    // Built before the lock is taken: the sentences need nothing of the sensor.
    if (nmeaEnabled_) {
        BuildFixNmea(fix, fixNmea_);
    } else {
        fixNmea_.clear();
    }

    // Data-ready is set once the lock is let go: the event thread's first step is to copy the data fields
    // under it.
    if (ApplyPositionFields(fix)) SignalDataReady();
}

bool cSensorDDI::ApplyPositionFields(const LocationFix& fix) {
    std::lock_guard lock(mainLock_);
    if (!data_) return false;
    if (fix.engineUnavailable) {
        if (sensorState_ != SENSOR_STATE_NOT_AVAILABLE) SetSensorState(SENSOR_STATE_NOT_AVAILABLE);
        SetNmeaDataField(fixNmea_);
        return false;
    }
    using enum WhenAbsent;
    const FieldRow rows[] = {
        {SENSOR_DATA_TYPE_LATITUDE_DEGREES, fix.latitude, Absent(fix.latitude), kEmpty},
        {SENSOR_DATA_TYPE_LONGITUDE_DEGREES, fix.longitude, Absent(fix.longitude), kEmpty},
        {SENSOR_DATA_TYPE_ERROR_RADIUS_METERS, fix.errorRadius, Absent(fix.errorRadius), kEmpty},
        {SENSOR_DATA_TYPE_SPEED_KNOTS, fix.speed * kKnotsPerMetrePerSecond, Absent(fix.speed), kZero},
        {SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_METERS, fix.altitudeEllipsoid, Absent(fix.altitudeEllipsoid),
         kEmpty},
        {SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_METERS, fix.altitudeSeaLevel, Absent(fix.altitudeSeaLevel),
         kEmpty},
        {SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_ERROR_METERS, fix.verticalUncertainty,
         Absent(fix.verticalUncertainty), kEmpty},
        {SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_ERROR_METERS, fix.verticalUncertainty,
         Absent(fix.verticalUncertainty), kEmpty},
        {SENSOR_DATA_TYPE_TRUE_HEADING_DEGREES, fix.heading, Absent(fix.heading), kZero},
        {SENSOR_DATA_TYPE_MAGNETIC_HEADING_DEGREES, fix.magneticHeading, Absent(fix.magneticHeading), kZero},
        {SENSOR_DATA_TYPE_POSITION_DILUTION_OF_PRECISION, fix.pdop, Absent(fix.pdop), kEmpty},
        {SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION, fix.hdop, Absent(fix.hdop), kEmpty},
        {SENSOR_DATA_TYPE_VERTICAL_DILUTION_OF_PRECISION, fix.vdop, Absent(fix.vdop), kEmpty},
    };
    PropValue value;
    for (const auto& row : rows) {
        if (!row.absent) {
            value = row.value;
        } else if (row.whenAbsent == kZero) {
            value = 0.0;
        } else {
            value = std::monostate{};
        }
        (void)data_->SetValue(row.key, value);
    }
    if (fix.fixIndicator == kFixIndicatorFinal) {
        (void)data_->SetValue(SENSOR_DATA_TYPE_FIX_TYPE, kFixTypeFinal);
    } else if (fix.fixIndicator == kFixIndicatorIntermediate) {
        (void)data_->SetValue(SENSOR_DATA_TYPE_FIX_TYPE, kFixTypeIntermediate);
    }
    if (fix.utcMs != 0) (void)data_->SetValue(SENSOR_DATA_TYPE_TIMESTAMP, FileTimeFromUnixMs(fix.utcMs));
    SetNmeaDataField(fixNmea_);

    const uint32_t before = sensorState_;
    const bool complete = !Absent(fix.latitude) && !Absent(fix.longitude) && !Absent(fix.errorRadius);
    if (complete) {
        if ((fix.technologyMask & kReportedTechnologies) == 0) return false;
        if (before == SENSOR_STATE_INITIALIZING || before == SENSOR_STATE_NOT_AVAILABLE) {
            SetSensorState(SENSOR_STATE_READY);
        }
        lastLatitude_ = fix.latitude;
        lastLongitude_ = fix.longitude;
        lastErrorRadius_ = fix.errorRadius;
        // Numbered with the fields, under the same lock: the event thread that copies them takes the number
        // with them. Only a report someone is told of is numbered, so a gap means one was superseded.
        if (dataReady_ && SubscriberCount() != 0) ++reportNumber_;
        return true;
    }
    if (before == SENSOR_STATE_READY || before == SENSOR_STATE_NOT_AVAILABLE) {
        SetSensorState(SENSOR_STATE_INITIALIZING);
        lastLatitude_ = std::numeric_limits<double>::max();
        lastLongitude_ = std::numeric_limits<double>::max();
        lastErrorRadius_ = std::numeric_limits<float>::max();
    }
    return false;
}

void cSensorDDI::ApplySatelliteReport(const SatelliteReport& report) {
    if (!ReportsAccepted()) return;
    const uint32_t n = std::min(report.count, kMaxReportedSatellites);
    if (nmeaEnabled_) {
        BuildSatelliteNmea(report, satelliteNmea_);
    } else {
        satelliteNmea_.clear();
    }

    std::lock_guard lock(mainLock_);
    if (!data_) return;
    (void)data_->SetValue(SENSOR_DATA_TYPE_SATELLITES_IN_VIEW, static_cast<int32_t>(n));
    struct Array {
        const PROPERTYKEY& key;
        const void* data;
        size_t elementSize;
    };
    const Array arrays[] = {
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH, report.azimuth, sizeof report.azimuth[0]},
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ELEVATION, report.elevation, sizeof report.elevation[0]},
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO, report.snr, sizeof report.snr[0]},
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID, report.satelliteId, sizeof report.satelliteId[0]},
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS, report.prn, sizeof report.prn[0]},
    };
    for (size_t i = 0; i < std::size(arrays); ++i) {
        if (n < 1) {
            (void)data_->SetValue(arrays[i].key, PropValue{});
            continue;
        }
        // Byte images of the first n entries in memory order; the scratch keeps its capacity.
        PropValue& scratch = satelliteArrays_[i];
        if (!std::holds_alternative<ByteVector>(scratch)) scratch = ByteVector{};
        auto& bytes = std::get<ByteVector>(scratch);
        const auto* first = static_cast<const uint8_t*>(arrays[i].data);
        bytes.assign(first, first + n * arrays[i].elementSize);
        (void)data_->SetValue(arrays[i].key, scratch);
    }
    SetNmeaDataField(satelliteNmea_);
}

void cSensorDDI::SetNmeaDataField(const std::string& text) {
    if (!ReportsAccepted()) return;
    std::lock_guard lock(mainLock_);
    if (!data_) return;
    if (!std::holds_alternative<std::string>(nmeaValue_)) nmeaValue_ = std::string{};
    std::get<std::string>(nmeaValue_).assign(text);
    (void)data_->SetValue(SENSOR_DATA_TYPE_NMEA_SENTENCE, nmeaValue_);
}

void cSensorDDI::SetSensorState(uint32_t state) {
    std::lock_guard lock(mainLock_);
    (void)SetPropertyValue(SENSOR_PROPERTY_STATE, state);
    SetSensorStateValue(state);
}

void cSensorDDI::SetSensorStateValue(uint32_t state) {
    std::lock_guard lock(mainLock_);
    sensorState_ = state;
    if (stateChange_ && SubscriberCount() != 0) stateChange_->Set();
}

void cSensorDDI::SignalDataReady() {
    Event* ready = nullptr;
    {
        std::lock_guard lock(mainLock_);
        if (dataReady_ && SubscriberCount() != 0) ready = dataReady_;
    }
    // Set outside the lock, which the woken event thread takes at once.
    if (ready) ready->Set();
}

}  // namespace geolumen
