#pragma once
// Per-device named values kept in files, in place of the registry's device parameters and the
// framework's device property store. Each device instance has a folder under the store root; its
// property store and its settings are two files there, one "name=value" line per value.
//
// Files are input from outside: lines that are too long, have no "=", or carry an unusable name are
// skipped, and a file larger than kMaxStoreFileBytes is read no further than that.

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace geolumen {

// A device's store holds a few dozen short values; anything larger is not ours.
inline constexpr std::size_t kMaxStoreFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxStoreNameLength = 255;
inline constexpr std::size_t kMaxStoreValueLength = 4096;

// The root folder: $GEOLUMEN_STATE_DIR, else $HOME/.local/state/geolumen, else /tmp/geolumen.
[[nodiscard]] std::filesystem::path DeviceStoreRoot();
// The folder of one device instance: the instance id with every character outside [A-Za-z0-9._-]
// replaced by '_', so an id can never leave the root.
[[nodiscard]] std::filesystem::path DeviceStoreFolder(std::string_view instanceId);

// One file of named text values. Every change rewrites the file through a temporary and a rename, so a
// crash leaves the old or the new file, never half of one.
class FileValueStore {
  public:
    explicit FileValueStore(std::filesystem::path file);

    [[nodiscard]] std::optional<std::string> Get(std::string_view name) const;
    // False when the name or value is unusable or the file cannot be written.
    [[nodiscard]] bool Set(std::string_view name, std::string_view value);

    [[nodiscard]] static bool ValidName(std::string_view name);
    [[nodiscard]] static bool ValidValue(std::string_view value);

  private:
    [[nodiscard]] std::map<std::string, std::string> Load() const;

    std::filesystem::path file_;
};

// The device parameters of one device instance (file "settings"), read-only for the driver.
[[nodiscard]] std::optional<std::string> ReadDeviceSetting(std::string_view instanceId,
                                                           std::string_view name);

}  // namespace geolumen
