#pragma once
// What the session worker asks of the location-service client, as one interface: the worker runs
// against the real client in the driver and against a recording fake in its tests.
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "location/location_client.h"
#include "location/location_reports.h"

namespace geolumen {

// Delete-assistance value for the per-satellite form (GPS and GLONASS ids); anything but "everything".
inline constexpr uint16_t kDeletePerSatelliteAssistance = 0;

class LocationSessionOps {
  public:
    virtual ~LocationSessionOps() = default;

    // The events the indication path sets; they live as long as this object.
    [[nodiscard]] virtual LocationSessionEvents& Events() = 0;
    // Blocks until the client is open or `stop` is requested; a location client status.
    virtual int OpenLocationClient(bool supl, std::stop_token stop) = 0;
    virtual int CloseLocationClient() = 0;
    virtual int StartPositionSession(uint32_t intervalMs, uint32_t accuracy) = 0;
    virtual int StopPositionSession() = 0;
    virtual void ChangeSessionCriteria(uint32_t intervalMs, uint32_t accuracy) = 0;
    virtual int ReopenLocationClient(uint32_t intervalMs, uint32_t accuracy, bool supl,
                                     std::stop_token stop) = 0;
    virtual int DeleteAssistanceData(uint16_t which) = 0;
    virtual void HandleTimeRequest(const std::string& instanceId, std::stop_token stop) = 0;
    virtual void HandleOrbitRequest(const std::string& instanceId, std::stop_token stop) = 0;
    virtual void InjectCoarsePosition() = 0;
    // True when the fix (satellite list) record now holds a report to publish.
    [[nodiscard]] virtual bool ProcessPositionReport() = 0;
    [[nodiscard]] virtual bool ProcessSatelliteReport() = 0;
    // Copies of the records, for the sensor side.
    virtual void CopyLocationFix(LocationFix& out) = 0;
    virtual void CopySatelliteReport(SatelliteReport& out) = 0;
    // The device's "SUPLconfig" setting is exactly "1".
    [[nodiscard]] virtual bool IsSuplEnabled(const std::string& instanceId) = 0;
};

// The real client behind the interface.
class LocationClientOps final : public LocationSessionOps {
  public:
    explicit LocationClientOps(LocationClientConfig config = {});

    LocationSessionEvents& Events() override { return client_.events(); }
    int OpenLocationClient(bool supl, std::stop_token stop) override;
    int CloseLocationClient() override { return client_.CloseLocationClient(); }
    int StartPositionSession(uint32_t intervalMs, uint32_t accuracy) override;
    int StopPositionSession() override { return client_.StopPositionSession(); }
    void ChangeSessionCriteria(uint32_t intervalMs, uint32_t accuracy) override;
    int ReopenLocationClient(uint32_t intervalMs, uint32_t accuracy, bool supl,
                             std::stop_token stop) override;
    int DeleteAssistanceData(uint16_t which) override { return client_.DeleteAssistanceData(which); }
    void HandleTimeRequest(const std::string& instanceId, std::stop_token stop) override;
    void HandleOrbitRequest(const std::string& instanceId, std::stop_token stop) override;
    void InjectCoarsePosition() override { client_.InjectCoarsePosition(); }
    bool ProcessPositionReport() override { return client_.ProcessPositionReport(); }
    bool ProcessSatelliteReport() override { return client_.ProcessSatelliteReport(); }
    void CopyLocationFix(LocationFix& out) override { out = client_.reports().CopyLocationFix(); }
    void CopySatelliteReport(SatelliteReport& out) override { out = client_.reports().CopySatelliteReport(); }
    bool IsSuplEnabled(const std::string& instanceId) override;

    [[nodiscard]] LocationClient& Client() { return client_; }

  private:
    const DeviceParameterReader* parameters_;
    LocationClient client_;
};

}  // namespace geolumen
