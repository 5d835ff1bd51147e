// The host and its tools on a machine with another local user: the programs themselves, run against
// folders and sockets that user laid out (in a forked child of uid 64123), or that are left in a state the
// host must not trust. Each trap ends in a clear refusal and nothing written outside the host's folders.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>

#include "host/host_e2e_fixture.h"
#include "platform/device_interface_channel.h"
#include "platform/device_interface_server.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/other_user.h"
#include "tests/support/trap_folders.h"

namespace geolumen::host {
namespace {

using geolumen::testing::AsOtherUser;
using geolumen::testing::OtherUserProcess;
using geolumen::testing::SnapshotFolder;

constexpr const char* kRadioClass = "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB}";
constexpr const char* kSimInstanceFolder = "USB_VID_0000_PID_0000_SIM0";
// Long enough for the device to start and publish; the host then removes it by itself.
constexpr const char* kShortRunMs = "500";

[[nodiscard]] mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Sets or unsets environment variables for the life of the object, for a child that inherits them.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(const std::vector<std::pair<const char*, const char*>>& changes) {
        for (const auto& [name, value] : changes) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            if (value) {
                setenv(name, value, 1);
            } else {
                unsetenv(name);
            }
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class HostSecurity : public HostEndToEnd {
  protected:
    void SetUp() override {
        HostEndToEnd::SetUp();
        geolumen::testing::MakeTrapFolders(base_);
    }
    // A folder like /tmp, where the other user lays the traps.
    std::filesystem::path Shared() const { return base_ / "shared"; }
    // A folder of root's that the traps point at.
    std::filesystem::path Victim() const { return base_ / "victim"; }
    std::filesystem::path ClassDir(const std::filesystem::path& runDir) const {
        return runDir / "interfaces" / kRadioClass;
    }
};

// One trap for the host: laid out, the host run against it, and what must have happened.
struct HostTrap {
    const char* legend;
    std::function<void(const std::filesystem::path& base)> lay;
    const char* runDir;    // below the test's folder
    const char* stateDir;  // below the test's folder; null: none given
    int exitCode;
    const char* message;  // in the host's output, "{base}" standing for the test's folder
    std::function<void(const std::filesystem::path& base)> after;
};

[[nodiscard]] std::string Expand(std::string text, const std::filesystem::path& base) {
    for (size_t at; (at = text.find("{base}")) != std::string::npos;) text.replace(at, 6, base.string());
    return text;
}

TEST_F(HostSecurity, TheHostRefusesFoldersAndNamesItCannotTrust) {
    GEOLUMEN_SKIP_UNLESS_ROOT();
    const std::string gone = "/tmp/geolumen";
    const bool sharedFallbackExisted = std::filesystem::exists(gone);
    auto asOther = [](std::function<int()> action) { ASSERT_EQ(AsOtherUser(action), 0); };
    auto ourRunWithInterfaces = [](const std::filesystem::path& base) {
        ASSERT_EQ(MakeDirectories(base / "run" / "interfaces"), 0);
    };
    const HostTrap traps[] = {
        {"a run directory another user made",
         [&](const auto& base) { asOther([&] { return ::mkdir((base / "shared/run").c_str(), 0755); }); },
         "shared/run", "state", 7, "error: run directory {base}/shared/run is owned by uid 64123", nullptr},
        {"a run directory another user linked to root's folder",
         [&](const auto& base) {
             asOther([&] { return ::symlink((base / "victim").c_str(), (base / "shared/run").c_str()); });
         },
         "shared/run", "state", 7, "error: run directory {base}/shared/run is a symbolic link", nullptr},
        {"a run directory all may write: not repaired",
         [](const auto& base) {
             ASSERT_EQ(::mkdir((base / "shared/run").c_str(), 0777), 0);
             ASSERT_EQ(::chmod((base / "shared/run").c_str(), 0777), 0);
         },
         "shared/run", "state", 7, "error: run directory {base}/shared/run is writable by others",
         [](const auto& base) { EXPECT_EQ(ModeOf(base / "shared/run"), 0777u); }},
        {"interfaces/{CLASS} linked elsewhere: no interface, the sensor still served",
         [&](const auto& base) {
             ourRunWithInterfaces(base);
             std::filesystem::create_directory_symlink(base / "victim", ClassDir(base / "run"));
         },
         "run", "state", 0,
         "device interfaces not published in {base}/run: run directory {base}/run/interfaces/"
         "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB} is a symbolic link",
         nullptr},
        {"root's regular file named 0 is left alone; the host takes 1",
         [&](const auto& base) {
             ourRunWithInterfaces(base);
             ASSERT_EQ(MakeDirectories(ClassDir(base / "run")), 0);
             std::ofstream(ClassDir(base / "run") / "0") << "root's data";
         },
         "run", "state", 0,
         "device interface: {base}/run/interfaces/{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB}/1",
         [this](const auto& base) {
             EXPECT_EQ(std::filesystem::file_size(ClassDir(base / "run") / "0"), 11u);
         }},
        {"a regular file where the sensor socket goes",
         [](const auto& base) {
             ASSERT_EQ(MakeDirectories(base / "run"), 0);
             std::ofstream(base / "run/sensor.sock") << "not a socket";
         },
         "run", "state", 7, "socket {base}/run/sensor.sock is not a socket",
         [](const auto& base) { EXPECT_EQ(std::filesystem::file_size(base / "run/sensor.sock"), 12u); }},
        {"a state folder another user made",
         [&](const auto& base) { asOther([&] { return ::mkdir((base / "shared/state").c_str(), 0755); }); },
         "run", "shared/state", 9, "error: state folder {base}/shared/state is owned by uid 64123", nullptr},
        {"no HOME and no --state-dir: no state folder, and no /tmp either", nullptr, "run", nullptr, 9,
         "error: no state folder: GEOLUMEN_STATE_DIR, STATE_DIRECTORY and HOME are all unset (give "
         "--state-dir "
         "DIR)",
         [&](const auto&) { EXPECT_EQ(std::filesystem::exists(gone), sharedFallbackExisted); }},
    };
    int n = 0;
    for (const HostTrap& trap : traps) {
        SCOPED_TRACE(trap.legend);
        const auto base = base_ / ("case" + std::to_string(n++));
        std::filesystem::create_directories(base / "shared");
        ::chmod((base / "shared").c_str(), 01777);
        std::filesystem::create_directory_symlink(Victim(), base / "victim");
        if (trap.lay) trap.lay(base);
        const auto victim = SnapshotFolder(Victim());
        const auto shared = SnapshotFolder(base / "shared");

        std::vector<std::string> args = {"--run-ms", kShortRunMs, "--run-dir", (base / trap.runDir).string()};
        if (trap.stateDir) args.insert(args.end(), {"--state-dir", (base / trap.stateDir).string()});
        ScopedEnvironment env({{"HOME", nullptr},
                               {"XDG_STATE_HOME", nullptr},
                               {"STATE_DIRECTORY", nullptr},
                               {"GEOLUMEN_STATE_DIR", nullptr}});
        ChildProcess host(GEOLUMEN_HOST_PATH, args);
        ASSERT_TRUE(host.Started());
        EXPECT_EQ(host.Wait(kExitBound), trap.exitCode) << Dump(host);
        EXPECT_NE(Dump(host).find(Expand(trap.message, base)), std::string::npos) << Dump(host);

        EXPECT_EQ(SnapshotFolder(Victim()), victim) << "root's folder was written through the trap";
        EXPECT_EQ(SnapshotFolder(base / "shared"), shared) << "the trap was changed, repaired or removed";
        if (trap.after) trap.after(base);
    }
}

// Another user stands in for the host: a run directory of theirs with a listening socket where a client
// looks for the host. The tools refuse it and never connect.
TEST_F(HostSecurity, ToolsRefuseASocketInAnotherUsersFolder) {
    GEOLUMEN_SKIP_UNLESS_ROOT();
    const struct {
        const char* legend;
        const char* program;
        std::vector<std::string> args;
        std::filesystem::path socket;  // below the run directory
        int exitCode;
    } rows[] = {
        {"geolumen-client and a swapped sensor.sock",
         GEOLUMEN_CLIENT_PATH,
         {"--count", "1"},
         "sensor.sock",
         3},
        {"geolumen-radio and a swapped interface entry",
         GEOLUMEN_RADIO_PATH,
         {"get"},
         std::filesystem::path("interfaces") / kRadioClass / "0",
         4},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        const auto runDir = Shared() / ("run" + std::to_string(n++));
        const auto socket = runDir / row.socket;
        int listener = -1;
        OtherUserProcess other(
            [&] {
                std::error_code ec;
                std::filesystem::create_directories(socket.parent_path(), ec);
                listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
                const UnixSocketAddress address(socket);
                if (ec || ::bind(listener, address.Get(), address.Size()) != 0 || ::listen(listener, 4) != 0)
                    return 1;
                return 0;
            },
            // 0 when nobody connected to the stand-in.
            [&] { return ::accept(listener, nullptr, nullptr) < 0 && errno == EAGAIN ? 0 : 1; });
        ASSERT_EQ(other.SetupResult(), 0);

        std::vector<std::string> args = {"--run-dir", runDir.string()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        ChildProcess tool(row.program, args);
        ASSERT_TRUE(tool.Started());
        EXPECT_EQ(tool.Wait(kExitBound), row.exitCode) << Dump(tool);
        EXPECT_NE(tool.Errors().find("is owned by uid 64123"), std::string::npos) << Dump(tool);
        EXPECT_EQ(other.Finish(), 0) << "the tool connected to the other user's socket";
    }
}

TEST_F(HostSecurity, FoldersAndFilesKeepTheirModesUnderUmaskZero) {
    const mode_t saved = ::umask(0);
    auto host = StartHost();
    ::umask(saved);
    const std::filesystem::path run = RunDir();
    const std::filesystem::path state = base_ / "state";
    const struct {
        std::filesystem::path path;
        mode_t mode;
        bool whileRunning;  // sockets go with the host; state stays
    } rows[] = {
        {run, 0750, true},
        {run / "interfaces", 0750, true},
        {ClassDir(run), 0750, true},
        {ClassDir(run) / "0", 0660, true},
        {run / "sensor.sock", 0660, true},
        {state, 0700, false},
        {state / kSimInstanceFolder, 0700, false},
        {state / kSimInstanceFolder / "properties", 0600, false},
    };
    for (const auto& row : rows) {
        if (row.whileRunning) {
            EXPECT_EQ(ModeOf(row.path), row.mode) << row.path;
        }
    }
    host->Signal(SIGTERM);
    EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
    for (const auto& row : rows) {
        if (!row.whileRunning) {
            EXPECT_EQ(ModeOf(row.path), row.mode) << row.path;
        }
    }
    // The host's sockets went with it; nothing else of its own is left in the run directory.
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(run / "sensor.sock")));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(ClassDir(run) / "0")));
}

}  // namespace
}  // namespace geolumen::host
