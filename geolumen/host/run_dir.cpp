#include "host/run_dir.h"

#include <cstdlib>

#include "platform/device_interface_server.h"

namespace geolumen::host {

std::filesystem::path ResolveRunDir(const std::string& explicitDir) {
    return ResolveRunDir(explicitDir, [](const char* name) { return std::getenv(name); });
}

std::filesystem::path ResolveRunDir(const std::string& explicitDir, const EnvLookup& env) {
    if (!explicitDir.empty()) return explicitDir;
    return EnvironmentRunDir(env);
}

std::filesystem::path SensorSocketPath(const std::filesystem::path& runDir,
                                       const std::string& socketOverride) {
    if (!socketOverride.empty()) return socketOverride;
    return runDir / kSensorSocketName;
}

int EnsureDirectory(const std::filesystem::path& dir) { return MakeDirectories(dir); }

CheckedFolder OpenHostRunDir(const std::filesystem::path& dir, std::optional<gid_t> group) {
    return OpenCheckedFolder(dir, HostRunDirRules(group));
}

CheckedFolder OpenSocketFolder(const std::filesystem::path& socket) {
    return OpenCheckedFolder(socket.has_parent_path() ? socket.parent_path() : ".", ClientRunDirRules());
}

}  // namespace geolumen::host
