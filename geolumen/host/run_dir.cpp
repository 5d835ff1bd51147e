#include "host/run_dir.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

std::optional<gid_t> LookUpGroup(const std::string& name) {
    if (name.empty()) return std::nullopt;
    std::vector<char> buffer(16 * 1024);
    group entry{};
    group* found = nullptr;
    if (::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->gr_gid;
    if (name.find_first_not_of("0123456789") == std::string::npos && name.size() <= 9)
        return static_cast<gid_t>(std::stoul(name));
    return std::nullopt;
}

std::string GroupReachProblem(const CheckedFolder& run, gid_t group, const std::string& name) {
    struct stat st {};
    if (!run.Valid() || ::fstat(run.fd.Get(), &st) != 0) return {};
    const std::string folder = "run directory " + run.path.string();
    if (st.st_gid != group) {
        return folder + " belongs to group " + std::to_string(st.st_gid) + ": the members of " + name +
               " cannot reach its sockets";
    }
    if ((st.st_mode & (S_IRGRP | S_IXGRP)) != (S_IRGRP | S_IXGRP)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return folder + " is mode " + mode + ": the members of " + name + " cannot enter it";
    }
    return {};
}

CheckedFolder OpenSocketFolder(const std::filesystem::path& socket) {
    const std::filesystem::path dir = socket.has_parent_path() ? socket.parent_path() : ".";
    CheckedFolder folder = OpenCheckedFolder(dir, ClientRunDirRules());
    struct stat st {};
    if (folder.error == -EACCES && ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        // The usual cause: a host that lets one group in, and a user not (yet) in it.
        std::vector<char> buffer(16 * 1024);
        group entry{};
        group* found = nullptr;
        const std::string name =
            ::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
                ? std::string(found->gr_name)
                : std::to_string(st.st_gid);
        folder.text += " (the host lets in the members of group " + name + ")";
    }
    return folder;
}

}  // namespace geolumen::host
