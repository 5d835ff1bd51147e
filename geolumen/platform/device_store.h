#pragma once
// Per-device named values kept in files, in place of the registry's device parameters and the
// framework's device property store. Each device instance has a folder under the store root; its
// property store and its settings are two files there, one "name=value" line per value.
//
// The folders are created 0700 and an existing one is used only when it is ours and nobody else can write
// it, reached without following a link; files are replaced through private temporaries (see
// secure_files.h). There is no fallback to a shared folder: with no root there is no store.
//
// Files are input from outside: lines that are too long, have no "=", or carry an unusable name are
// skipped, and a file larger than kMaxStoreFileBytes is read no further than that.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/secure_files.h"

namespace geolumen {

// A device's store holds a few dozen short values; anything larger is not ours.
inline constexpr std::size_t kMaxStoreFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxStoreNameLength = 255;
inline constexpr std::size_t kMaxStoreValueLength = 4096;

// The root folder: $GEOLUMEN_STATE_DIR, else the service manager's $STATE_DIRECTORY (its first entry),
// else the user's state folder ($XDG_STATE_HOME/geolumen, else $HOME/.local/state/geolumen; absolute
// paths only). Empty, with `why` set, when none of them is given. `env` reads one variable (null: unset).
[[nodiscard]] std::filesystem::path ChooseDeviceStoreRoot(const std::function<const char*(const char*)>& env,
                                                          std::string* why = nullptr);
// The same from the process's environment.
[[nodiscard]] std::filesystem::path DeviceStoreRoot(std::string* why = nullptr);
// Opens the root (created when missing) as a checked state folder; the text says why when it cannot be.
[[nodiscard]] CheckedFolder OpenDeviceStoreRoot();
// The folder of one device instance: the instance id with every character outside [A-Za-z0-9._-]
// replaced by '_', so an id can never leave the root. Empty when there is no root.
[[nodiscard]] std::filesystem::path DeviceStoreFolder(std::string_view instanceId);
// Opens that folder, checked at every step from the root down; created when `create` is set.
[[nodiscard]] CheckedFolder OpenDeviceStoreFolder(std::string_view instanceId, bool create);

// One file of named text values. Every change rewrites the file through a temporary and a rename, so a
// crash leaves the old or the new file, never half of one. The file's folder is checked at each use; with a
// `root`, every folder from the root down to the file's is.
class FileValueStore {
  public:
    explicit FileValueStore(std::filesystem::path file, std::filesystem::path root = {});

    [[nodiscard]] std::optional<std::string> Get(std::string_view name) const;
    // False when the name or value is unusable or the file cannot be written.
    [[nodiscard]] bool Set(std::string_view name, std::string_view value);

    [[nodiscard]] static bool ValidName(std::string_view name);
    [[nodiscard]] static bool ValidValue(std::string_view value);

  private:
    [[nodiscard]] CheckedFolder OpenFolder(bool create) const;
    [[nodiscard]] std::map<std::string, std::string> Load(const CheckedFolder& folder) const;

    std::filesystem::path file_;
    std::filesystem::path root_;
};

// The device parameters of one device instance (file "settings"), read-only for the driver.
[[nodiscard]] std::optional<std::string> ReadDeviceSetting(std::string_view instanceId,
                                                           std::string_view name);

}  // namespace geolumen
