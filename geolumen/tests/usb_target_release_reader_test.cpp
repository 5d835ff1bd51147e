// Releasing a USB target's reader leaves the device ready for the next user: a new reader can be
// configured, and only its callbacks are called, never those of the released one.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/cdc_wdm_usb_target.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;
// A hang check: a notification arrives within milliseconds.
constexpr auto kNotifyBound = 10s;

struct Counter {
    std::atomic<int> completed{0};
    UsbReaderCallbacks Callbacks() {
        UsbReaderCallbacks cb;
        cb.completed = [this](std::size_t) { ++completed; };
        cb.failed = [](int) { return false; };
        return cb;
    }
    bool WaitFor(int n) {
        const auto until = std::chrono::steady_clock::now() + kNotifyBound;
        while (completed < n && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
        return completed >= n;
    }
};

TEST(UsbTargetReleaseReader, SimulatedDeviceTakesANewReaderAfterRelease) {
    sim::SimModule module;
    sim::SimUsbTarget target(module);
    Counter first;
    Counter second;
    ASSERT_EQ(target.ConfigureContinuousReader(0x81, 2048, 2, first.Callbacks()), 0);
    ASSERT_EQ(target.StartReader(), 0);
    target.ReleaseReader();
    ASSERT_EQ(target.ConfigureContinuousReader(0x81, 2048, 2, second.Callbacks()), 0) << "not busy any more";
    ASSERT_EQ(target.StartReader(), 0);
    module.SendRaw({0x01, 0x05, 0x00, 0x00, 0x00, 0x00});
    EXPECT_TRUE(second.WaitFor(1));
    EXPECT_EQ(first.completed, 0);
    target.ReleaseReader();
}

TEST(UsbTargetReleaseReader, CharacterDeviceTakesANewReaderAfterRelease) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    CdcWdmUsbTarget target(fds[0]);
    Counter first;
    Counter second;
    ASSERT_EQ(target.ConfigureContinuousReader(kCdcWdmNotifyEndpoint, 2048, 2, first.Callbacks()), 0);
    ASSERT_EQ(target.StartReader(), 0);
    target.ReleaseReader();
    ASSERT_EQ(target.ConfigureContinuousReader(kCdcWdmNotifyEndpoint, 2048, 2, second.Callbacks()), 0)
        << "not busy any more";
    ASSERT_EQ(target.StartReader(), 0);
    const unsigned char response[] = {0xAA};
    ASSERT_EQ(::send(fds[1], response, sizeof response, 0), 1);
    EXPECT_TRUE(second.WaitFor(1));
    EXPECT_EQ(first.completed, 0);
    target.ReleaseReader();
    ::close(fds[1]);
}

}  // namespace
}  // namespace geolumen
