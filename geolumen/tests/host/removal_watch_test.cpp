// The watch between the driver and the USB back end: which failures mean the device has gone, that the
// news comes once and stops the reader, and that the real back ends' pulled devices are found: the
// simulated module's unplug and a pseudo-terminal's hang-up.
#include "host/removal_watch.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "halyx/halyx_mux.h"
#include "platform/cdc_wdm_usb_target.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen::host {
namespace {

using namespace std::chrono_literals;
constexpr auto kBound = 10s;

// A back end whose transfers answer what the test says and whose reader the test drives by hand.
class ScriptedTarget final : public UsbTarget {
  public:
    int transferStatus = 0;
    UsbReaderCallbacks callbacks;
    int releases = 0;

    std::size_t InterfaceCount() const override { return 1; }
    int RetrieveInterface(std::size_t, std::vector<UsbEndpointInfo>& endpoints) override {
        endpoints = {UsbEndpointInfo{0x81, UsbPipeType::Interrupt, 16}};
        return 0;
    }
    int ControlTransfer(const UsbSetupPacket&, std::span<std::uint8_t>, std::size_t& transferred) override {
        transferred = 0;
        return transferStatus;
    }
    int ConfigureContinuousReader(std::uint8_t, std::size_t, unsigned, UsbReaderCallbacks c) override {
        callbacks = std::move(c);
        return 0;
    }
    int StartReader() override { return 0; }
    int StopReader() override { return 0; }
    void ReleaseReader() override {
        ++releases;
        callbacks = {};
    }
};

// What the driver and the host saw through the watch.
struct Seen {
    std::mutex mutex;
    std::condition_variable cv;
    int goneCalls = 0;
    int goneStatus = 0;
    int driverFailures = 0;

    RemovalWatch::Gone Gone() {
        return [this](int status) {
            {
                std::lock_guard lock(mutex);
                ++goneCalls;
                goneStatus = status;
            }
            cv.notify_all();
        };
    }
    bool WaitForGone() {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, kBound, [&] { return goneCalls > 0; });
    }
    UsbReaderCallbacks DriverCallbacks() {
        return UsbReaderCallbacks{[](std::size_t) {},
                                  [this](int) {
                                      std::lock_guard lock(mutex);
                                      ++driverFailures;
                                      return true;  // the driver always asks for a restart
                                  }};
    }
};

// One step the back end takes: a reader completion, a reader failure, or a transfer's answer.
struct Step {
    enum Kind { kComplete, kReaderFails, kTransferFails } kind;
    int status = 0;
};

TEST(RemovalWatch, WhichFailuresMeanTheDeviceHasGone) {
    const int many = static_cast<int>(kReaderFailuresBeforeGone);
    auto failures = [](int count, int status) {
        return std::vector<Step>(count, Step{Step::kReaderFails, status});
    };
    struct Row {
        const char* legend;
        std::vector<Step> steps;
        int goneStatus;          // 0: still there
        bool lastRestartAnswer;  // what the reader was told after its last failure
    };
    std::vector<Row> rows = {
        {"reader: no such device", {{Step::kReaderFails, -ENODEV}}, -ENODEV, false},
        {"reader: device shut down", {{Step::kReaderFails, -ESHUTDOWN}}, -ESHUTDOWN, false},
        {"reader: no such device or address", {{Step::kReaderFails, -ENXIO}}, -ENXIO, false},
        {"reader: one I/O error is restarted", {{Step::kReaderFails, -EIO}}, 0, true},
        {"reader: I/O errors in a row give up", failures(many, -EIO), -EIO, false},
        {"reader: a completion between errors starts the count again", {}, 0, true},
        {"transfer: no such device", {{Step::kTransferFails, -ENODEV}}, -ENODEV, true},
        {"transfer: a stalled request is the device's answer", {{Step::kTransferFails, -EPIPE}}, 0, true},
        {"transfer: a time-out is not a removal", {{Step::kTransferFails, -ETIMEDOUT}}, 0, true},
        {"two gone signs report once, with the first",
         {{Step::kTransferFails, -ENODEV}, {Step::kReaderFails, -ESHUTDOWN}},
         -ENODEV,
         false},
    };
    rows[5].steps = failures(many - 1, -EIO);
    rows[5].steps.push_back({Step::kComplete, 0});
    rows[5].steps.push_back({Step::kReaderFails, -EIO});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        auto target = std::make_shared<ScriptedTarget>();
        Seen seen;
        RemovalWatch watch(target, seen.Gone());
        ASSERT_EQ(watch.ConfigureContinuousReader(0x81, 2048, 2, seen.DriverCallbacks()), 0);
        std::optional<bool> restart;
        int readerFailures = 0;
        for (const Step& step : row.steps) {
            if (step.kind == Step::kComplete) {
                target->callbacks.completed(8);
            } else if (step.kind == Step::kReaderFails) {
                restart = target->callbacks.failed(step.status);
                ++readerFailures;
            } else {
                target->transferStatus = step.status;
                std::uint8_t buffer[4];
                std::size_t n = 99;
                EXPECT_EQ(watch.ControlTransfer(kSendEncapsulatedCommand, buffer, n), step.status);
                EXPECT_EQ(n, 0u);
            }
        }
        EXPECT_EQ(watch.GoneStatus(), row.goneStatus);
        EXPECT_EQ(seen.goneCalls, row.goneStatus != 0 ? 1 : 0);
        if (row.goneStatus != 0) {
            EXPECT_EQ(seen.goneStatus, row.goneStatus);
        }
        // The driver hears of every reader failure, gone or not: it keeps the status.
        EXPECT_EQ(seen.driverFailures, readerFailures);
        if (restart) {
            EXPECT_EQ(*restart, row.lastRestartAnswer);
        }
    }
}

