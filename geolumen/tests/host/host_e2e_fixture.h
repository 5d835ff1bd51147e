#pragma once
// What the end-to-end tests share: a folder of their own per test with the host's run and state
// directories, and the host and client programs started in it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/child_process.h"

namespace geolumen::host {

using testing::ChildProcess;
using testing::ProcessSample;
using testing::SampleProcess;
using namespace std::chrono_literals;

// Bounds, not waits: a healthy run reaches each condition far sooner. Reports come at the session's
// interval (2000 ms at most here), and a removal ends within the driver's own stop bounds.
inline constexpr auto kStartBound = 20s;
inline constexpr auto kReportBound = 20s;
inline constexpr auto kExitBound = 30s;

class HostEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = std::filesystem::temp_directory_path() /
                ("geolumen-e2e-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(base_);
        std::filesystem::create_directories(base_);
    }
    void TearDown() override { std::filesystem::remove_all(base_); }

    std::unique_ptr<ChildProcess> StartHost(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--run-dir", RunDir(), "--state-dir", (base_ / "state").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto host = std::make_unique<ChildProcess>(GEOLUMEN_HOST_PATH, args);
        EXPECT_TRUE(host->Started());
        EXPECT_TRUE(host->WaitForLine("sensor clients: " + RunDir(), kStartBound)) << Dump(*host);
        return host;
    }
    std::unique_ptr<ChildProcess> StartClient(std::vector<std::string> extra) {
        std::vector<std::string> args = {"--run-dir", RunDir()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto client = std::make_unique<ChildProcess>(GEOLUMEN_CLIENT_PATH, args);
        EXPECT_TRUE(client->Started());
        return client;
    }
    std::string RunDir() const { return (base_ / "run").string(); }
    // Every host of these tests: its idle control never went below zero.
    static void ExpectBalancedIdle(ChildProcess& host) {
        for (const auto& line : host.Lines())
            EXPECT_EQ(line.find("without a StopIdle"), std::string::npos) << line;
    }
    static std::string Dump(ChildProcess& process) {
        std::string text;
        for (const auto& line : process.Lines()) text += line + "\n";
        return text + process.Errors();
    }

    std::filesystem::path base_;
};

}  // namespace geolumen::host
