#pragma once
// The folders of a test that lays traps: `shared`, where anyone may create names as in /tmp (the sticky
// bit keeps them from renaming what is not theirs), and `victim`, a folder of root's with a file in it that
// the traps point at. Nothing of `victim` may change when a trap is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "other_user.h"

namespace geolumen::testing {

inline constexpr const char* kVictimFile = "job";
inline constexpr const char* kVictimLine = "root's own line\n";

inline void MakeTrapFolders(const std::filesystem::path& base) {
    std::filesystem::create_directories(base / "shared");
    std::filesystem::create_directories(base / "victim");
    ::chmod(base.c_str(), 0755);
    ::chmod((base / "shared").c_str(), 01777);
    ::chmod((base / "victim").c_str(), 0700);
    std::ofstream(base / "victim" / kVictimFile) << kVictimLine;
    ::chmod((base / "victim" / kVictimFile).c_str(), 0600);
}

// What lays one trap: given where it goes and the victim folder, 0 when it is laid.
using TrapLay = std::function<int(const std::filesystem::path& at, const std::filesystem::path& victim)>;

// A test fixture with the trap folders in a folder of its own, removed afterwards.
class TrapFoldersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = std::filesystem::temp_directory_path() /
                ("geolumen-traps-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(base_);
        MakeTrapFolders(base_);
    }
    void TearDown() override { std::filesystem::remove_all(base_); }

    std::filesystem::path Shared() const { return base_ / "shared"; }
    std::filesystem::path Victim() const { return base_ / "victim"; }

    // Lays a trap at shared/name, as the other user or as root; false when it could not be laid.
    [[nodiscard]] bool LayTrap(const std::filesystem::path& at, bool byOtherUser, const TrapLay& lay) const {
        const auto laying = [&] { return lay(at, Victim()); };
        return (byOtherUser ? AsOtherUser(laying) : laying()) == 0;
    }

    std::filesystem::path base_;
};

}  // namespace geolumen::testing
