// Session control and assistance requests of the location-service client.
#include <algorithm>
#include <cstring>
#include <variant>

#include "halyx/location_service.h"
#include "location/location_client.h"
#include "location/location_status.h"
#include "location/location_tables.h"
#include "platform/trace.h"

namespace geolumen {

namespace {

constexpr uint8_t kSessionId = 1;
// Accuracy argument 1 asks the module for its high-accuracy level 3; anything else for level 1.
constexpr uint32_t kHighAccuracyArgument = 1;
constexpr uint32_t kHighAccuracyLevel = 3;
constexpr uint32_t kDefaultAccuracyLevel = 1;

// The per-satellite deletion list: ids 1-32 of system 1 and 65-96 of system 5.
struct DeleteRange {
    uint16_t firstId;
    uint16_t count;
    uint32_t system;
};
constexpr DeleteRange kDeleteRanges[] = {{1, 32, 1}, {65, 32, 5}};
constexpr uint64_t kDeleteOption11 = 0x7FFFF;
constexpr uint32_t kDeleteOption12 = 1023;
constexpr uint32_t kDeleteOption13 = 2047;
// Constant 0x13 of the position injection, as the module expects it.
constexpr uint8_t kInjectPositionOption13 = 63;

double DoubleOrZero(const SensorValue& value) {
    const double* d = std::get_if<double>(&value);
    return d != nullptr ? *d : 0.0;
}

}  // namespace

int LocationClient::RegisterLocationEvents() {
    std::shared_lock lifecycle(lifecycle_);
    halyx_loc_register_events_req request{};
    request.event_mask = kRegisteredEventMask;
    return SendLocked(kHalyxLocRegisterEvents, &request);
}

int LocationClient::StartPositionSession(uint32_t intervalMs, uint32_t accuracy) {
    std::shared_lock lifecycle(lifecycle_);
    return StartLocked(intervalMs, accuracy);
}

int LocationClient::StartLocked(uint32_t intervalMs, uint32_t accuracy) {
    halyx_loc_start_session_req request{};
    request.session_id = kSessionId;
    request.option_10_valid = 1;
    request.option_10 = 1;
    request.accuracy_level_valid = 1;
    request.accuracy_level = accuracy == kHighAccuracyArgument ? kHighAccuracyLevel : kDefaultAccuracyLevel;
    request.option_12_valid = 1;
    request.option_12 = 1;
    request.interval_ms_valid = 1;
    request.interval_ms = intervalMs;
    const int status = SendLocked(kHalyxLocStartSession, &request);
    // The worker never looks at the result: a session it asked for counts as started, so a stop follows.
    sessionStarted_ = true;
    return status;
}

int LocationClient::StopPositionSession() {
    std::shared_lock lifecycle(lifecycle_);
    return StopLocked();
}

int LocationClient::StopLocked() {
    int status = kLocStatusNoClient;
    if (Handle() != nullptr) {
        halyx_loc_stop_session_req request{};
        request.session_id = kSessionId;
        // The module sends no result indication for a stop, so waiting for one would only cost the
        // whole wait; the response to the request is all there is.
        status = SendLocked(kHalyxLocStopSession, &request);
    }
    sessionStarted_ = false;
    return status;
}

void LocationClient::StartSessionIfIdle(uint32_t intervalMs, uint32_t accuracy) {
    std::shared_lock lifecycle(lifecycle_);
    if (Handle() != nullptr && !sessionStarted_) StartLocked(intervalMs, accuracy);
}

void LocationClient::StopSessionIfRunning() {
    std::shared_lock lifecycle(lifecycle_);
    if (Handle() != nullptr && sessionStarted_) StopLocked();
}

void LocationClient::ChangeSessionCriteria(uint32_t intervalMs, uint32_t accuracy) {
    std::shared_lock lifecycle(lifecycle_);
    if (Handle() == nullptr || !sessionStarted_) return;
    StopLocked();
    StartLocked(intervalMs, accuracy);
}

int LocationClient::ReopenLocationClient(uint32_t intervalMs, uint32_t accuracy, bool flag,
                                         std::stop_token stop) {
    CloseLocationClient();
    const int opened = OpenLocationClient(flag, stop);
    if (opened != kLocStatusOk) return opened;
    return StartPositionSession(intervalMs, accuracy);
}

int LocationClient::DeleteAssistanceData(uint16_t which) {
    std::shared_lock lifecycle(lifecycle_);
    auto request = std::make_unique<halyx_loc_delete_assist_req>();
    *request = {};
    if (which == kDeleteAllAssistance) {
        request->delete_all = 1;
    } else {
        request->delete_all = 0;
        request->satellites_valid = 1;
        uint32_t n = 0;
        for (const auto& range : kDeleteRanges) {
            for (uint16_t i = 0; i < range.count; ++i) {
                request->satellites[n].satellite_id = static_cast<uint16_t>(range.firstId + i);
                request->satellites[n].system = range.system;
                request->satellites[n].option = 0;
                ++n;
            }
        }
        request->satellite_count = n;
        request->option_11_valid = 1;
        request->option_11 = kDeleteOption11;
        request->option_12_valid = 1;
        request->option_12 = kDeleteOption12;
        request->option_13_valid = 1;
        request->option_13 = kDeleteOption13;
    }
    return SendForResultLocked(kHalyxLocDeleteAssistData, request.get());
}

int LocationClient::InjectUtcTime(uint64_t utcMs, uint32_t uncertaintyMs) {
    std::shared_lock lifecycle(lifecycle_);
    halyx_loc_utc_time_req request{};
    request.utc_ms = utcMs;
    request.uncertainty_ms = uncertaintyMs;
    return SendForResultLocked(kHalyxLocInjectUtcTime, &request);
}

int LocationClient::InjectPredictedOrbits(std::span<const uint8_t> data) {
    // No data, or more than the part count can number, is refused before anything is sent: a size of 0
    // would otherwise wrap into millions of parts.
    if (data.empty() || data.size() > kMaxOrbitDataBytes) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_LOCATION, "orbit data of %zu bytes not injected",
                       data.size());
        return kLocStatusFailure;
    }
    std::shared_lock lifecycle(lifecycle_);
    const size_t parts = (data.size() - 1) / kHalyxLocOrbitPartMax + 1;
    auto request = std::make_unique<halyx_loc_orbit_part_req>();
    size_t sent = 0;
    for (size_t part = 1; part <= parts; ++part) {
        const size_t length = std::min<size_t>(kHalyxLocOrbitPartMax, data.size() - sent);
        *request = {};
        request->total_size = static_cast<uint32_t>(data.size());
        request->part_count = static_cast<uint16_t>(parts);
        request->part_number = static_cast<uint16_t>(part);
        request->data_len = static_cast<uint32_t>(length);
        std::memcpy(request->data, data.data() + sent, length);
        request->option_10_valid = 1;
        request->option_10 = 0;
        halyx_loc_orbit_part_result_ind result{};
        const int status = SendAndWaitLocked(kHalyxLocInjectOrbitPart, request.get(), kResultWaitMs,
                                             kHalyxLocInjectOrbitPart, &result, sizeof result);
        if (status != kLocStatusOk || result.status != 0 || result.part_number_valid == 0 ||
            result.part_number != part) {
            GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_LOCATION, "orbit part %zu of %zu not accepted (%d)", part,
                           parts, status);
            return status != kLocStatusOk ? status : kLocStatusFailure;
        }
        sent += length;
    }
    return kLocStatusOk;
}

