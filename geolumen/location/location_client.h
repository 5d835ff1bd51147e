#pragma once
// The driver's client of the module's location service (service 0x10): opening the message stack and a
// client on the service, registering for events, position sessions, assistance injection, and the
// indication path that stores reports and wakes the session worker.
//
// Requests come from the session worker's threads; indications arrive on the message stack's slot
// thread. Opening and closing exclude requests; the indication path checks under its own lock that it
// belongs to the client open now.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "halyx/halyx_client.h"
#include "location/assistance_data.h"
#include "location/assistance_servers.h"
#include "location/location_reports.h"
#include "location/request_slots.h"
#include "platform/coarse_position_source.h"
#include "platform/event.h"

namespace geolumen {

class LocationClient;
struct LocationServiceClient;

using LocationEventCallback = void (*)(LocationServiceClient* client, uint16_t id, const void* payload,
                                       const void* cookie);
using LocationResponseCallback = void (*)(LocationServiceClient* client, uint16_t id, const void* payload,
                                          const void* cookie);
using LocationErrorCallback = void (*)(LocationServiceClient* client, int status, const void* cookie);

// Record size the service client expects in LocationServiceCallbacks: a version tag, not a sizeof.
inline constexpr uint32_t kLocationCallbacksSize = 16;

struct LocationServiceCallbacks {
    uint32_t size = kLocationCallbacksSize;
    LocationEventCallback event = nullptr;
    LocationResponseCallback response = nullptr;
    LocationErrorCallback error = nullptr;
};

// The one open client of the service.
struct LocationServiceClient {
    LocationClient* owner = nullptr;
    const void* cookie = nullptr;
    halyx_client* handle = nullptr;
    LocationEventCallback event = nullptr;
    LocationResponseCallback response = nullptr;
    LocationErrorCallback error = nullptr;
    uint32_t maskLow = 0;
    uint32_t maskHigh = 0;
};

// The events through which the indication path wakes the session worker; auto-reset, created once.
struct LocationSessionEvents {
    Event positionReport{Event::Reset::kAuto};
    Event satelliteReport{Event::Reset::kAuto};
    Event nmeaReport{Event::Reset::kAuto};
    Event timeRequest{Event::Reset::kAuto};
    Event orbitRequest{Event::Reset::kAuto};
    Event positionRequest{Event::Reset::kAuto};
    Event serviceLost{Event::Reset::kAuto};
};

// The module waits this long for the service to appear before a try to open gives up.
inline constexpr uint32_t kServiceWaitMs = 20000;
// A try that failed at once is repeated after this pause, so a module that refuses the client is not
// hammered, while one that comes up is found within a second.
inline constexpr uint32_t kOpenRetryDelayMs = 1000;
// The module answers a request within tens of milliseconds; a second means it is not answering.
inline constexpr uint32_t kRequestTimeoutMs = 1000;
// Result indications follow their request as quickly.
inline constexpr uint32_t kResultWaitMs = 1000;
// The most service instances fetched; the module offers one.
inline constexpr uint32_t kMaxServiceInstances = 10;
// A failed sensor query is repeated once after this pause: the sensor list may be changing.
inline constexpr std::chrono::milliseconds kSensorQueryRetryDelay{200};
// Delete-assistance value for "everything".
inline constexpr uint16_t kDeleteAllAssistance = 0xFFFF;
// The most orbit data one injection takes: the part count travels as u16.
inline constexpr size_t kMaxOrbitDataBytes = 65535u * 1024u;

struct LocationClientConfig {
    // Device settings (server list); none: the settings file of the device store.
    const DeviceParameterReader* parameters = nullptr;
    CoarsePositionSource* coarseSource = nullptr;  // none: no other location sensor
    AssistanceNetConfig net;
    std::function<uint32_t()> random = AssistanceRandom;
    std::function<void(std::chrono::milliseconds)> sleep;  // default: sleep the thread
    std::function<uint64_t()> tickMs = LocationReports::SteadyTickMs;
    std::function<FileTime()> now = SystemFileTimeNow;
};

class LocationClient final : public AssistanceSink {
  public:
    explicit LocationClient(LocationClientConfig config = {});
    ~LocationClient() override;
    LocationClient(const LocationClient&) = delete;
    LocationClient& operator=(const LocationClient&) = delete;

