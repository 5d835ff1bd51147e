// Folders and files that another local user prepared: each case lays the trap for real (a second user
// in a forked child, planted links, fifos, foreign sockets) and shows that it is refused with its text and
// that nothing was written, repaired or removed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "platform/secure_files.h"
#include "support/folder_snapshot.h"
#include "support/other_user.h"
#include "support/trap_folders.h"

namespace geolumen {
namespace {

using testing::AsOtherUser;
using testing::SnapshotFolder;

using SecureFilesTest = testing::TrapFoldersTest;

[[nodiscard]] mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// What another user (or root, for the rows that need it) leaves at `path` before the host comes.
struct Trap {
    const char* legend;
    bool byOtherUser;
    testing::TrapLay lay;
    FolderRules rules;
    int error;
    const char* reason;
};

TEST_F(SecureFilesTest, FoldersOthersPreparedAreRefusedAsTheyAre) {
    GEOLUMEN_SKIP_UNLESS_ROOT();
    auto folder = [](mode_t mode) {
        return [mode](const std::filesystem::path& path, const std::filesystem::path&) {
            return ::mkdir(path.c_str(), mode) == 0 && ::chmod(path.c_str(), mode) == 0 ? 0 : 1;
        };
    };
    auto link = [](const std::filesystem::path& path, const std::filesystem::path& victim) {
        return ::symlink(victim.c_str(), path.c_str()) == 0 ? 0 : 1;
    };
    auto file = [](const std::filesystem::path& path, const std::filesystem::path&) {
        return std::ofstream(path) << "x" ? 0 : 1;
    };
    const Trap traps[] = {
        {"another user's folder", true, folder(0755), HostRunDirRules(), -EPERM, "is owned by uid 64123"},
        {"another user's folder, for a client", true, folder(0700), ClientRunDirRules(), -EPERM,
         "is owned by uid 64123"},
        {"another user's link to root's folder", true, link, StateFolderRules(), -ELOOP,
         "is a symbolic link"},
        {"our own link to root's folder", false, link, HostRunDirRules(), -ELOOP, "is a symbolic link"},
        {"our folder that all may write", false, folder(0777), StateFolderRules(), -EPERM,
         "is writable by others"},
        {"our folder like /tmp", false, folder(01777), ClientRunDirRules(), -EPERM, "is writable by others"},
        {"our folder its group may write", false, folder(0770), HostRunDirRules(), -EPERM,
         "is writable by its group"},
        {"a file in the folder's place", true, file, HostRunDirRules(), -ENOTDIR, "is not a folder"},
    };
    int n = 0;
    for (const Trap& trap : traps) {
        SCOPED_TRACE(trap.legend);
        const auto path = Shared() / ("trap" + std::to_string(n++));
        ASSERT_TRUE(LayTrap(path, trap.byOtherUser, trap.lay));
        const auto before = SnapshotFolder(base_);

        const CheckedFolder direct = OpenCheckedFolder(path, trap.rules);
        EXPECT_FALSE(direct.Valid());
        EXPECT_EQ(direct.error, trap.error);
        EXPECT_EQ(direct.text, std::string(trap.rules.what) + " " + path.string() + " " + trap.reason);
        // Another user's folder or link on the way to a folder we would make: nothing is made beyond it.
        if (trap.byOtherUser) {
            EXPECT_FALSE(OpenCheckedFolder(path / "inner" / "run", trap.rules).Valid());
        }

        EXPECT_EQ(SnapshotFolder(base_), before) << "a refused folder was changed or written through";
    }
}

TEST_F(SecureFilesTest, AClientTrustsRootsFolderButTheHostOnlyItsOwn) {
    GEOLUMEN_SKIP_UNLESS_ROOT();
    // A folder of root's, 0755: the host of root's that made it; seen from a client of another user.
    const auto rootFolder = base_ / "rootrun";
    ASSERT_EQ(::mkdir(rootFolder.c_str(), 0755), 0);
    const struct {
        const char* legend;
        FolderRules rules;
        int expected;  // the child's exit: 0 accepted, 1 refused
    } rows[] = {
        {"a client trusts root", ClientRunDirRules(), 0},
        {"a host of another user does not", HostRunDirRules(), 1},
        {"nor does its state", StateFolderRules(), 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(AsOtherUser([&] { return OpenCheckedFolder(rootFolder, row.rules).Valid() ? 0 : 1; }),
                  row.expected);
    }
}

TEST_F(SecureFilesTest, WhatWeCreateHasItsModeWhateverTheUmask) {
    const mode_t saved = ::umask(0);
    const struct {
        const char* legend;
        FolderRules rules;
        mode_t folders;
    } rows[] = {
        {"state folders", StateFolderRules(), 0700},
        {"run directories", HostRunDirRules(), 0750},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        const auto top = base_ / row.legend;
        const CheckedFolder folder = OpenCheckedFolder(top / "a" / "b", row.rules);
        ASSERT_TRUE(folder.Valid()) << folder.text;
        for (const auto& made : {top, top / "a", top / "a" / "b"})
            EXPECT_EQ(ModeOf(made), row.folders) << made;
        ASSERT_EQ(ReplaceFolderFile(folder, "properties", "a=1\n"), 0);
        EXPECT_EQ(ModeOf(top / "a" / "b" / "properties"), 0600u);
        UnixFd listener;
        ASSERT_EQ(ListenInFolder(folder, "sock", 0660, 0, 1, &listener), 0);
        EXPECT_EQ(ModeOf(top / "a" / "b" / "sock"), 0660u);
        // No temporary stays behind.
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(top / "a" / "b"))
            ++entries;
        EXPECT_EQ(entries, 2u);
    }
    ::umask(saved);
}

// A name planted in our own folder (by root, or left by an older version) and what each operation does.
struct Planted {
    const char* legend;
    std::function<void(const std::filesystem::path& folder, const std::filesystem::path& victim)> plant;
    std::function<int(const CheckedFolder& folder)> act;
    int expected;
    bool plantStays;  // refused: the planted name is left exactly as it was
};

TEST_F(SecureFilesTest, PlantedNamesAreNeverFollowedNorRemoved) {
    auto linkTo = [](const char* name) {
        return [name](const std::filesystem::path& folder, const std::filesystem::path& victim) {
            std::filesystem::create_symlink(victim / "job", folder / name);
        };
    };
    auto read = [](const char* name) {
        return [name](const CheckedFolder& folder) {
            std::string content;
            return ReadFolderFile(folder, name, 4096, &content);
        };
    };
    auto listen = [](const char* name) {
        return [name](const CheckedFolder& folder) {
            UnixFd listener;
            return ListenInFolder(folder, name, 0660, 0, 1, &listener);
        };
    };
    auto socketOf = [](uid_t owner, bool keepListening) {
        return [owner, keepListening](const std::filesystem::path& folder, const std::filesystem::path&) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const UnixSocketAddress address(folder / "0");
            ASSERT_EQ(::bind(fd, address.Get(), address.Size()), 0);
            ASSERT_EQ(::listen(fd, 1), 0);
            ASSERT_EQ(::lchown((folder / "0").c_str(), owner, static_cast<gid_t>(-1)), 0);
            if (!keepListening) ::close(fd);  // a host that died; otherwise the descriptor lives to the end
        };
    };
    const Planted rows[] = {
        {"the old predictable temporary, linked to root's file", linkTo("properties.tmp1"),
         [](const CheckedFolder& f) { return ReplaceFolderFile(f, "properties", "SENSOR=1\n"); }, 0, true},
        {"the file itself, linked: replaced as a name, the target untouched", linkTo("properties"),
         [](const CheckedFolder& f) { return ReplaceFolderFile(f, "properties", "SENSOR=1\n"); }, 0, false},
        {"a linked file is not read", linkTo("settings"), read("settings"), -EINVAL, true},
        {"a fifo is not read (nor waited on)",
         [](const std::filesystem::path& folder, const std::filesystem::path&) {
             ASSERT_EQ(::mkfifo((folder / "settings").c_str(), 0600), 0);
         },
         read("settings"), -EINVAL, true},
        {"root's regular file where a socket goes",
         [](const std::filesystem::path& folder, const std::filesystem::path&) {
             std::ofstream(folder / "0") << "root's data";
         },
         listen("0"), -EEXIST, true},
        {"a link where a socket goes", linkTo("0"), listen("0"), -EEXIST, true},
        {"a socket of another user", socketOf(testing::kOtherUid, false), listen("0"), -EPERM, true},
        {"a live socket of ours", socketOf(0, true), listen("0"), -EADDRINUSE, true},
        {"a dead socket of ours is replaced", socketOf(::geteuid(), false), listen("0"), 0, false},
        {"removal leaves a file alone",
         [](const std::filesystem::path& folder, const std::filesystem::path&) {
             std::ofstream(folder / "0") << "x";
         },
         [](const CheckedFolder& f) { return RemoveFolderSocket(f, "0"); }, -EEXIST, true},
    };
    int n = 0;
    for (const Planted& row : rows) {
        SCOPED_TRACE(row.legend);
        if (::geteuid() != 0 && row.expected == -EPERM) continue;  // giving a socket away needs root
        const auto path = base_ / ("own" + std::to_string(n++));
        const CheckedFolder folder = OpenCheckedFolder(path, StateFolderRules());
        ASSERT_TRUE(folder.Valid()) << folder.text;
        row.plant(path, Victim());
        const auto victim = SnapshotFolder(Victim());
        const auto planted = SnapshotFolder(path);
        EXPECT_EQ(row.act(folder), row.expected);
        EXPECT_EQ(SnapshotFolder(Victim()), victim) << "root's file was reached through the plant";
        if (row.plantStays) {
            auto now = SnapshotFolder(path);
            // A successful write adds its own file; the plant itself stays as it was.
            now.erase("properties");
            auto was = planted;
            was.erase(".");
            now.erase(".");
            EXPECT_EQ(now, was);
        }
    }
}

}  // namespace
}  // namespace geolumen
