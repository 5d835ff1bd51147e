// The driver against the simulated module through a raw pseudo-terminal, which delivers bytes as a Linux
// cdc-wdm device does: as a stream without message boundaries. The module's frames go out in pieces, and
// each piece is read by the driver on its own before the next one is written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "driver/usb_transport.h"
#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"
#include "halyx/halyx_usb_transport.h"
#include "platform/cdc_wdm_usb_target.h"
#include "sim/sim_frame.h"
#include "sim/sim_location_service.h"
#include "sim/sim_pty_module.h"
#include "support/halyx_test_support.h"
#include "support/spoilt_frames.h"
#include "support/target_stack.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;

// The module on the pseudo-terminal's master side. Commands are cut out of the stream by their multiplex
// length; responses are written in the pieces `split` gives, each one waited for until the driver read it.
class PtyModule {
  public:
    using Split = std::function<std::vector<std::size_t>(std::size_t frameSize)>;

    PtyModule() {
        EXPECT_EQ(::openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
        termios raw{};
        EXPECT_EQ(::tcgetattr(slave_, &raw), 0);
        ::cfmakeraw(&raw);
        EXPECT_EQ(::tcsetattr(slave_, TCSANOW, &raw), 0);
        EXPECT_EQ(::pipe2(stop_, O_CLOEXEC), 0);
        target = std::make_shared<CdcWdmUsbTarget>(slave_);
        target->SetFrameRule(&halyx_mux_frame_check);
        reader_ = target.get();
        module.SetNotifier([this] { WriteResponse(); });
        thread_ = std::thread([this] { ReadCommands(); });
    }
    ~PtyModule() {
        module.SetNotifier(nullptr);
        (void)!::write(stop_[1], "s", 1);
        thread_.join();
        target.reset();
        for (int fd : {master_, stop_[0], stop_[1]}) ::close(fd);
    }
    void SetSplit(Split split) {
        std::lock_guard lock(mutex_);
        split_ = std::move(split);
    }
    // Bytes put on the stream as they are, in one piece the driver reads before anything else: garbage,
    // or frames built by hand.
    void WriteRaw(const Bytes& bytes) { WritePiece(bytes); }

    sim::SimModule module;
    std::shared_ptr<CdcWdmUsbTarget> target;

  private:
    void WriteResponse() {
        std::lock_guard writing(writeMutex_);
        Bytes b(8192);
        std::size_t n = 0;
        if (module.TakeResponse(b, n) != 0 || n == 0) return;
        Split split;
        {
            std::lock_guard lock(mutex_);
            split = split_;
        }
        std::size_t at = 0;
        for (std::size_t size : split ? split(n) : std::vector<std::size_t>{n}) {
            size = std::min(size, n - at);
            WritePiece(Bytes(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + size)));
            at += size;
        }
        if (at < n) WritePiece(Bytes(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(n)));
    }
    void WritePiece(const Bytes& piece) {
        const std::uint64_t before = written_;
        ASSERT_EQ(::write(master_, piece.data(), piece.size()), static_cast<long>(piece.size()));
        written_ += piece.size();
        // The piece is read on its own: the next one is written only once the driver has it.
        const auto until = std::chrono::steady_clock::now() + kPromptly;
        while (reader_->BytesReceived() < before + piece.size() && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
    }
    void ReadCommands() {
        Bytes stream;
        std::uint8_t b[4096];
        for (;;) {
            pollfd fds[2] = {{master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0) return;
            const long n = ::read(master_, b, sizeof b);
            if (n <= 0) return;
            stream.insert(stream.end(), b, b + n);
            sim::HandStreamCommands(stream, module);
        }
    }

    int master_ = -1;
    int slave_ = -1;
    int stop_[2] = {-1, -1};                   // ends the command reader
    const CdcWdmUsbTarget* reader_ = nullptr;  // the driver's end, for the bytes it has read
    std::mutex mutex_;
    Split split_;
    std::atomic<std::uint64_t> written_{0};
    std::mutex writeMutex_;  // one response's pieces are never mixed with another's
    std::thread thread_;
};

struct Received {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::pair<std::uint16_t, std::uint32_t>> indications;  // message id, payload length
    std::vector<Bytes> payloads;

    static void On(halyx_client*, std::uint16_t id, const void* payload, std::uint32_t length, void* data) {
        auto* self = static_cast<Received*>(data);
        {
            std::lock_guard lock(self->mutex);
            self->indications.emplace_back(id, length);
            const auto* bytes = static_cast<const std::uint8_t*>(payload);
            self->payloads.emplace_back(bytes, bytes + (payload ? length : 0));
        }
        self->cv.notify_all();
    }
    // Waits until `payload` came.
    bool WaitForPayload(const Bytes& payload) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, kPromptly, [&] {
            return std::find(payloads.begin(), payloads.end(), payload) != payloads.end();
        });
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, kPromptly, [&] { return indications.size() >= count; });
    }
};

