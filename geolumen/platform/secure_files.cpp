#include "platform/secure_files.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

namespace geolumen {
namespace {

// A temporary name taken by someone else is tried again under a new one, a few times: in a folder of
// ours nobody else creates names, so more than one retry means something is wrong.
constexpr int kTemporaryNameAttempts = 8;

[[nodiscard]] CheckedFolder Refused(const std::filesystem::path& path, const FolderRules& rules, int error,
                                    const std::string& reason) {
    CheckedFolder folder;
    folder.path = path;
    folder.error = error;
    folder.text = std::string(rules.what) + " " + path.string() + " " + reason;
    return folder;
}

[[nodiscard]] CheckedFolder Failed(const std::filesystem::path& path, const FolderRules& rules, int error,
                                   const char* doing) {
    return Refused(path, rules, -error, doing + std::string(std::strerror(error)));
}

[[nodiscard]] bool OneStep(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// Gives a folder we have just created its exact mode (the umask took bits away, or not) and its group.
[[nodiscard]] int SetCreatedMode(int fd, const FolderRules& rules) {
    if (rules.group && ::fchown(fd, static_cast<uid_t>(-1), *rules.group) != 0) return -errno;
    return ::fchmod(fd, rules.mode) == 0 ? 0 : -errno;
}

// The checks every folder passes: a folder, ours (or root's where trusted), writable by nobody else.
[[nodiscard]] CheckedFolder CheckOpened(UnixFd fd, const std::filesystem::path& path,
                                        const FolderRules& rules) {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return Failed(path, rules, errno, "cannot be read: ");
    if (!S_ISDIR(st.st_mode)) return Refused(path, rules, -ENOTDIR, "is not a folder");
    const uid_t self = ::geteuid();
    if (st.st_uid != self && !(rules.trustRoot && st.st_uid == 0)) {
        return Refused(path, rules, -EPERM, "is owned by uid " + std::to_string(st.st_uid));
    }
    if ((st.st_mode & S_IWOTH) != 0) return Refused(path, rules, -EPERM, "is writable by others");
    if ((st.st_mode & S_IWGRP) != 0) return Refused(path, rules, -EPERM, "is writable by its group");
    CheckedFolder folder;
    folder.fd = std::move(fd);
    folder.path = path;
    return folder;
}

[[nodiscard]] bool TrustedOwner(uid_t owner) { return owner == 0 || owner == ::geteuid(); }

// We make folders only where no one else can move them away: in a folder of ours or root's, or in one
// like /tmp whose sticky bit keeps others from renaming what is not theirs. Empty when it may be made.
[[nodiscard]] std::string PlaceRefusal(int parent) {
    struct stat st {};
    if (::fstat(parent, &st) != 0) return std::string("cannot be placed: ") + std::strerror(errno);
    if (TrustedOwner(st.st_uid) || (st.st_mode & S_ISVTX) != 0) return {};
    return "would be made in a folder of uid " + std::to_string(st.st_uid);
}

// Opens (and, when the rules say so, creates) the last step `name` in the folder `parent`.
[[nodiscard]] CheckedFolder OpenStep(int parent, const std::string& name, const std::filesystem::path& path,
                                     const FolderRules& rules) {
    bool created = false;
    struct stat existing {};
    if (rules.create && ::fstatat(parent, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno == ENOENT) {
        if (const std::string refusal = PlaceRefusal(parent); !refusal.empty()) {
            return Refused(path, rules, -EPERM, refusal);
        }
        if (::mkdirat(parent, name.c_str(), rules.mode) == 0) {
            created = true;
        } else if (errno != EEXIST) {
            return Failed(path, rules, errno, "cannot be created: ");
        }
    }
    UnixFd fd(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) {
        const int error = errno;
        struct stat st {};
        if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(st.st_mode)) return Refused(path, rules, -ELOOP, "is a symbolic link");
            if (!S_ISDIR(st.st_mode)) return Refused(path, rules, -ENOTDIR, "is not a folder");
        }
        if (error == ENOENT) return Refused(path, rules, -ENOENT, "does not exist");
        return Failed(path, rules, error, "cannot be opened: ");
    }
    if (created) {
        if (const int r = SetCreatedMode(fd.Get(), rules); r != 0) {
            return Refused(path, rules, r, std::string("cannot be given its mode: ") + std::strerror(-r));
        }
    }
    return CheckOpened(std::move(fd), path, rules);
}

}  // namespace

CheckedFolder OpenCheckedFolder(const std::filesystem::path& path, const FolderRules& rules) {
    if (path.empty()) return Refused(path, rules, -ENOENT, "is not set");
    std::vector<std::string> steps;
    for (const auto& step : path.relative_path()) {
        if (!step.empty()) steps.push_back(step.string());
    }
    UnixFd current(::open(path.is_absolute() ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.Valid()) return Failed(path, rules, errno, "cannot be reached: ");
    if (steps.empty()) return CheckOpened(std::move(current), path, rules);
    std::filesystem::path reached = path.root_path();
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        reached /= steps[i];
        struct stat st {};
        if (OneStep(steps[i]) && ::fstatat(current.Get(), steps[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            if (error != ENOENT) return Failed(path, rules, error, "cannot be reached: ");
            if (!rules.create) return Refused(path, rules, -ENOENT, "does not exist");
            // A missing parent is ours to make, with the folder's own mode.
            CheckedFolder made = OpenStep(current.Get(), steps[i], reached, rules);
            if (!made.Valid()) return made;
            current = std::move(made.fd);
            continue;
        }
        // Parents that exist are taken as they are (a home folder may lie behind a link), but a link only
        // when it is ours or root's: another user's link could lead anywhere.
        if (OneStep(steps[i]) && S_ISLNK(st.st_mode) && !TrustedOwner(st.st_uid)) {
            return Refused(path, rules, -EPERM, "lies behind a link of uid " + std::to_string(st.st_uid));
        }
        UnixFd next(::openat(current.Get(), steps[i].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.Valid()) return Failed(path, rules, errno, "cannot be reached: ");
        current = std::move(next);
    }
    if (!OneStep(steps.back())) {
        // A path that ends in "." or "..": the folder it names, followed as the parents are.
        UnixFd last(::openat(current.Get(), steps.back().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!last.Valid()) return Failed(path, rules, errno, "cannot be opened: ");
        return CheckOpened(std::move(last), path, rules);
    }
    return OpenStep(current.Get(), steps.back(), path, rules);
}

CheckedFolder OpenCheckedSubfolder(const CheckedFolder& parent, std::string_view name,
                                   const FolderRules& rules) {
    const std::filesystem::path path = parent.path / name;
    if (!parent.Valid())
        return Refused(path, rules, parent.error ? parent.error : -EBADF, "is not reachable");
    if (!OneStep(name)) return Refused(path, rules, -EINVAL, "is not a single name");
    // A folder made inside one of ours takes its group, as the sockets in it do: the group given to the
    // top folder (the host's --socket-group) then reaches every socket below it.
    FolderRules inside = rules;
    struct stat st {};
    if (!inside.group && ::fstat(parent.fd.Get(), &st) == 0) inside.group = st.st_gid;
    return OpenStep(parent.fd.Get(), std::string(name), path, inside);
}

CheckedFolder OpenCheckedFolderBelow(const std::filesystem::path& root, const std::filesystem::path& below,
                                     const FolderRules& rules) {
    CheckedFolder current = OpenCheckedFolder(root, rules);
    if (below.is_absolute()) return Refused(root / below, rules, -EINVAL, "is not inside " + root.string());
    for (const auto& step : below) {
        if (!current.Valid()) break;
        if (step.empty() || step == ".") continue;
        current = OpenCheckedSubfolder(current, step.string(), rules);
    }
    return current;
}

std::string PathThroughFolder(const CheckedFolder& folder, std::string_view name) {
    return "/proc/self/fd/" + std::to_string(folder.fd.Get()) + "/" + std::string(name);
}

int ReadFolderFile(const CheckedFolder& folder, std::string_view name, std::size_t maxBytes,
                   std::string* content) {
    content->clear();
    if (!folder.Valid()) return -EBADF;
    if (!OneStep(name)) return -EINVAL;
    // O_NONBLOCK: a fifo planted under the name must not hang the reader until the check below.
    UnixFd fd(::openat(folder.fd.Get(), std::string(name).c_str(),
                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Valid()) return errno == ELOOP ? -EINVAL : -errno;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return -errno;
    if (!S_ISREG(st.st_mode)) return -EINVAL;
    content->resize(maxBytes);
    size_t done = 0;
    while (done < maxBytes) {
        const ssize_t n = ::read(fd.Get(), content->data() + done, maxBytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = -errno;
            content->clear();
            return error;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    content->resize(done);
    return 0;
}

int ReplaceFolderFile(const CheckedFolder& folder, std::string_view name, std::string_view content) {
    if (!folder.Valid()) return -EBADF;
    if (!OneStep(name)) return -EINVAL;
    static std::atomic<unsigned> sequence{0};
    thread_local std::mt19937_64 random{std::random_device{}()};
    const int dir = folder.fd.Get();
    std::string temp;
    UnixFd fd;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !fd.Valid(); ++attempt) {
        temp = "." + std::string(name) + ".tmp" + std::to_string(random() ^ ++sequence);
        fd = UnixFd(::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.Valid() && errno != EEXIST) return -errno;
    }
    if (!fd.Valid()) return -EEXIST;
    auto fail = [&](int error) {
        fd.Reset();
        (void)::unlinkat(dir, temp.c_str(), 0);
        return error;
    };
    // Created 0600 less the umask: set it exactly, so a strict umask cannot leave the owner unable to read.
    if (::fchmod(fd.Get(), 0600) != 0) return fail(-errno);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd.Get(), content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(-errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd.Get()) != 0) return fail(-errno);
    if (::renameat(dir, temp.c_str(), dir, std::string(name).c_str()) != 0) return fail(-errno);
    fd.Reset();
    // The rename itself reaches the disk with the folder.
    (void)::fsync(dir);
    return 0;
}

int ListenInFolder(const CheckedFolder& folder, std::string_view name, mode_t mode, int socketFlags,
                   int backlog, UnixFd* listener, std::string* why) {
    std::string ignored;
    std::string& text = why ? *why : ignored;
    const std::string entry(name);
    const std::string shown = (folder.path / entry).string();
    if (!folder.Valid()) return -EBADF;
    if (!OneStep(name)) {
        text = "socket " + shown + " is not a single name";
        return -EINVAL;
    }
    const std::string through = PathThroughFolder(folder, name);
    struct stat st {};
    if (::fstatat(folder.fd.Get(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            text = "socket " + shown + " is not a socket";
            return -EEXIST;
        }
        if (st.st_uid != ::geteuid()) {
            text = "socket " + shown + " is owned by uid " + std::to_string(st.st_uid);
            return -EPERM;
        }
        // A live host accepts; a socket file left by a host that is gone refuses the connection.
        if (ConnectUnixSocket(through).Valid()) {
            text = "socket " + shown + " is in use by a running host";
            return -EADDRINUSE;
        }
        if (const int r = RemoveFolderSocket(folder, name, ::geteuid()); r != 0) {
            text = "socket " + shown + " cannot be replaced: " + std::strerror(-r);
            return r;
        }
    } else if (errno != ENOENT) {
        const int error = -errno;
        text = "socket " + shown + " cannot be looked at: " + std::strerror(errno);
        return error;
    }
    const UnixSocketAddress address(through);
    UnixFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | socketFlags, 0));
    if (!address.Valid() || !fd.Valid()) {
        const int error = -errno;
        text = "socket " + shown + " cannot be made: " + std::strerror(errno);
        return error;
    }
    if (::bind(fd.Get(), address.Get(), address.Size()) != 0) {
        const int error = -errno;
        text = "socket " + shown + " cannot be bound: " + std::strerror(errno);
        return error;
    }
    // No one else can enter the folder, so nothing can stand in for the socket before its group and mode
    // are set. The socket takes the folder's group: whoever may enter the folder is whom it is meant for.
    struct stat inFolder {};
    if (::fstat(folder.fd.Get(), &inFolder) != 0 ||
        ::fchownat(folder.fd.Get(), entry.c_str(), static_cast<uid_t>(-1), inFolder.st_gid,
                   AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fchmodat(folder.fd.Get(), entry.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::listen(fd.Get(), backlog) != 0) {
        const int error = -errno;
        text = "socket " + shown + " cannot be opened to clients: " + std::strerror(errno);
        (void)::unlinkat(folder.fd.Get(), entry.c_str(), 0);
        return error;
    }
    *listener = std::move(fd);
    return 0;
}

int RemoveFolderSocket(const CheckedFolder& folder, std::string_view name, std::optional<uid_t> owner) {
    if (!folder.Valid()) return -EBADF;
    if (!OneStep(name)) return -EINVAL;
    const std::string entry(name);
    struct stat st {};
    if (::fstatat(folder.fd.Get(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? 0 : -errno;
    }
    if (!S_ISSOCK(st.st_mode)) return -EEXIST;
    if (owner && st.st_uid != *owner) return -EPERM;
    if (::unlinkat(folder.fd.Get(), entry.c_str(), 0) != 0 && errno != ENOENT) return -errno;
    return 0;
}

}  // namespace geolumen