int LocationClient::InjectPosition(double latitude, double longitude, uint64_t, double errorRadius,
                                   double altitude) {
    std::shared_lock lifecycle(lifecycle_);
    halyx_loc_inject_position_req request{};
    request.latitude_valid = latitude != 0.0;
    request.latitude = latitude;
    request.longitude_valid = longitude != 0.0;
    request.longitude = longitude;
    request.error_radius_valid = errorRadius != 0.0;
    request.error_radius = static_cast<float>(errorRadius);
    request.option_13_valid = 1;
    request.option_13 = kInjectPositionOption13;
    request.altitude_valid = altitude != 0.0;
    request.altitude = static_cast<float>(altitude);
    const int status = SendForResultLocked(kHalyxLocInjectPosition, &request);
    if (status != kLocStatusOk) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_LOCATION, "coarse position not accepted (%d)", status);
    }
    return status;
}

void LocationClient::InjectCoarsePosition() {
    CoarsePositionSource* source = config_.coarseSource;
    if (source == nullptr) return;
    auto sensors = source->FindLocationSensors();
    if (!sensors) {
        config_.sleep(kSensorQueryRetryDelay);
        sensors = source->FindLocationSensors();
    }
    if (!sensors || *sensors == 0) return;
    const auto report = source->ReadFirstSensor();
    if (!report) return;
    const double latitude = DoubleOrZero(report->latitudeDegrees);
    const double longitude = DoubleOrZero(report->longitudeDegrees);
    const double errorRadius = DoubleOrZero(report->errorRadiusMeters);
    const double altitude = DoubleOrZero(report->altitudeSeaLevelMeters);
    const auto* stamp = std::get_if<SensorFileTime>(&report->timestamp);
    const uint64_t utcMs = stamp != nullptr ? UnixMsFromFileTime(stamp->ticks) : 0;
    if (latitude == 0.0 || longitude == 0.0) return;
    InjectPosition(latitude, longitude, utcMs, errorRadius, altitude);
}

AssistanceOutcome LocationClient::HandleTimeRequest(const std::string& instanceId, std::stop_token stop) {
    if (config_.parameters == nullptr) return AssistanceOutcome::NoHost;
    const std::string host = SelectAssistanceServer(*config_.parameters, instanceId, config_.random);
    const AssistanceOutcome outcome = QueryNtpTime(host, *this, config_.net, stop, config_.now);
    GEOLUMEN_TRACE(outcome == AssistanceOutcome::Injected ? TRACE_LEVEL_INFORMATION : TRACE_LEVEL_WARNING,
                   TRACE_LOCATION, "time from %s: %s", host.c_str(), AssistanceOutcomeText(outcome).data());
    return outcome;
}

AssistanceOutcome LocationClient::HandleOrbitRequest(const std::string& instanceId, std::stop_token stop) {
    if (config_.parameters == nullptr) return AssistanceOutcome::NoHost;
    const std::string host = SelectAssistanceServer(*config_.parameters, instanceId, config_.random);
    const AssistanceOutcome outcome = DownloadPredictedOrbits(host, *this, config_.net, stop);
    GEOLUMEN_TRACE(outcome == AssistanceOutcome::Injected ? TRACE_LEVEL_INFORMATION : TRACE_LEVEL_WARNING,
                   TRACE_LOCATION, "orbit data from %s: %s", host.c_str(),
                   AssistanceOutcomeText(outcome).data());
    return outcome;
}

}  // namespace geolumen
