#include "sim/sim_location_service.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace geolumen::sim {

namespace {

// Requests the module answers with a result indication of the same id; register, start and stop have
// only their response.
constexpr uint16_t kRequestsWithResult[] = {0x35, 0x38, 0x39, 0x44, 0x4A, 0x54, 0x55};
constexpr uint16_t kRequestsWithoutResult[] = {0x21, 0x22, 0x23};
// The shortest interval periodic reports are sent at, whatever the session asked for, so a test
// asking for 0 ms cannot flood the stack.
constexpr uint32_t kMinPeriodicIntervalMs = 10;

uint32_t ReadLe(const Bytes& v, size_t offset, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size && offset + i < v.size(); ++i)
        value |= static_cast<uint32_t>(v[offset + i]) << (8 * i);
    return value;
}

uint64_t ReadLe64(const Bytes& v) {
    uint64_t value = 0;
    for (size_t i = 0; i < 8 && i < v.size(); ++i) value |= static_cast<uint64_t>(v[i]) << (8 * i);
    return value;
}

void PutF32(Bytes& out, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutU32(out, bits);
}

Bytes F32(float v) {
    Bytes out;
    PutF32(out, v);
    return out;
}

Bytes F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Bytes out;
    PutU64(out, bits);
    return out;
}

}  // namespace

SimLocationService::SimLocationService(SimModule& module) : module_(module) {
    for (uint16_t id : kRequestsWithResult) {
        module_.SetHandler(kLocationService, id, [this](SimModule&, const SimFrame& r) { Answer(r); });
    }
    for (uint16_t id : kRequestsWithoutResult) {
        module_.SetHandler(kLocationService, id, [this](SimModule&, const SimFrame& r) { Answer(r); });
    }
    periodicThread_ = std::thread([this] { RunPeriodic(); });
}

SimLocationService::~SimLocationService() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    periodicThread_.join();
    for (uint16_t id : kRequestsWithResult) module_.SetHandler(kLocationService, id, nullptr);
    for (uint16_t id : kRequestsWithoutResult) module_.SetHandler(kLocationService, id, nullptr);
}

void SimLocationService::SetResultStatus(uint16_t id, uint32_t status) {
    std::lock_guard guard(lock_);
    resultStatus_[id] = status;
}

void SimLocationService::SetResponseResult(uint16_t id, uint16_t result, uint16_t error) {
    std::lock_guard guard(lock_);
    responseResult_[id] = {result, error};
}

void SimLocationService::SuppressResult(uint16_t id, bool suppress) {
    std::lock_guard guard(lock_);
    suppressed_[id] = suppress;
}

void SimLocationService::SetOrbitEchoOverride(std::optional<uint16_t> partNumber) {
    std::lock_guard guard(lock_);
    orbitEcho_ = partNumber;
}

void SimLocationService::SetPeriodicPosition(std::optional<SimPosition> position) {
    {
        std::lock_guard guard(lock_);
        periodic_ = std::move(position);
    }
    wake_.notify_all();
}

void SimLocationService::SetSessionObserver(SessionObserver observer) {
    std::lock_guard guard(lock_);
    observer_ = std::move(observer);
}

void SimLocationService::Answer(const SimFrame& request) {
    std::pair<uint16_t, uint16_t> response{0, 0};
    {
        std::lock_guard guard(lock_);
        if (auto it = responseResult_.find(request.messageId); it != responseResult_.end())
            response = it->second;
    }
    module_.Respond(request, {}, response.first, response.second);
    uint32_t status = 0;
    bool suppressed = false;
    std::optional<uint16_t> echo;
    {
        std::lock_guard guard(lock_);
        if (auto it = resultStatus_.find(request.messageId); it != resultStatus_.end()) status = it->second;
        if (auto it = suppressed_.find(request.messageId); it != suppressed_.end()) suppressed = it->second;
        switch (request.messageId) {
            case 0x21:
                if (const SimTlv* t = request.Find(0x01)) mask_ = ReadLe64(t->value);
                break;
            case 0x22:
                running_ = true;
                if (const SimTlv* t = request.Find(0x11)) accuracy_ = ReadLe(t->value, 0, 4);
                if (const SimTlv* t = request.Find(0x13)) interval_ = ReadLe(t->value, 0, 4);
                break;
            case 0x23:
                running_ = false;
                break;
            case 0x35:
                if (const SimTlv* part = request.Find(0x03))
                    echo = static_cast<uint16_t>(ReadLe(part->value, 0, 2));
                if (const SimTlv* data = request.Find(0x04); data != nullptr && data->value.size() >= 2) {
                    const size_t count = ReadLe(data->value, 0, 2);
                    const size_t take = std::min(count, data->value.size() - 2);
                    orbit_.insert(orbit_.end(), data->value.begin() + 2,
                                  data->value.begin() + 2 + static_cast<std::ptrdiff_t>(take));
                    ++orbitParts_;
                }
                if (orbitEcho_) echo = orbitEcho_;
                break;
            default:
                break;
        }
    }
    wake_.notify_all();
    if (request.messageId == 0x22 || request.messageId == 0x23) {
        SessionObserver observer;
        bool running = false;
        uint32_t interval = 0;
        uint32_t accuracy = 0;
        {
            std::lock_guard guard(lock_);
            observer = observer_;
            running = running_;
            interval = interval_;
            accuracy = accuracy_;
        }
        if (observer) observer(running, interval, accuracy);
    }
    const bool withResult = std::find(std::begin(kRequestsWithResult), std::end(kRequestsWithResult),
                                      request.messageId) != std::end(kRequestsWithResult);
    if (!withResult || suppressed) return;
    std::vector<SimTlv> tlvs = {{0x01, U32(status)}};
    if (request.messageId == 0x35 && echo) tlvs.push_back({0x10, U16(*echo)});
    module_.Indicate(request.messageId, std::move(tlvs));
}

