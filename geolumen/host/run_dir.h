#pragma once
// Where the host keeps its sockets, found the same way by the host and by every client tool: an explicit
// directory, else GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen. The sensor socket
// is sensor.sock in it unless a socket path of its own is given.

#include <filesystem>
#include <functional>
#include <string>

namespace geolumen::host {

inline constexpr const char* kRunDirVariable = "GEOLUMEN_RUN_DIR";
inline constexpr const char* kSensorSocketName = "sensor.sock";
inline constexpr const char* kSystemRunDir = "/run/geolumen";

// Reads one environment variable; null when it is not set.
using EnvLookup = std::function<const char*(const char* name)>;

// The run directory. `explicitDir` (from --run-dir) wins when non-empty; empty variables count as unset.
[[nodiscard]] std::filesystem::path ResolveRunDir(const std::string& explicitDir);
[[nodiscard]] std::filesystem::path ResolveRunDir(const std::string& explicitDir, const EnvLookup& env);

// The sensor socket: `socketOverride` (from --socket) when non-empty, else sensor.sock in the run directory.
[[nodiscard]] std::filesystem::path SensorSocketPath(const std::filesystem::path& runDir,
                                                     const std::string& socketOverride);

// Creates the directory and its parents when missing (mode 0770 for what it creates); 0 or -errno.
[[nodiscard]] int EnsureDirectory(const std::filesystem::path& dir);

}  // namespace geolumen::host
