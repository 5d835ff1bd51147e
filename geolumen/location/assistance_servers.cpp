#include "location/assistance_servers.h"

#include <mutex>
#include <random>

#include "platform/device_store.h"

namespace geolumen {

namespace {

std::string ReadBounded(const DeviceParameterReader& reader, std::string_view instanceId,
                        std::string_view valueName) {
    std::string value = reader.ReadDeviceParameter(instanceId, valueName);
    if (value.size() > kMaxDeviceParameterChars) return {};
    // A value stored with its terminator ends there, as text always has.
    if (const size_t nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
    return value;
}

}  // namespace

std::string DeviceStoreParameters::ReadDeviceParameter(std::string_view instanceId,
                                                       std::string_view valueName) const {
    return ReadDeviceSetting(instanceId, valueName).value_or(std::string{});
}

const DeviceStoreParameters& DeviceStoreParameters::Instance() {
    static const DeviceStoreParameters instance;
    return instance;
}

std::string ReadAlmarServerUrl(const DeviceParameterReader& reader, std::string_view instanceId) {
    return ReadBounded(reader, instanceId, kAlmarServerUrlValue);
}

std::string ReadSuplConfig(const DeviceParameterReader& reader, std::string_view instanceId) {
    return ReadBounded(reader, instanceId, kSuplConfigValue);
}

int IsSuplEnabled(const DeviceParameterReader& reader, std::string_view instanceId) {
    return ReadSuplConfig(reader, instanceId) == "1" ? 1 : 0;
}

std::vector<std::string> SplitServerList(std::string_view text) {
    std::vector<std::string> names;
    std::string current;
    for (const char c : text) {
        if (c == ' ') continue;
        if (c == ';') {
            if (!current.empty()) names.push_back(std::move(current));
            current.clear();
            continue;
        }
        current.push_back(c);
    }
    if (!current.empty()) names.push_back(std::move(current));
    return names;
}

std::string SelectAssistanceServer(const DeviceParameterReader& reader, std::string_view instanceId,
                                   const std::function<uint32_t()>& random) {
    std::vector<std::string> servers = SplitServerList(ReadAlmarServerUrl(reader, instanceId));
    if (servers.empty()) servers = SplitServerList(kBuiltInAssistanceServers);
    return servers[random() % servers.size()];
}

uint32_t AssistanceRandom() {
    static std::mutex lock;
    static std::mt19937 generator{std::random_device{}()};
    std::lock_guard guard(lock);
    return static_cast<uint32_t>(generator());
}

}  // namespace geolumen