TEST(RemovalWatch, ReleasedBackEndAnswersNoDeviceAndIsLetGo) {
    auto target = std::make_shared<ScriptedTarget>();
    Seen seen;
    RemovalWatch watch(target, seen.Gone());
    ASSERT_EQ(watch.ConfigureContinuousReader(0x81, 2048, 2, seen.DriverCallbacks()), 0);
    watch.ReleaseInner();
    EXPECT_EQ(target->releases, 1);
    EXPECT_EQ(target.use_count(), 1) << "the watch still holds the back end";
    std::uint8_t buffer[4];
    std::size_t n = 0;
    std::vector<UsbEndpointInfo> endpoints;
    EXPECT_EQ(watch.ControlTransfer(kGetEncapsulatedResponse, buffer, n), -ENODEV);
    EXPECT_EQ(watch.RetrieveInterface(0, endpoints), -ENODEV);
    EXPECT_EQ(watch.InterfaceCount(), 0u);
    EXPECT_EQ(watch.StartReader(), -ENODEV);
    // A released back end is one the host let go of: it is no news.
    EXPECT_EQ(seen.goneCalls, 0);
}

// The real back ends under the watch, pulled while their reader runs.
TEST(RemovalWatch, PulledBackEndsAreFound) {
    struct Row {
        const char* legend;
        std::function<std::shared_ptr<UsbTarget>(std::function<void()>& pull)> open;
    };
    sim::SimModule module;
    int master = -1;
    const Row rows[] = {
        {"simulated module unplugged",
         [&](std::function<void()>& pull) {
             auto target = std::make_shared<sim::SimUsbTarget>(module);
             pull = [raw = target.get()] { raw->Unplug(); };
             return target;
         }},
        {"pseudo-terminal hung up",
         [&](std::function<void()>& pull) -> std::shared_ptr<UsbTarget> {
             int slave = -1;
             if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return nullptr;
             termios raw{};
             ::tcgetattr(slave, &raw);
             ::cfmakeraw(&raw);
             ::tcsetattr(slave, TCSANOW, &raw);
             auto target = std::make_shared<CdcWdmUsbTarget>(slave);
             target->SetFrameRule(&halyx_mux_frame_check);
             pull = [&] {
                 ::close(master);
                 master = -1;
             };
             return target;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        std::function<void()> pull;
        auto target = row.open(pull);
        ASSERT_TRUE(target);
        Seen seen;
        RemovalWatch watch(target, seen.Gone());
        target.reset();
        ASSERT_EQ(watch.ConfigureContinuousReader(0x81, 2048, 2, seen.DriverCallbacks()), 0);
        ASSERT_EQ(watch.StartReader(), 0);
        pull();
        ASSERT_TRUE(seen.WaitForGone());
        EXPECT_EQ(watch.GoneStatus(), -ENODEV);
        std::uint8_t buffer[16] = {1, 2, 3};
        std::size_t n = 0;
        EXPECT_EQ(watch.ControlTransfer(kSendEncapsulatedCommand, buffer, n), -ENODEV);
        watch.ReleaseInner();
        EXPECT_EQ(seen.goneCalls, 1);
    }
}

}  // namespace
}  // namespace geolumen::host