TEST(CdcWdmPseudoTerminal, ModuleFramesInPiecesReachTheClientWhole) {
    PtyModule peer;
    // Every answer of the opening in 7-byte pieces: before the stream was framed, the client never opened.
    peer.SetSplit([](std::size_t size) { return std::vector<std::size_t>((size + 6) / 7, 7); });
    TargetStack stack;
    ASSERT_TRUE(stack.Start(peer.target));
    Received received;
    halyx_client* client = TargetStack::OpenClient(&Received::On, &received);
    ASSERT_NE(client, nullptr);
    halyx_result resp{-1, -1};
    EXPECT_EQ(TargetStack::StopSession(client, resp), 0);

    // An 80-satellite report of 2261 bytes as 2048 + 213, after garbage; then a position report whole.
    peer.SetSplit(
        [](std::size_t size) { return std::vector<std::size_t>{std::min<std::size_t>(size, 2048)}; });
    std::vector<sim::SimSatellite> sats(80, sim::SimSatellite{0x3F, 1, 7, 45.0f, 180.0f, 38.5f});
    peer.WriteRaw({0x00, 0x7E, 0xFF});
    peer.module.Indicate(kHalyxLocSatelliteReport, sim::SimLocationService::EncodeSatellites(sats, 0));
    peer.module.Indicate(kHalyxLocPositionReport, {{0x01, sim::U32(0)}, {0x02, sim::U8(1)}});
    ASSERT_TRUE(received.WaitFor(2));
    {
        std::lock_guard lock(received.mutex);
        EXPECT_EQ(received.indications[0], (std::pair<std::uint16_t, std::uint32_t>{0x25, 2248}));
        EXPECT_EQ(received.indications[1], (std::pair<std::uint16_t, std::uint32_t>{0x24, 11}));
    }
    EXPECT_EQ(halyx_close_client(client), 0);
}

// Through the whole stack: each way of spoiling a report, followed by twenty good ones, on one open
// client. The client receives every good report in order; the spoilt ones cost only themselves.
TEST(CdcWdmPseudoTerminal, ASpoiltReportCostsTheClientOnlyItself) {
    constexpr int kGoodAfter = 20;
    PtyModule peer;
    TargetStack stack;
    ASSERT_TRUE(stack.Start(peer.target));
    Received received;
    halyx_client* client = TargetStack::OpenClient(&Received::On, &received);
    ASSERT_NE(client, nullptr);
    const std::uint8_t id = peer.module.ClientId();
    ASSERT_NE(id, 0);

    std::vector<Bytes> sent;  // payloads of the good reports, in order
    std::uint64_t utcMs = 1000;
    for (const Spoil& spoil : kSpoils) {
        Bytes first = spoil.make(ReportFrame(999000, id));
        for (int i = 0; i < kGoodAfter; ++i) {
            utcMs += 120;
            const Bytes frame = ReportFrame(utcMs, id);
            sent.push_back(ReportPayload(utcMs));
            if (i == 0 && spoil.withNext) {
                first.insert(first.end(), frame.begin(), frame.end());
                peer.WriteRaw(first);
                continue;
            }
            if (i == 0) peer.WriteRaw(first);
            peer.WriteRaw(frame);
        }
    }
    ASSERT_TRUE(received.WaitForPayload(sent.back()));
    std::vector<std::size_t> kept;
    {
        std::lock_guard lock(received.mutex);
        for (const Bytes& p : received.payloads) {
            const auto at = std::find(sent.begin(), sent.end(), p);
            if (at != sent.end()) kept.push_back(static_cast<std::size_t>(at - sent.begin()));
        }
    }
    std::vector<std::size_t> all(sent.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    EXPECT_EQ(kept, all);
    EXPECT_EQ(halyx_close_client(client), 0);
}

}  // namespace
}  // namespace geolumen::testing
