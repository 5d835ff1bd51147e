// The CDC WDM character-device back end, against a pseudo-device: a sequenced-packet socket pair keeps
// message boundaries as the device file does.
#include "platform/cdc_wdm_usb_target.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "driver/usb_transport.h"
#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"
#include "halyx/halyx_usb_transport.h"
#include "sim/sim_frame.h"
#include "support/halyx_test_support.h"
#include "support/target_stack.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;

struct PseudoDevice {
    PseudoDevice() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0); }
    ~PseudoDevice() {
        if (fds[1] >= 0) ::close(fds[1]);
    }
    // The driver's end; the target owns it from here on.
    int TakeDriverEnd() { return std::exchange(fds[0], -1); }
    void CloseModuleEnd() { ::close(std::exchange(fds[1], -1)); }
    int Module() const { return fds[1]; }
    Bytes ReadPacket() const {
        Bytes b(8192);
        const long n = ::recv(fds[1], b.data(), b.size(), 0);
        b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return b;
    }
    void WritePacket(const Bytes& b) const {
        ASSERT_EQ(::send(fds[1], b.data(), b.size(), 0), static_cast<long>(b.size()));
    }
    int fds[2] = {-1, -1};
};

// Counts the reader's notifications.
struct Notifications {
    std::mutex mutex;
    std::condition_variable cv;
    int completed = 0;
    int failed = 0;
    int last_failure = 0;

    UsbReaderCallbacks Callbacks() {
        UsbReaderCallbacks cb;
        cb.completed = [this](std::size_t) {
            {
                std::lock_guard lock(mutex);
                ++completed;
            }
            cv.notify_all();
        };
        cb.failed = [this](int status) {
            {
                std::lock_guard lock(mutex);
                ++failed;
                last_failure = status;
            }
            cv.notify_all();
            return false;
        };
        return cb;
    }
    bool WaitFor(int completions, int failures = 0) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, kPromptly, [&] { return completed >= completions && failed >= failures; });
    }
    int Completed() {
        std::lock_guard lock(mutex);
        return completed;
    }
};

// The next response the target hands out; empty when none waits.
Bytes NextResponse(CdcWdmUsbTarget& target) {
    Bytes buffer(4096);
    std::size_t n = 0;
    EXPECT_EQ(target.ControlTransfer(kGetEncapsulatedResponse, buffer, n), 0);
    buffer.resize(n);
    return buffer;
}

// A target on a fresh pseudo-device, with a notification counter for its reader.
class CdcWdmTargetTest : public ::testing::Test {
  protected:
    void ConfigureReader() {
        ASSERT_EQ(target.ConfigureContinuousReader(kCdcWdmNotifyEndpoint, 2048, 2, seen.Callbacks()), 0);
    }
    Notifications seen;  // outlives the target, whose reader calls it
    PseudoDevice dev;
    CdcWdmUsbTarget target{dev.TakeDriverEnd()};
};

TEST_F(CdcWdmTargetTest, ReportsOneInterfaceWithTheNotificationEndpoint) {
    ASSERT_EQ(target.InterfaceCount(), 1u);
    std::vector<UsbEndpointInfo> endpoints;
    ASSERT_EQ(target.RetrieveInterface(0, endpoints), 0);
    ASSERT_EQ(endpoints.size(), 1u);
    EXPECT_TRUE(endpoints[0].IsIn());
    EXPECT_EQ(endpoints[0].type, UsbPipeType::Interrupt);
    EXPECT_EQ(target.RetrieveInterface(1, endpoints), -EINVAL);
    std::unique_ptr<CdcWdmUsbTarget> missing;
    EXPECT_EQ(CdcWdmUsbTarget::Open("/nonexistent/cdc-wdm9", missing), -ENOENT);
}

