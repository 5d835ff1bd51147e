#include "host/host_options.h"

#include <gtest/gtest.h>

namespace geolumen::host {
namespace {

TEST(HostOptions, CommandLines) {
    std::string error;
    auto defaults = ParseHostOptions({}, "lib.so", &error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->library, "lib.so");
    EXPECT_EQ(defaults->usb, "sim");
    EXPECT_FALSE(defaults->surprise);
    EXPECT_FALSE(defaults->runMs);

    auto full =
        ParseHostOptions({"--usb",         "/dev/cdc-wdm0", "--removal", "surprise",   "--run-ms",
                          "250",           "--library",     "x.so",      "--instance", "USB\\A",
                          "--state-dir",   "/tmp/s",        "--run-dir", "/tmp/r",     "--socket",
                          "/tmp/s.sock",   "--idle",        "--trace",   "verbose",    "--exit-on-removal",
                          "--max-clients", "1000"},
                         "lib.so", &error);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->usb, "/dev/cdc-wdm0");
    EXPECT_TRUE(full->surprise);
    EXPECT_EQ(full->runMs, 250u);
    EXPECT_EQ(full->library, "x.so");
    EXPECT_EQ(full->instanceId, "USB\\A");
    EXPECT_EQ(full->stateDir, "/tmp/s");
    EXPECT_EQ(full->runDir, "/tmp/r");
    EXPECT_EQ(full->socket, "/tmp/s.sock");
    EXPECT_TRUE(full->idle);
    EXPECT_FALSE(defaults->idle);
    EXPECT_TRUE(full->exitOnRemoval);
    EXPECT_FALSE(defaults->exitOnRemoval);
    EXPECT_EQ(full->trace, 5u);
    EXPECT_FALSE(defaults->trace);
    EXPECT_EQ(full->maxClients, 1000u);
    EXPECT_EQ(defaults->maxClients, 64u);

    const std::vector<std::vector<std::string>> bad = {
        {"--removal", "sideways"},
        {"--run-ms", "-1"},
        {"--run-ms", "12x"},
        {"--run-ms", "86400001"},
        {"--usb"},
        {"--frobnicate", "1"},
        {"--instance", ""},
        {"--instance", std::string(1024, 'a')},
        {"--run-dir", ""},
        {"--socket"},
        {"--trace", "loud"},
        {"--trace", "6"},
        {"--max-clients", "0"},
        {"--max-clients", "1001"},
        {"--max-clients", "8x"},
        {"--max-clients"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0]);
        error.clear();
        EXPECT_FALSE(ParseHostOptions(args, "lib.so", &error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace geolumen::host
