// The host as a service: every stop signal ends it cleanly with its sockets gone, and the group given by
// --socket-group reaches the sensor and the radio while every other user is refused with a clear message.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/host_e2e_fixture.h"

namespace geolumen::host {
namespace {

// A user and group that exist on no test machine; root acts as them through setpriv.
constexpr const char* kStranger = "64123";

std::vector<std::filesystem::path> SocketsUnder(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_socket()) found.push_back(it->path());
    }
    return found;
}

TEST_F(HostEndToEnd, EveryStopSignalEndsTheHostWithItsSocketsRemoved) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        auto host = StartHost();
        ASSERT_FALSE(SocketsUnder(RunDir()).empty()) << Dump(*host);
        host->Signal(signal);
        EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
        EXPECT_TRUE(host->WaitForLine("library unloaded", kExitBound)) << Dump(*host);
        EXPECT_TRUE(SocketsUnder(RunDir()).empty());
    }
}

TEST_F(HostEndToEnd, TheSocketGroupReachesTheSensorAndTheRadioNobodyElseDoes) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as other users needs root";
    const group* users = ::getgrnam("users");
    if (users == nullptr) GTEST_SKIP() << "no group 'users' on this machine";
    const std::string gid = std::to_string(users->gr_gid);
    // The test's folder must be passable by the other user; the host's own folders decide the rest.
    std::filesystem::permissions(base_, std::filesystem::perms(0755));
    auto host = StartHost({"--idle", "--socket-group", "users"});
    // Every folder of the run directory and every socket in it belong to the group, with no more rights.
    std::vector<std::filesystem::path> entries = {RunDir()};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(RunDir()))
        entries.push_back(entry);
    for (const auto& entry : entries) {
        struct stat st {};
        ASSERT_EQ(::lstat(entry.c_str(), &st), 0) << entry;
        EXPECT_EQ(st.st_gid, users->gr_gid) << entry;
        EXPECT_EQ(st.st_mode & 07777, S_ISSOCK(st.st_mode) ? 0660u : 0750u) << entry;
    }

    struct Row {
        const char* legend;
        std::vector<std::string> groups;  // setpriv's group options
        int clientExit;                   // 0: read a fix; 3: could not reach the socket
        int radioExit;                    // 0: read the radio state; 4: no host reached
        const char* clientError;
    } rows[] = {
        {"a member of the socket group", {"--groups", gid}, 0, 0, ""},
        {"a user in no group of the host",
         {"--clear-groups"},
         3,
         4,
         "cannot be opened: Permission denied (the host lets in the members of group users)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        auto as = [&](const char* program, std::vector<std::string> args) {
            std::vector<std::string> full = {std::string("--reuid=") + kStranger,
                                             std::string("--regid=") + kStranger};
            full.insert(full.end(), row.groups.begin(), row.groups.end());
            full.push_back("--");
            full.push_back(program);
            full.insert(full.end(), {"--run-dir", RunDir()});
            full.insert(full.end(), args.begin(), args.end());
            return std::make_unique<ChildProcess>("/usr/bin/setpriv", full);
        };
        auto client = as(GEOLUMEN_CLIENT_PATH, {"--count", "1", "--seconds", "20"});
        EXPECT_EQ(client->Wait(kReportBound + kExitBound), row.clientExit) << Dump(*client) << Dump(*host);
        if (row.clientExit == 0) {
            EXPECT_TRUE(client->WaitForLine("\"event\":\"DATA_UPDATED\"", kExitBound)) << Dump(*client);
        } else {
            EXPECT_NE(client->Errors().find(row.clientError), std::string::npos) << client->Errors();
        }
        auto radio = as(GEOLUMEN_RADIO_PATH, {"get"});
        EXPECT_EQ(radio->Wait(kExitBound), row.radioExit) << Dump(*radio);
    }
    host->Signal(SIGTERM);
    EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
}

}  // namespace
}  // namespace geolumen::host
