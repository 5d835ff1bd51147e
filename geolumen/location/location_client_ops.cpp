#include "location/assistance_servers.h"
#include "location/location_session_ops.h"

namespace geolumen {

namespace {

const DeviceParameterReader* ParametersOf(const LocationClientConfig& config) {
    return config.parameters ? config.parameters : &DeviceStoreParameters::Instance();
}

}  // namespace

LocationClientOps::LocationClientOps(LocationClientConfig config)
    : parameters_(ParametersOf(config)), client_(std::move(config)) {}

int LocationClientOps::OpenLocationClient(bool supl, std::stop_token stop) {
    return client_.OpenLocationClient(supl, std::move(stop));
}

int LocationClientOps::StartPositionSession(uint32_t intervalMs, uint32_t accuracy) {
    return client_.StartPositionSession(intervalMs, accuracy);
}

void LocationClientOps::ChangeSessionCriteria(uint32_t intervalMs, uint32_t accuracy) {
    client_.ChangeSessionCriteria(intervalMs, accuracy);
}

int LocationClientOps::ReopenLocationClient(uint32_t intervalMs, uint32_t accuracy, bool supl,
                                            std::stop_token stop) {
    return client_.ReopenLocationClient(intervalMs, accuracy, supl, std::move(stop));
}

void LocationClientOps::HandleTimeRequest(const std::string& instanceId, std::stop_token stop) {
    (void)client_.HandleTimeRequest(instanceId, std::move(stop));
}

void LocationClientOps::HandleOrbitRequest(const std::string& instanceId, std::stop_token stop) {
    (void)client_.HandleOrbitRequest(instanceId, std::move(stop));
}

bool LocationClientOps::IsSuplEnabled(const std::string& instanceId) {
    return geolumen::IsSuplEnabled(*parameters_, instanceId) == 1;
}

}  // namespace geolumen
