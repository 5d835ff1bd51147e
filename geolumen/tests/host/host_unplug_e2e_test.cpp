// The host's device pulled and returned while clients listen, on the simulated module (signals pull and
// return it) and on a pseudo-terminal standing for /dev/cdc-wdmN (hanging up the master pulls it, a new
// one at the same path returns it): the removal is said, the clients see the sensor leave, data flows
// again soon after the return, and ten rounds leave the host no bigger than one did.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "host/host_e2e_fixture.h"
#include "sim/sim_demo_fix.h"
#include "sim/sim_pty_module.h"

namespace geolumen::host {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitized host runs several times slower and keeps freed memory in quarantine: these builds check
// what happens (and the leak checker checks the host at its exit), the normal build how soon and how much.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
// The promise to a client: data again this soon after the device's return.
constexpr auto kDataAfterReturn = kSanitized ? 10s : 2s;
constexpr int kRounds = kSanitized ? 3 : 10;
// Memory that a round may leave behind in the host, allocator noise included; a leak of one device's
// objects per round (its threads, buffers and COM objects, some 30 KiB and more) passes it in nine rounds.
constexpr long kRssSlackKiB = 256;

// How a back end is pulled and returned, seen from the test.
struct Plug {
    const char* name;
    std::function<std::vector<std::string>()> hostArgs;
    std::function<void(ChildProcess& host)> pull;
    std::function<void(ChildProcess& host)> give;
    std::string removalLine;
};

class HostUnplug : public HostEndToEnd {
  protected:
    void TearDown() override {
        ::unsetenv("GEOLUMEN_HOST_ANY_DEVICE");
        HostEndToEnd::TearDown();
    }

    // The pseudo-terminal's slave is reached through a link the test moves, as udev names a device.
    Plug PtyPlug() {
        link_ = base_ / "cdc-wdm0";
        return Plug{
            "pty",
            [this] {
                ::setenv("GEOLUMEN_HOST_ANY_DEVICE", "1", 1);
                Give();
                return std::vector<std::string>{"--usb", link_.string()};
            },
            [this](ChildProcess&) {
                // The node goes with the device, so a free terminal number taken by someone else in
                // between is never opened in its place.
                std::filesystem::remove(link_);
                pty_->HangUp();
            },
            [this](ChildProcess&) { Give(); },
            "USB device removed: " + link_.string() + " (No such device)",
        };
    }
    static Plug SimPlug() {
        return Plug{
            "sim",
            [] {
                return std::vector<std::string>{"--usb", "sim"};
            },
            [](ChildProcess& host) { host.Signal(SIGUSR1); },
            [](ChildProcess& host) { host.Signal(SIGUSR2); },
            "USB device removed: simulated module (No such device)",
        };
    }

    void Give() {
        pty_.reset();
        pty_ = std::make_unique<sim::SimPtyModule>(sim::DemoFix());
        const std::string slave = pty_->Open();
        ASSERT_FALSE(slave.empty());
        const auto moving = base_ / "cdc-wdm0.new";
        std::filesystem::remove(moving);
        std::filesystem::create_symlink(slave, moving);
        std::filesystem::rename(moving, link_);
    }

    // Two clients that listen until the host lets them go; both have had data.
    void TwoClientsGetData(std::vector<std::unique_ptr<ChildProcess>>& clients, ChildProcess& host) {
        clients.clear();
        for (int i = 0; i < 2; ++i) clients.push_back(StartClient({"--interval", "1000"}));
        for (auto& client : clients)
            ASSERT_TRUE(client->WaitForLine("\"event\":\"DATA_UPDATED\"", kReportBound))
                << Dump(*client) << Dump(host);
    }

    void RunRounds(const Plug& plug) {
        auto host = StartHost(plug.hostArgs());
        ASSERT_TRUE(host->Started());
        std::vector<std::unique_ptr<ChildProcess>> clients;
        TwoClientsGetData(clients, *host);
        ProcessSample first;
        size_t from = 0;
        for (int round = 1; round <= kRounds && !HasFatalFailure(); ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            plug.pull(*host);
            const auto removed = host->WaitForLine(plug.removalLine, kExitBound, from);
            ASSERT_TRUE(removed) << Dump(*host);
            // The sensor left: each client heard it is not available, then its connection ended.
            for (auto& client : clients) {
                EXPECT_EQ(client->Wait(kExitBound), 1) << Dump(*client);
                EXPECT_TRUE(client->WaitForLine("{\"event\":\"STATE_CHANGED\",\"state\":1}", 0s))
                    << Dump(*client) << Dump(*host);
            }
            ASSERT_TRUE(host->WaitForLine("waiting for ", kExitBound, *removed)) << Dump(*host);

            const auto given = std::chrono::steady_clock::now();
            plug.give(*host);
            const auto running = host->WaitForLine("device running again", kStartBound, *removed);
            ASSERT_TRUE(running) << Dump(*host);
            TwoClientsGetData(clients, *host);
            EXPECT_LE(std::chrono::steady_clock::now() - given, kDataAfterReturn) << Dump(*host);
            from = *running;
            // The first round sets up what every later one reuses (allocator arenas, the library's
            // one-time state); from then on nothing may grow.
            if (round == 1) first = SampleProcess(host->Pid());
        }
        const ProcessSample last = SampleProcess(host->Pid());
        EXPECT_EQ(last.threads, first.threads);
        EXPECT_EQ(last.fds, first.fds);
        if (!kSanitized) {
            EXPECT_LE(last.rssKb, first.rssKb + kRssSlackKiB) << first.rssKb << " KiB after round 1";
        }

        host->Signal(SIGTERM);
        EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
        ExpectBalancedIdle(*host);
    }

    std::filesystem::path link_;
    std::unique_ptr<sim::SimPtyModule> pty_;
};

TEST_F(HostUnplug, SimulatedModuleReturnsTenTimes) { RunRounds(SimPlug()); }

TEST_F(HostUnplug, PseudoTerminalReturnsTenTimes) { RunRounds(PtyPlug()); }

// With --exit-on-removal a pulled device ends the host with its own status, for a service manager that
// starts it again; the clients still hear the sensor leave first.
TEST_F(HostUnplug, ExitOnRemovalEndsTheHost) {
    for (const Plug& plug : {SimPlug(), PtyPlug()}) {
        SCOPED_TRACE(plug.name);
        auto args = plug.hostArgs();
        args.push_back("--exit-on-removal");
        auto host = StartHost(args);
        std::vector<std::unique_ptr<ChildProcess>> clients;
        TwoClientsGetData(clients, *host);
        plug.pull(*host);
        EXPECT_EQ(host->Wait(kExitBound), 8) << Dump(*host);
        EXPECT_TRUE(host->WaitForLine(plug.removalLine, 0s)) << Dump(*host);
        EXPECT_NE(host->Errors().find("error: the USB device was removed"), std::string::npos)
            << host->Errors();
        EXPECT_FALSE(host->WaitForLine("waiting for ", 0s)) << Dump(*host);
        for (auto& client : clients) {
            EXPECT_EQ(client->Wait(kExitBound), 1) << Dump(*client);
            EXPECT_TRUE(client->WaitForLine("\"state\":1}", 0s)) << Dump(*client);
        }
    }
}

}  // namespace
}  // namespace geolumen::host