    // --- Opening and closing ---
    // Starts the message stack on the first call, sets up the request slots, opens the service client
    // (retrying until it opens or `stop` is requested) and sends the opening requests 0x54, 0x55 and,
    // with `flag`, 0x4A. 0, or 11 when stopped first.
    [[nodiscard]] int OpenLocationClient(bool flag, std::stop_token stop = {});
    [[nodiscard]] int OpenLocationServiceClient(uint32_t maskLow, uint32_t maskHigh,
                                                const LocationServiceCallbacks* callbacks, const void* cookie,
                                                std::stop_token stop = {});
    int CloseLocationClient();
    [[nodiscard]] bool IsOpen() const;
    // The message-stack client of the open service client (none while closed).
    [[nodiscard]] halyx_client* Handle() const;

    // --- Requests ---
    [[nodiscard]] int SendLocationRequest(uint16_t id, const void* payload);
    [[nodiscard]] int SendLocationRequestAndWait(uint16_t id, const void* payload, uint32_t timeoutMs,
                                                 uint16_t expectedId, void* buffer, size_t bufferSize);
    [[nodiscard]] int RegisterLocationEvents();
    int StartPositionSession(uint32_t intervalMs, uint32_t accuracy);
    int StopPositionSession();
    void StartSessionIfIdle(uint32_t intervalMs, uint32_t accuracy);
    void StopSessionIfRunning();
    void ChangeSessionCriteria(uint32_t intervalMs, uint32_t accuracy);
    int ReopenLocationClient(uint32_t intervalMs, uint32_t accuracy, bool flag, std::stop_token stop = {});
    [[nodiscard]] bool SessionStarted() const { return sessionStarted_; }

    // --- Assistance ---
    int DeleteAssistanceData(uint16_t which);
    [[nodiscard]] int InjectUtcTime(uint64_t utcMs, uint32_t uncertaintyMs) override;
    [[nodiscard]] int InjectPredictedOrbits(std::span<const uint8_t> data) override;
    int InjectPosition(double latitude, double longitude, uint64_t utcMs, double errorRadius,
                       double altitude);
    void InjectCoarsePosition();
    AssistanceOutcome HandleTimeRequest(const std::string& instanceId, std::stop_token stop = {});
    AssistanceOutcome HandleOrbitRequest(const std::string& instanceId, std::stop_token stop = {});

    // --- Reports ---
    [[nodiscard]] bool ProcessPositionReport() { return reports_.ProcessPositionReport(); }
    [[nodiscard]] bool ProcessSatelliteReport() { return reports_.ProcessSatelliteReport(); }
    [[nodiscard]] LocationReports& reports() { return reports_; }
    [[nodiscard]] LocationSessionEvents& events() { return events_; }
    [[nodiscard]] RequestSlots& slots() { return slots_; }

    // --- Callbacks of the message stack and of the service client ---
    static void OnHalyxIndication(halyx_client* client, uint16_t id, const void* payload, uint32_t length,
                                  void* data);
    static void OnHalyxClientError(halyx_client* client, int error, void* data);
    static void OnLocationEvent(LocationServiceClient* client, uint16_t id, const void* payload,
                                const void* cookie);
    static void OnLocationResponse(LocationServiceClient* client, uint16_t id, const void* payload,
                                   const void* cookie);
    static void OnLocationServiceError(LocationServiceClient* client, int status, const void* cookie);

  private:
    [[nodiscard]] int ConnectLocationService(LocationServiceClient& record, Event& stopped);
    [[nodiscard]] int OpenServiceClientLocked(uint32_t maskLow, uint32_t maskHigh,
                                              const LocationServiceCallbacks* callbacks, const void* cookie,
                                              Event& stopped);
    int CloseLocked();
    [[nodiscard]] int SendLocked(uint16_t id, const void* payload);
    [[nodiscard]] int SendAndWaitLocked(uint16_t id, const void* payload, uint32_t timeoutMs,
                                        uint16_t expectedId, void* buffer, size_t bufferSize);
    // Via a slot; success only when the result indication's status is 0 as well.
    [[nodiscard]] int SendForResultLocked(uint16_t id, const void* payload);
    int StartLocked(uint32_t intervalMs, uint32_t accuracy);
    int StopLocked();

    LocationClientConfig config_;
    std::shared_mutex lifecycle_;    // exclusive: open, close; shared: requests
    mutable std::mutex recordLock_;  // guards record_ against the indication path
    // Where an indication is decoded (under recordLock_); it keeps its room, so a report allocates nothing.
    std::vector<uint64_t> decodeScratch_;
    std::unique_ptr<LocationServiceClient> record_;
    RequestSlots slots_;
    LocationReports reports_;
    LocationSessionEvents events_;
    bool stackStarted_ = false;
    std::atomic<bool> sessionStarted_{false};
};

}  // namespace geolumen
