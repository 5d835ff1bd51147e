// A port the user may not open: the log names what would help, read from the device itself. Each row is
// a real refusal: a second user opens a file owned by root and a group.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <optional>
#include <string>

#include "link/ComManage.h"
#include "support/OtherUser.h"

namespace {

std::optional<gid_t> GroupId(const char* name) {
    const struct group* entry = ::getgrnam(name);
    return entry ? std::optional<gid_t>(entry->gr_gid) : std::nullopt;
}

TEST(PortPermissionTest, ARefusalNamesTheDevicesOwnGroup) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to act as a second user";
    constexpr gid_t kNamelessGid = 64124;
    struct Row {
        const char* legend;
        const char* group;  // nullptr: a gid without a name
        mode_t mode;
        const char* reason;
    };
    const Row rows[] = {
        {"the usual serial group", "dialout", 0660, "permission denied: the user needs the dialout group"},
        {"a group of another name", "tty", 0660, "permission denied: the user needs the tty group"},
        {"a group without a name", nullptr, 0660, "permission denied: the user needs group 64124"},
        {"a group that may not read and write", "dialout", 0600,
         "permission denied: only its owner root may open it"},
        {"a group that may only write, as a terminal's", "tty", 0620,
         "permission denied: only its owner root may open it"},
    };
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0711), 0);  // the other user may pass through
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const std::optional<gid_t> gid = row.group ? GroupId(row.group) : kNamelessGid;
        if (!gid) continue;  // a system without that group
        const std::string path = dir.path().toStdString() + "/ttyTEST" + std::to_string(n++);
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
        ASSERT_EQ(::chown(path.c_str(), 0, *gid), 0);
        ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
        const int error = AsOtherUser([&] {
            const int port = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (port >= 0) {
                ::close(port);
                return 0;
            }
            return errno;
        });
        ASSERT_EQ(error, EACCES) << "the second user was not refused";
        const std::string expected = "串口打开失败: " + path + ": " + row.reason;
        EXPECT_EQ(OpenFailureLog(path, error, "unused"), expected);
        EXPECT_EQ(OpenFailureLog(path, EPERM, "unused"), expected) << "EPERM reads the same";
    }
    EXPECT_EQ(OpenFailureLog(dir.path().toStdString() + "/gone", EACCES, "unused"),
              "串口打开失败: " + dir.path().toStdString() + "/gone: permission denied")
        << "a device that cannot be looked at";
}

}  // namespace
