#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace geolumen {

// Reads one value of a device's parameters; the empty text when the device or the value is missing.
class DeviceParameterReader {
  public:
    virtual ~DeviceParameterReader() = default;
    [[nodiscard]] virtual std::string ReadDeviceParameter(std::string_view instanceId,
                                                          std::string_view valueName) const = 0;
};

// The device parameters as the driver keeps them: the settings file of the device instance.
class DeviceStoreParameters final : public DeviceParameterReader {
  public:
    [[nodiscard]] std::string ReadDeviceParameter(std::string_view instanceId,
                                                  std::string_view valueName) const override;
    [[nodiscard]] static const DeviceStoreParameters& Instance();
};

inline constexpr std::string_view kAlmarServerUrlValue = "AlmarServerURL";
inline constexpr std::string_view kSuplConfigValue = "SUPLconfig";

// Used when the device names no server of its own. Each must serve SNTP on UDP port 123 and the orbit
// file over HTTP. Until the service's own hosts are filled in here, the names lie in the reserved
// ".invalid" domain: they never resolve, so no request goes to a host nobody chose.
inline constexpr std::string_view kBuiltInAssistanceServers =
    "assist1.geolumen.invalid;assist2.geolumen.invalid;assist3.geolumen.invalid";

// A value of this size or more never came from a sane configuration; it is treated as missing.
inline constexpr size_t kMaxDeviceParameterChars = 1023;

[[nodiscard]] std::string ReadAlmarServerUrl(const DeviceParameterReader& reader,
                                             std::string_view instanceId);
[[nodiscard]] std::string ReadSuplConfig(const DeviceParameterReader& reader, std::string_view instanceId);
// 1 only for exactly "1".
[[nodiscard]] int IsSuplEnabled(const DeviceParameterReader& reader, std::string_view instanceId);

// Names are separated by ";"; every space is dropped, even inside a name, and empty names vanish.
[[nodiscard]] std::vector<std::string> SplitServerList(std::string_view text);

// Picks one server uniformly at random: from the device's list, else from the built-in list.
// `random` gives the number to pick with; the driver passes its private generator.
[[nodiscard]] std::string SelectAssistanceServer(const DeviceParameterReader& reader,
                                                 std::string_view instanceId,
                                                 const std::function<uint32_t()>& random);

// The driver's private generator, seeded once from the system's entropy source; thread-safe.
[[nodiscard]] uint32_t AssistanceRandom();

}  // namespace geolumen
