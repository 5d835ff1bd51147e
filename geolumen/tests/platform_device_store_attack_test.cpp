// Where the device store keeps its files, and the store under attack: another local user lays out the
// state folder before the host (running as root) starts, hoping to make it write a line of that user's
// choosing into a file of root's. Every trap is refused and root's folder stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>

#include "platform/device_store.h"
#include "platform/wdf_host.h"
#include "support/folder_snapshot.h"
#include "support/other_user.h"
#include "support/trap_folders.h"

namespace geolumen {
namespace {

using testing::AsOtherUser;
using testing::SnapshotFolder;

TEST(DeviceStoreRoot, FollowsTheEnvironmentAndNeverFallsBackToASharedFolder) {
    const struct {
        const char* legend;
        std::map<std::string, std::string> env;
        const char* root;  // empty: none, with the reason
    } rows[] = {
        {"the host's own variable first",
         {{"GEOLUMEN_STATE_DIR", "/s"}, {"STATE_DIRECTORY", "/d"}, {"HOME", "/h"}},
         "/s"},
        {"the service manager's folder", {{"STATE_DIRECTORY", "/var/lib/g"}, {"HOME", "/h"}}, "/var/lib/g"},
        {"of several service folders the first",
         {{"STATE_DIRECTORY", "/var/lib/a:/var/lib/b"}},
         "/var/lib/a"},
        {"the user's state home", {{"XDG_STATE_HOME", "/h/st"}, {"HOME", "/h"}}, "/h/st/geolumen"},
        {"a relative state home is ignored",
         {{"XDG_STATE_HOME", "st"}, {"HOME", "/h"}},
         "/h/.local/state/geolumen"},
        {"home", {{"HOME", "/home/u"}}, "/home/u/.local/state/geolumen"},
        {"empty variables are unset",
         {{"GEOLUMEN_STATE_DIR", ""}, {"STATE_DIRECTORY", ""}, {"HOME", ""}},
         ""},
        {"a relative home is none", {{"HOME", "u"}}, ""},
        {"a service with nothing set gets no folder, not /tmp", {}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        std::string why;
        const auto root = ChooseDeviceStoreRoot(
            [&](const char* name) -> const char* {
                auto it = row.env.find(name);
                return it == row.env.end() ? nullptr : it->second.c_str();
            },
            &why);
        EXPECT_EQ(root, std::filesystem::path(row.root));
        EXPECT_EQ(why, *row.root
                           ? ""
                           : "no state folder: GEOLUMEN_STATE_DIR, STATE_DIRECTORY and HOME are all unset");
    }
}

class DeviceStoreAttack : public testing::TrapFoldersTest {
  protected:
    void TearDown() override {
        unsetenv("GEOLUMEN_STATE_DIR");
        TrapFoldersTest::TearDown();
    }
};

constexpr const char* kInstance = "USB\\VID_0000&PID_0000\\SIM0";
constexpr const char* kInstanceFolder = "USB_VID_0000_PID_0000_SIM0";

TEST_F(DeviceStoreAttack, ALaidOutStateFolderIsRefusedAndNothingIsWritten) {
    GEOLUMEN_SKIP_UNLESS_ROOT();
    auto rootWithLinkedInstance = [](mode_t mode) -> testing::TrapLay {
        return [mode](const std::filesystem::path& root, const std::filesystem::path& victim) {
            const bool laid = ::mkdir(root.c_str(), mode) == 0 &&
                              ::symlink(victim.c_str(), (root / kInstanceFolder).c_str()) == 0;
            return laid ? 0 : 1;
        };
    };
    const struct {
        const char* legend;
        bool byOtherUser;
        testing::TrapLay lay;
        const char* rootReason;  // why the root is refused; empty: the root passes, the instance does not
    } rows[] = {
        {"the user made the root and linked the instance folder to root's folder", true,
         rootWithLinkedInstance(0755), "is owned by uid 64123"},
        {"the user linked the root itself to root's folder", true,
         [](const std::filesystem::path& root, const std::filesystem::path& victim) {
             return ::symlink(victim.c_str(), root.c_str()) == 0 ? 0 : 1;
         },
         "is a symbolic link"},
        {"root's own root left open to all, with the user's instance folder in it", false,
         [](const std::filesystem::path& root, const std::filesystem::path&) {
             if (::mkdir(root.c_str(), 0777) != 0 || ::chmod(root.c_str(), 0777) != 0) return 1;
             return AsOtherUser([&] { return ::mkdir((root / kInstanceFolder).c_str(), 0777) == 0 ? 0 : 1; });
         },
         "is writable by others"},
        {"a sound root with a linked instance folder left in it", false, rootWithLinkedInstance(0700), ""},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        const auto root = Shared() / ("state" + std::to_string(n++));
        ASSERT_TRUE(LayTrap(root, row.byOtherUser, row.lay));
        setenv("GEOLUMEN_STATE_DIR", root.c_str(), 1);
        const auto before = SnapshotFolder(base_);

        const CheckedFolder checked = OpenDeviceStoreRoot();
        if (*row.rootReason) {
            EXPECT_EQ(checked.text, "state folder " + root.string() + " " + row.rootReason);
        } else {
            EXPECT_TRUE(checked.Valid()) << checked.text;
            EXPECT_EQ(OpenDeviceStoreFolder(kInstance, true).text,
                      "state folder " + (root / kInstanceFolder).string() + " is a symbolic link");
        }
        // The driver's own ways in: the property store it asks for, the settings it reads, a direct write.
        auto device = MakeCom<HostDevice>(kInstance, nullptr);
        ComPtr<IWDFNamedPropertyStore> store;
        EXPECT_EQ(device->RetrieveDevicePropertyStore(WdfPropertyStoreCreateIfMissing,
                                                      store.ReleaseAndGetAddressOf()),
                  E_ACCESSDENIED);
        EXPECT_FALSE(ReadDeviceSetting(kInstance, "daily"));
        EXPECT_FALSE(FileValueStore(DeviceStoreFolder(kInstance) / "daily", root).Set("* * * * * root", "x"));

        EXPECT_EQ(SnapshotFolder(base_), before) << "the store wrote, repaired or removed something";
    }
}

}  // namespace
}  // namespace geolumen
