#include "platform/DataFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Folders this program makes hold one user's settings and test records: nobody else reads them.
constexpr mode_t kPrivateMode = 0700;
// Group and others' write bits: a folder with either is one another user could plant files in.
constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;
// Temporaries whose names are taken (by a crashed earlier save, or by someone else) are skipped; this
// many tries is far beyond any real collision.
constexpr int kTemporaryTries = 64;

std::string g_override;

std::string Reason(int error) { return std::strerror(error != 0 ? error : EIO); }

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Creates every missing folder along `path`, each 0700; folders that exist are left as they are.
int MakeFolders(const std::string& path) {
    for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
        const std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), kPrivateMode) != 0 && errno != EEXIST) return errno;
        if (pos == std::string::npos) return 0;
    }
}

// Why a folder that exists cannot hold our files, or nothing.
std::optional<std::string> Untrusted(const std::string& path, const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return path + " is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    if (st.st_uid != ::geteuid()) return path + " belongs to another user";
    if ((st.st_mode & kOthersWrite) != 0) return path + " can be written by other users";
    return std::nullopt;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string UsePrivateFolder(const std::string& given) {
    const std::string path = WithoutTrailingSlashes(given);
    if (path.empty() || path.front() != '/') return "no folder for the program's files";
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return path + ": " + Reason(errno);
        if (const int error = MakeFolders(path); error != 0) return path + ": " + Reason(error);
        if (::lstat(path.c_str(), &st) != 0) return path + ": " + Reason(errno);
    }
    return Untrusted(path, st).value_or(std::string());
}

std::string ReplaceFile(const std::string& path, const std::string& bytes) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) return "no folder for the program's files";
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    if (std::string error = UsePrivateFolder(folder); !error.empty()) return error;
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) return Reason(errno);
    static std::atomic<unsigned> serial{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryTries && fd < 0; ++attempt) {
        temporary = "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(serial++);
        // O_EXCL: a name that already exists, a planted link included, is never opened.
        fd = ::openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const std::string error = Reason(errno);
        ::close(dir);
        return error;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    // Renaming replaces a link at the name itself, never the file it points to.
    if (ok && ::renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) ::unlinkat(dir, temporary.c_str(), 0);
    ::close(dir);
    return ok ? std::string() : Reason(error);
}

DataFolderChoice ChooseDataFolder(const std::string& exeDir, const char* xdgDataHome, const char* home) {
    const std::string exe = WithoutTrailingSlashes(exeDir);
    struct stat st {};
    if (!exe.empty() && exe.front() == '/' && ::stat(exe.c_str(), &st) == 0 && !Untrusted(exe, st) &&
        ::access(exe.c_str(), W_OK | X_OK) == 0)
        return {exe == "/" ? exe : exe + "/", {}};
    // The XDG rule: a relative XDG_DATA_HOME is ignored.
    std::string base;
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        base = xdgDataHome;
    } else if (home != nullptr && home[0] == '/') {
        base = WithoutTrailingSlashes(home) + "/.local/share";
    } else {
        return {{},
                "no folder for the program's files: " + exe +
                    " is not this user's alone, and neither XDG_DATA_HOME nor HOME names a folder"};
    }
    const std::string folder = WithoutTrailingSlashes(base) + "/trackora";
    if (std::string error = UsePrivateFolder(folder); !error.empty()) return {{}, error};
    return {folder + "/", {}};
}

const DataFolderChoice& InitProgramFolder() {
    static const DataFolderChoice choice =
        ChooseDataFolder(QCoreApplication::applicationDirPath().toStdString(), std::getenv("XDG_DATA_HOME"),
                         std::getenv("HOME"));
    return choice;
}

std::string ProgramFolder() { return g_override.empty() ? InitProgramFolder().folder : g_override; }

void SetProgramFolder(const std::string& folder) {
    g_override = folder;
    if (!g_override.empty() && g_override.back() != '/') g_override += '/';
}
