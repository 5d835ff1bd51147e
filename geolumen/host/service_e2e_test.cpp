// The host as a service: every stop signal ends it cleanly with its sockets gone.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "host/host_e2e_fixture.h"

namespace geolumen::host {
namespace {

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

}  // namespace
}  // namespace geolumen::host
