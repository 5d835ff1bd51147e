#include "platform/DeviceAccess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// Room for one group or password entry; a group with very many members needs more, and gets it.
constexpr size_t kEntryBuffer = 4096;
constexpr size_t kMaxEntryBuffer = 1 << 20;

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(kEntryBuffer);
    struct group entry {};
    struct group* found = nullptr;
    int error = 0;
    while ((error = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < kMaxEntryBuffer)
        buffer.resize(buffer.size() * 2);
    if (error == 0 && found != nullptr) return std::string("the ") + found->gr_name + " group";
    return "group " + std::to_string(gid);
}

std::string UserName(uid_t uid) {
    std::vector<char> buffer(kEntryBuffer);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(uid);
}

}  // namespace

std::string PermissionDeniedReason(const std::string& devicePath) {
    const std::string denied = "permission denied";
    struct stat st {};
    if (devicePath.empty() || ::stat(devicePath.c_str(), &st) != 0) return denied;
    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if ((st.st_mode & groupReadWrite) == groupReadWrite)
        return denied + ": the user needs " + GroupName(st.st_gid);
    return denied + ": only its owner " + UserName(st.st_uid) + " may open it";
}