TEST_F(CdcWdmTargetTest, CommandIsOneWriteAndResponseOneRead) {
    Bytes command{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x27, 0x00, 0x00, 0x00};
    std::size_t n = 0;
    ASSERT_EQ(target.ControlTransfer(kSendEncapsulatedCommand, command, n), 0);
    EXPECT_EQ(n, command.size());
    EXPECT_EQ(dev.ReadPacket(), command);

    EXPECT_TRUE(NextResponse(target).empty()) << "nothing waiting: 0 bytes, no blocking";
    dev.WritePacket({1, 2, 3});
    dev.WritePacket({4, 5});
    EXPECT_EQ(NextResponse(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(NextResponse(target), (Bytes{4, 5}));
    Bytes buffer(4096);
    EXPECT_EQ(target.ControlTransfer(UsbSetupPacket{0xA1, 0x22, 0, 0, 0}, buffer, n), -EPIPE)
        << "other request";
}

TEST_F(CdcWdmTargetTest, ReadabilityIsOneNotificationPerResponse) {
    ConfigureReader();
    EXPECT_EQ(target.ConfigureContinuousReader(kCdcWdmNotifyEndpoint, 2048, 2, seen.Callbacks()), -EBUSY);
    dev.WritePacket({0xAA});
    EXPECT_EQ(seen.Completed(), 0) << "not started yet";
    ASSERT_EQ(target.StartReader(), 0);
    ASSERT_TRUE(seen.WaitFor(1));
    // Still readable, but reported already: no second notification until it is fetched.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(seen.Completed(), 1);
    EXPECT_EQ(NextResponse(target), (Bytes{0xAA}));
    dev.WritePacket({0xBB});
    ASSERT_TRUE(seen.WaitFor(2));
    ASSERT_EQ(target.StopReader(), 0);
    ASSERT_EQ(target.StartReader(), 0) << "restartable";
    ASSERT_EQ(target.StopReader(), 0);
}

TEST_F(CdcWdmTargetTest, ResponsesReadInOnePieceAreHandedOutOneByOne) {
    target.SetFrameRule(&halyx_mux_frame_check);
    ConfigureReader();
    ASSERT_EQ(target.StartReader(), 0);
    // Two frames back to back, as the kernel driver returns responses that queued up before a read:
    // a sync (12 bytes, length 11) and a 7-byte frame (length 6), then the start of a frame whose length
    // runs past the end, which waits for the rest of its bytes.
    const Bytes sync{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x27, 0x00, 0x00, 0x00};
    const Bytes small{0x01, 0x06, 0x00, 0x00, 0x10, 0x05, 0xEE};
    const Bytes overlong{0x01, 0x40, 0x00, 0x00};
    Bytes packet = sync;
    packet.insert(packet.end(), small.begin(), small.end());
    packet.insert(packet.end(), overlong.begin(), overlong.end());
    dev.WritePacket(packet);
    int notified = 0;
    for (const Bytes& expected : {sync, small}) {
        ASSERT_TRUE(seen.WaitFor(++notified)) << "one notification per message";
        EXPECT_EQ(NextResponse(target), expected);
    }
    EXPECT_TRUE(NextResponse(target).empty()) << "a partial frame is not handed out";
    EXPECT_EQ(seen.Completed(), 2);
    ASSERT_EQ(target.StopReader(), 0);
}

TEST_F(CdcWdmTargetTest, FramesThatComeBeforeTheLastIsFetchedAreAnnouncedInOrder) {
    target.SetFrameRule(&halyx_mux_frame_check);
    ConfigureReader();
    ASSERT_EQ(target.StartReader(), 0);
    const Bytes first{0x01, 0x06, 0x00, 0x00, 0x10, 0x05, 0x01};
    const Bytes second{0x01, 0x06, 0x00, 0x00, 0x10, 0x05, 0x02};
    const Bytes third{0x01, 0x06, 0x00, 0x00, 0x10, 0x05, 0x03};
    dev.WritePacket(first);
    ASSERT_TRUE(seen.WaitFor(1));
    // The reader holds the first frame unfetched while the next ones arrive: they stay in the device until
    // the fetch, then each gets its own notification.
    dev.WritePacket(second);
    dev.WritePacket(third);
    int notified = 1;
    for (const Bytes& expected : {first, second, third}) {
        ASSERT_TRUE(seen.WaitFor(notified++)) << "one notification per frame";
        EXPECT_EQ(NextResponse(target), expected);
    }
    EXPECT_TRUE(NextResponse(target).empty());
    EXPECT_EQ(seen.Completed(), 3);
    ASSERT_EQ(target.StopReader(), 0);
}

TEST_F(CdcWdmTargetTest, UnpluggedDeviceFailsTransfersAndTheReader) {
    ConfigureReader();
    ASSERT_EQ(target.StartReader(), 0);
    dev.CloseModuleEnd();
    ASSERT_TRUE(seen.WaitFor(0, 1));
    EXPECT_EQ(seen.last_failure, -ENODEV);
    Bytes command{1, 2, 3};
    std::size_t n = 0;
    EXPECT_EQ(target.ControlTransfer(kSendEncapsulatedCommand, command, n), -ENODEV);
    EXPECT_EQ(target.StopReader(), 0);
}

// System calls that fail as told, then pass through.
struct ScriptedSyscalls : CdcWdmSyscalls {
    std::vector<int> writeErrors;
    std::vector<int> readErrors;
    long Write(int fd, const void* buffer, std::size_t length) override {
        if (!writeErrors.empty()) {
            errno = writeErrors.front();
            writeErrors.erase(writeErrors.begin());
            return -1;
        }
        return CdcWdmSyscalls::Write(fd, buffer, length);
    }
    long Read(int fd, void* buffer, std::size_t length) override {
        if (!readErrors.empty()) {
            errno = readErrors.front();
            readErrors.erase(readErrors.begin());
            return -1;
        }
        return CdcWdmSyscalls::Read(fd, buffer, length);
    }
};

TEST(CdcWdmUsbTarget, InterruptedCallsAreRetriedAndErrorsReported) {
    const struct {
        const char* legend;
        std::vector<int> errors;
        int expected;
    } rows[] = {
        {"EINTR twice, then through", {EINTR, EINTR}, 0},
        {"EIO", {EIO}, -EIO},
        {"ENODEV", {ENODEV}, -ENODEV},
        {"EINTR without end", std::vector<int>(kCdcWdmEintrRetries, EINTR), -EINTR},
    };
    for (const auto& row : rows) {
        for (bool isWrite : {true, false}) {
            PseudoDevice dev;
            auto sys = std::make_unique<ScriptedSyscalls>();
            (isWrite ? sys->writeErrors : sys->readErrors) = row.errors;
            CdcWdmUsbTarget target(dev.TakeDriverEnd(), std::move(sys));
            if (!isWrite) dev.WritePacket({7, 7});
            Bytes buffer{9, 9};
            std::size_t n = 0;
            EXPECT_EQ(target.ControlTransfer(isWrite ? kSendEncapsulatedCommand : kGetEncapsulatedResponse,
                                             buffer, n),
                      row.expected)
                << row.legend << (isWrite ? " on write" : " on read");
            EXPECT_EQ(n, row.expected == 0 ? 2u : 0u) << row.legend;
            if (row.expected == -ENODEV) {
                EXPECT_EQ(target.ControlTransfer(kSendEncapsulatedCommand, buffer, n), -ENODEV)
                    << "stays gone";
            }
        }
    }
}

// The simulated module on the far end of the pseudo-device: every packet is a command, every response
// it queues is written back as one packet.
class SocketModule {
  public:
    explicit SocketModule(int fd) : fd_(fd) {
        module.SetNotifier([this] {
            Bytes b(8192);
            std::size_t n = 0;
            if (module.TakeResponse(b, n) == 0 && n > 0) (void)::send(fd_, b.data(), n, MSG_NOSIGNAL);
        });
        thread_ = std::thread([this] {
            Bytes b(8192);
            for (;;) {
                const long n = ::recv(fd_, b.data(), b.size(), 0);
                if (n <= 0) return;
                (void)module.HandleCommand(
                    std::span<const std::uint8_t>(b.data(), static_cast<std::size_t>(n)));
            }
        });
    }
    ~SocketModule() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        module.SetNotifier(nullptr);
    }
    sim::SimModule module;

  private:
    int fd_;
    std::thread thread_;
};

TEST(CdcWdmUsbTarget, DriverTalksToTheModuleThroughTheCharacterDevice) {
    PseudoDevice dev;
    SocketModule peer(dev.Module());
    TargetStack stack;
    ASSERT_TRUE(stack.Start(std::make_shared<CdcWdmUsbTarget>(dev.TakeDriverEnd())));
    halyx_client* client = TargetStack::OpenClient();
    ASSERT_NE(client, nullptr);
    halyx_result resp{-1, -1};
    EXPECT_EQ(TargetStack::StopSession(client, resp), 0);
    EXPECT_EQ(resp.result, 0);
    EXPECT_EQ(halyx_close_client(client), 0);
    // Sync, client id, two version requests, the stop request, the release.
    EXPECT_EQ(peer.module.Received().size(), 6u);
}

}  // namespace
}  // namespace geolumen::testing
