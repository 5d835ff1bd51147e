#include "host/run_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace geolumen::host {

std::filesystem::path ResolveRunDir(const std::string& explicitDir) {
    return ResolveRunDir(explicitDir, [](const char* name) { return std::getenv(name); });
}

std::filesystem::path ResolveRunDir(const std::string& explicitDir, const EnvLookup& env) {
    if (!explicitDir.empty()) return explicitDir;
    auto set = [&](const char* name) -> const char* {
        const char* value = env ? env(name) : nullptr;
        return value && *value ? value : nullptr;
    };
    if (const char* dir = set(kRunDirVariable)) return dir;
    if (const char* runtime = set("XDG_RUNTIME_DIR")) return std::filesystem::path(runtime) / "geolumen";
    return kSystemRunDir;
}

std::filesystem::path SensorSocketPath(const std::filesystem::path& runDir,
                                       const std::string& socketOverride) {
    if (!socketOverride.empty()) return socketOverride;
    return runDir / kSensorSocketName;
}

int EnsureDirectory(const std::filesystem::path& dir) {
    if (dir.empty()) return -ENOENT;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : -ENOTDIR;
    if (errno != ENOENT) return -errno;
    if (dir.has_parent_path() && dir.parent_path() != dir) {
        if (const int parent = EnsureDirectory(dir.parent_path()); parent != 0) return parent;
    }
    // Group members may reach the sockets; others may not even list them.
    if (::mkdir(dir.c_str(), 0770) != 0 && errno != EEXIST) return -errno;
    return 0;
}

}  // namespace geolumen::host
