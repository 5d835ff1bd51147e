#pragma once
// Where the host keeps its sockets, found the same way by the host and by every client tool: an explicit
// directory, else GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen. The sensor socket
// is sensor.sock in it unless a socket path of its own is given.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/secure_files.h"

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

// Creates the directory and its parents when missing (mode 0750 for what it creates) and checks it as
// the host's run directory; 0 or -errno.
[[nodiscard]] int EnsureDirectory(const std::filesystem::path& dir);

// Opens the host's run directory: created 0750 when missing, with `group` as its group when given (so
// that a group can reach the sockets); refused when it is a link, another user's or writable by others.
[[nodiscard]] CheckedFolder OpenHostRunDir(const std::filesystem::path& dir,
                                           std::optional<gid_t> group = std::nullopt);

// The group named by --socket-group (a name, or a number): nothing when there is no such group.
[[nodiscard]] std::optional<gid_t> LookUpGroup(const std::string& name);

// Why the members of `group` still cannot reach the sockets in an existing run directory that the host
// did not make for them (another group, or no way in for the group); empty when they can. Such a folder is
// the owner's to change, so the host says so rather than changing it.
[[nodiscard]] std::string GroupReachProblem(const CheckedFolder& run, gid_t group, const std::string& name);

// The folder of a host's socket, as a client checks it before connecting: it must be no link, belong to
// the client's own user or root, and be writable by nobody else. -ENOENT when it does not exist.
[[nodiscard]] CheckedFolder OpenSocketFolder(const std::filesystem::path& socket);

}  // namespace geolumen::host
