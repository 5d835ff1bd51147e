#pragma once
// Folders and files that other local users must not reach into. The host runs as a service, often as
// root, on machines where other users can write into /tmp and may pre-create names there; so every folder
// we keep state or sockets in is opened without following a link at its last step, checked (owner, mode)
// before use, and then used through its descriptor, never again by path. A folder that fails a check is
// refused as it is: never repaired with chmod, never removed and recreated.
//
// Every function returns a checked result: 0 or -errno, and on failure a short stable text that names the
// path and the reason ("state folder /x is writable by others", "... is owned by uid 1000",
// "... is a symbolic link").

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unix_socket.h"

namespace geolumen {

// How a folder is created and what an existing one must be.
struct FolderRules {
    // What the folder is, for the texts: "state folder", "run directory".
    const char* what = "folder";
    // Create the folder (and its missing parents) when missing. Off for a client that only looks.
    bool create = true;
    // Mode of what we create, set exactly whatever the umask: 0700, or 0750 where a group reaches a socket.
    mode_t mode = 0700;
    // Group given to what we create; nullopt keeps the creator's.
    std::optional<gid_t> group;
    // Besides our own effective uid, root may own the folder: a client trusts a host that runs as root.
    bool trustRoot = false;
};

// The host's state folders: ours alone.
[[nodiscard]] inline FolderRules StateFolderRules() {
    return FolderRules{"state folder", true, 0700, {}, false};
}
// The host's run directory and the folders in it: a group may be let in to reach the sockets.
[[nodiscard]] inline FolderRules HostRunDirRules(std::optional<gid_t> group = std::nullopt) {
    return FolderRules{"run directory", true, 0750, group, false};
}
// A client looking for its host's sockets: the folder must exist and be the client's own user's or root's.
[[nodiscard]] inline FolderRules ClientRunDirRules() {
    return FolderRules{"run directory", false, 0, {}, true};
}

// An open, checked folder. Valid() only after every check passed.
struct CheckedFolder {
    UnixFd fd;
    std::filesystem::path path;
    int error = 0;     // 0 or -errno (-EPERM for an owner or mode that is refused)
    std::string text;  // empty on success

    [[nodiscard]] bool Valid() const { return error == 0 && fd.Valid(); }
};

// Opens `path` as a folder under `rules`: missing folders are created (the missing parents as well, with
// the same mode), the last step is never a symbolic link, and the folder must be owned by us (or root
// where trusted) and writable by nobody else. Existing parents are taken as they are.
[[nodiscard]] CheckedFolder OpenCheckedFolder(const std::filesystem::path& path, const FolderRules& rules);

// The same for one name inside a checked folder (the name is one step: no '/', not "." or "..").
[[nodiscard]] CheckedFolder OpenCheckedSubfolder(const CheckedFolder& parent, std::string_view name,
                                                 const FolderRules& rules);

// Opens `root` under `rules`, then each step of `below` inside it, every one checked the same way: nothing
// on the way down can be a link or another user's folder. `below` is relative and has no "..".
[[nodiscard]] CheckedFolder OpenCheckedFolderBelow(const std::filesystem::path& root,
                                                   const std::filesystem::path& below,
                                                   const FolderRules& rules);

// A path that reaches `name` through the folder's descriptor (/proc/self/fd/N/name), for the calls that
// take only a path (bind, connect): whatever happens to the folder's path afterwards, it names this folder.
[[nodiscard]] std::string PathThroughFolder(const CheckedFolder& folder, std::string_view name);

// Reads at most `maxBytes` of the regular file `name` in the folder, without following a link; a missing
// file is -ENOENT, anything but a regular file -EINVAL.
[[nodiscard]] int ReadFolderFile(const CheckedFolder& folder, std::string_view name, std::size_t maxBytes,
                                 std::string* content);

// Replaces the file `name` in the folder with `content`: written into a new temporary (O_EXCL, no link
// followed, mode 0600 whatever the umask), synced, and renamed over the old file, so a crash leaves the
// old or the new file. 0 or -errno.
[[nodiscard]] int ReplaceFolderFile(const CheckedFolder& folder, std::string_view name,
                                    std::string_view content);

// Creates a listening Unix stream socket `name` in the folder with `mode` (set without following a link;
// the folder keeps everyone else out until then). What is already there decides: nothing, or a socket of
// ours that nobody listens on (what a host that died left behind, removed) lets it go on; a live socket is
// -EADDRINUSE, a socket of another user -EPERM, anything else -EEXIST, all left as they are, with `why`
// saying so. `socketFlags` are added to SOCK_STREAM | SOCK_CLOEXEC.
[[nodiscard]] int ListenInFolder(const CheckedFolder& folder, std::string_view name, mode_t mode,
                                 int socketFlags, int backlog, UnixFd* listener, std::string* why = nullptr);

// Removes the socket `name` from the folder, but only when it is a socket: 0 when it is gone or was never
// there, -EEXIST when the name is something else (left as it is). `owner`, when given, must own it.
[[nodiscard]] int RemoveFolderSocket(const CheckedFolder& folder, std::string_view name,
                                     std::optional<uid_t> owner = std::nullopt);

}  // namespace geolumen
