#include "host/run_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

namespace geolumen::host {
namespace {

TEST(RunDir, ResolutionOrder) {
    struct Row {
        const char* legend;
        std::string explicitDir;
        std::map<std::string, std::string> env;
        std::string expected;
    };
    const Row rows[] = {
        {"nothing set: the system directory", "", {}, "/run/geolumen"},
        {"XDG runtime directory", "", {{"XDG_RUNTIME_DIR", "/run/user/7"}}, "/run/user/7/geolumen"},
        {"variable beats XDG", "", {{"GEOLUMEN_RUN_DIR", "/v"}, {"XDG_RUNTIME_DIR", "/x"}}, "/v"},
        {"option beats both", "/o", {{"GEOLUMEN_RUN_DIR", "/v"}, {"XDG_RUNTIME_DIR", "/x"}}, "/o"},
        {"empty variables are unset",
         "",
         {{"GEOLUMEN_RUN_DIR", ""}, {"XDG_RUNTIME_DIR", ""}},
         "/run/geolumen"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        auto env = [&](const char* name) -> const char* {
            auto it = row.env.find(name);
            return it == row.env.end() ? nullptr : it->second.c_str();
        };
        EXPECT_EQ(ResolveRunDir(row.explicitDir, env), std::filesystem::path(row.expected));
    }
    EXPECT_EQ(SensorSocketPath("/r", ""), std::filesystem::path("/r/sensor.sock"));
    EXPECT_EQ(SensorSocketPath("/r", "/elsewhere/s"), std::filesystem::path("/elsewhere/s"));
}

TEST(RunDir, EnsureDirectoryCreatesParentsAndRefusesFiles) {
    const auto base =
        std::filesystem::temp_directory_path() / ("geolumen-rundir-" + std::to_string(::getpid()));
    std::filesystem::remove_all(base);
    EXPECT_EQ(EnsureDirectory(base / "a" / "b"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(base / "a" / "b"));
    EXPECT_EQ(EnsureDirectory(base / "a" / "b"), 0);
    {
        std::FILE* f = std::fopen((base / "file").c_str(), "w");
        ASSERT_TRUE(f);
        std::fclose(f);
    }
    EXPECT_EQ(EnsureDirectory(base / "file"), -ENOTDIR);
    std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace geolumen::host
