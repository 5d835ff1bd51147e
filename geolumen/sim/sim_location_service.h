#pragma once
// The location service of the simulated module: answers the driver's location requests, sends result
// indications where the real module does, reassembles injected orbit data, and sends position,
// satellite and request indications on demand or, while a session runs, at the session's interval.
// Encoding is written by hand here, apart from the driver's codec.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_module.h"

namespace geolumen::sim {

struct SimPosition {
    uint32_t status = 0;  // 0 final, 1 intermediate, 7 engine unavailable
    uint8_t sessionId = 1;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<float> errorRadius;
    std::optional<float> speed;
    std::optional<float> altitudeEllipsoid;
    std::optional<float> altitudeSeaLevel;
    std::optional<float> verticalUncertainty;
    std::optional<float> heading;
    std::optional<float> magneticDeviation;
    std::optional<uint32_t> technologyMask;
    std::optional<std::array<float, 3>> dop;  // PDOP, HDOP, VDOP
    std::optional<uint64_t> utcMs;
};

struct SimSatellite {
    uint32_t validMask = 0;
    uint32_t system = 0;
    uint16_t id = 0;
    float elevation = 0;
    float azimuth = 0;
    float snr = 0;
};

class SimLocationService {
  public:
    explicit SimLocationService(SimModule& module);
    ~SimLocationService();
    SimLocationService(const SimLocationService&) = delete;
    SimLocationService& operator=(const SimLocationService&) = delete;

    // --- Script ---
    // Status of the result indication that follows request `id` (default 0).
    void SetResultStatus(uint16_t id, uint32_t status);
    // Result and error of the response to request `id` (default 0, 0).
    void SetResponseResult(uint16_t id, uint16_t result, uint16_t error);
    // Sends no result indication after request `id` (a module that stays mute).
    void SuppressResult(uint16_t id, bool suppress = true);
    // The orbit-part result echoes this instead of the part number received.
    void SetOrbitEchoOverride(std::optional<uint16_t> partNumber);
    // While a session runs, send this report at the session's interval (none: no periodic reports).
    void SetPeriodicPosition(std::optional<SimPosition> position);
    // Told of every session start (running, with the interval and accuracy it asked for) and stop, after
    // the module answered it; called on the module's request path, without the service's lock held.
    using SessionObserver = std::function<void(bool running, uint32_t intervalMs, uint32_t accuracy)>;
    void SetSessionObserver(SessionObserver observer);

    // --- Indications on demand ---
    void SendPosition(const SimPosition& position);
    void SendSatellites(const std::vector<SimSatellite>& satellites, uint8_t tlv01 = 0);
    void SendTimeRequest();
    void SendOrbitRequest();
    void SendPositionRequest();
    void SendNmea(const std::string& sentence);

    // --- What the service saw ---
    [[nodiscard]] std::optional<uint64_t> EventMask() const;
    [[nodiscard]] bool SessionRunning() const;
    [[nodiscard]] uint32_t SessionInterval() const;
    [[nodiscard]] uint32_t SessionAccuracy() const;
    [[nodiscard]] std::vector<uint8_t> OrbitData() const;  // reassembled, in part order
    [[nodiscard]] int OrbitPartsReceived() const;

    [[nodiscard]] static std::vector<SimTlv> EncodePosition(const SimPosition& position);
    [[nodiscard]] static std::vector<SimTlv> EncodeSatellites(const std::vector<SimSatellite>& satellites,
                                                              uint8_t tlv01);

  private:
    void Answer(const SimFrame& request);
    void RunPeriodic();

    SimModule& module_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::map<uint16_t, uint32_t> resultStatus_;
    std::map<uint16_t, std::pair<uint16_t, uint16_t>> responseResult_;
    std::map<uint16_t, bool> suppressed_;
    std::optional<uint16_t> orbitEcho_;
    std::optional<SimPosition> periodic_;
    SessionObserver observer_;
    std::optional<uint64_t> mask_;
    bool running_ = false;
    uint32_t interval_ = 0;
    uint32_t accuracy_ = 0;
    std::vector<uint8_t> orbit_;
    int orbitParts_ = 0;
    bool stop_ = false;
    std::thread periodicThread_;
};

}  // namespace geolumen::sim