void SimLocationService::RunPeriodic() {
    std::unique_lock guard(lock_);
    while (!stop_) {
        if (!running_ || !periodic_) {
            wake_.wait(guard);
            continue;
        }
        const auto interval = std::chrono::milliseconds(std::max(interval_, kMinPeriodicIntervalMs));
        if (wake_.wait_for(guard, interval, [&] { return stop_ || !running_ || !periodic_; })) continue;
        const SimPosition position = *periodic_;
        guard.unlock();
        SendPosition(position);
        guard.lock();
    }
}

std::vector<SimTlv> SimLocationService::EncodePosition(const SimPosition& p) {
    std::vector<SimTlv> tlvs = {{0x01, U32(p.status)}, {0x02, U8(p.sessionId)}};
    if (p.latitude) tlvs.push_back({0x10, F64(*p.latitude)});
    if (p.longitude) tlvs.push_back({0x11, F64(*p.longitude)});
    if (p.errorRadius) tlvs.push_back({0x12, F32(*p.errorRadius)});
    if (p.speed) tlvs.push_back({0x18, F32(*p.speed)});
    if (p.altitudeEllipsoid) tlvs.push_back({0x1A, F32(*p.altitudeEllipsoid)});
    if (p.altitudeSeaLevel) tlvs.push_back({0x1B, F32(*p.altitudeSeaLevel)});
    if (p.verticalUncertainty) tlvs.push_back({0x1C, F32(*p.verticalUncertainty)});
    if (p.heading) tlvs.push_back({0x20, F32(*p.heading)});
    if (p.magneticDeviation) tlvs.push_back({0x22, F32(*p.magneticDeviation)});
    if (p.technologyMask) tlvs.push_back({0x23, U32(*p.technologyMask)});
    if (p.dop) {
        Bytes dop;
        for (float v : *p.dop) PutF32(dop, v);
        tlvs.push_back({0x24, dop});
    }
    if (p.utcMs) {
        Bytes utc;
        PutU64(utc, *p.utcMs);
        tlvs.push_back({0x25, utc});
    }
    return tlvs;
}

std::vector<SimTlv> SimLocationService::EncodeSatellites(const std::vector<SimSatellite>& satellites,
                                                         uint8_t tlv01) {
    Bytes list;
    PutU8(list, static_cast<uint8_t>(satellites.size()));
    for (const SimSatellite& s : satellites) {
        // u32 valid mask, u32 system, u16 id, u8, u32, u8, then elevation, azimuth, SNR: 28 bytes.
        PutU32(list, s.validMask);
        PutU32(list, s.system);
        PutU16(list, s.id);
        PutU8(list, 0);
        PutU32(list, 0);
        PutU8(list, 0);
        PutF32(list, s.elevation);
        PutF32(list, s.azimuth);
        PutF32(list, s.snr);
    }
    return {{0x01, U8(tlv01)}, {0x10, list}};
}

void SimLocationService::SendPosition(const SimPosition& position) {
    module_.Indicate(0x24, EncodePosition(position));
}

void SimLocationService::SendSatellites(const std::vector<SimSatellite>& satellites, uint8_t tlv01) {
    module_.Indicate(0x25, EncodeSatellites(satellites, tlv01));
}

void SimLocationService::SendTimeRequest() { module_.Indicate(0x28, {}); }
void SimLocationService::SendOrbitRequest() { module_.Indicate(0x29, {}); }
void SimLocationService::SendPositionRequest() { module_.Indicate(0x2A, {}); }

void SimLocationService::SendNmea(const std::string& sentence) {
    module_.Indicate(0x26, {{0x01, Bytes(sentence.begin(), sentence.end())}});
}

std::optional<uint64_t> SimLocationService::EventMask() const {
    std::lock_guard guard(lock_);
    return mask_;
}

bool SimLocationService::SessionRunning() const {
    std::lock_guard guard(lock_);
    return running_;
}

uint32_t SimLocationService::SessionInterval() const {
    std::lock_guard guard(lock_);
    return interval_;
}

uint32_t SimLocationService::SessionAccuracy() const {
    std::lock_guard guard(lock_);
    return accuracy_;
}

std::vector<uint8_t> SimLocationService::OrbitData() const {
    std::lock_guard guard(lock_);
    return orbit_;
}

int SimLocationService::OrbitPartsReceived() const {
    std::lock_guard guard(lock_);
    return orbitParts_;
}

}  // namespace geolumen::sim
