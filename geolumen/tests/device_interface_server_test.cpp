// The host side of the device-interface channel against peers that misbehave: stalled, cut, too many.
#include "platform/device_interface_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "radio_test_support.h"

namespace geolumen::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kStallBound = 300ms;
const GUID kTestInterface = kRadioDeviceInterface;

// Reads until the server closes or `bound` passes: what came, and whether it closed.
std::pair<std::vector<uint8_t>, bool> UntilClosed(int fd, std::chrono::milliseconds bound) {
    std::vector<uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + bound;
    for (;;) {
        uint8_t buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            got.insert(got.end(), buffer, buffer + n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return {got, true};
        if (std::chrono::steady_clock::now() >= end) return {got, false};
        std::this_thread::sleep_for(2ms);
    }
}

size_t ThreadsOfThisProcess() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

class DeviceInterfaceServerTest : public ::testing::Test {
  protected:
    // Echoes the input as the output; counts the connections that ended.
    void Publish(DeviceInterfaceServer::Limits limits) {
        server_ = std::make_unique<DeviceInterfaceServer>(
            DeviceInterfaceServer::Handlers{[](uint64_t, const ChannelRequest& request) {
                                                return ChannelReply{S_OK, request.input};
                                            },
                                            [this](uint64_t) { ++closed_; }},
            limits);
        ASSERT_EQ(server_->Publish(runDir_.Path(), kTestInterface), 0);
    }
    UnixFd Raw() {
        UnixFd fd = ConnectUnixSocket(server_->Entry());
        EXPECT_TRUE(fd.Valid());
        return fd;
    }
    // One whole I/O control through a handle: its status and output.
    std::pair<HRESULT, std::vector<uint8_t>> Echo(DeviceInterfaceHandle& handle, std::vector<uint8_t> input) {
        std::vector<uint8_t> output(input.size());
        size_t information = 0;
        const HRESULT hr = handle.IoControl(7, input, output, &information);
        output.resize(information);
        return {hr, output};
    }

    TempRunDir runDir_;
    std::atomic<int> closed_{0};
    std::unique_ptr<DeviceInterfaceServer> server_;  // last: it stops before what it reports to goes
};

// Every slot taken by one kind of peer: those that stall before their request is whole are closed once
// their time is up, one served and then quiet stays, and one more connection is told the server is busy.
TEST_F(DeviceInterfaceServerTest, StalledPeersAreClosedServedOnesStayExtraOnesHearBusy) {
    Publish({4, kStallBound});
    struct Peer {
        const char* legend;
        std::vector<uint8_t> bytes;  // sent right after connecting
        bool closed;
    };
    const std::vector<Peer> peers = {
        {"silent", {}, true},
        {"stopped inside the header", {7, 0, 0, 0, 4}, true},
        // Input length 64 KiB, output 0, then one byte of the body.
        {"announced the largest body, sent one byte", {7, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x5A}, true},
    };
    std::vector<UnixFd> stalled;
    for (const Peer& peer : peers) {
        stalled.push_back(Raw());
        if (!peer.bytes.empty()) {
            ASSERT_EQ(SendAll(stalled.back().Get(), peer.bytes), 0);
        }
    }
    DeviceInterfaceHandle served;
    ASSERT_EQ(DeviceInterfaceHandle::Open(server_->Entry(), &served), S_OK);
    EXPECT_EQ(Echo(served, {1, 2, 3}), std::make_pair(S_OK, std::vector<uint8_t>{1, 2, 3}));

    // The limit is reached: the next connection hears why before it asks anything, and a handle that asks
    // gets the same answer as its completion.
    UnixFd extra = Raw();
    auto [busy, extraClosed] = UntilClosed(extra.Get(), kStallBound / 2);
    EXPECT_TRUE(extraClosed);
    EXPECT_EQ(busy, EncodeChannelReply(ChannelReply{kChannelTooManyHandles, {}}));
    DeviceInterfaceHandle refused;
    ASSERT_EQ(DeviceInterfaceHandle::Open(server_->Entry(), &refused), S_OK);
    EXPECT_EQ(Echo(refused, {9}), std::make_pair(kChannelTooManyHandles, std::vector<uint8_t>{}));

    for (size_t i = 0; i < peers.size(); ++i) {
        SCOPED_TRACE(peers[i].legend);
        EXPECT_TRUE(UntilClosed(stalled[i].Get(), std::chrono::seconds(10)).second);
    }
    // Well past the bound, the quiet handle is still served, and the freed slots take new ones.
    std::this_thread::sleep_for(kStallBound);
    EXPECT_EQ(Echo(served, {4}), std::make_pair(S_OK, std::vector<uint8_t>{4}));
    DeviceInterfaceHandle late;
    ASSERT_EQ(DeviceInterfaceHandle::Open(server_->Entry(), &late), S_OK);
    EXPECT_EQ(Echo(late, {5, 6}), std::make_pair(S_OK, std::vector<uint8_t>{5, 6}));
    server_->Stop();
    // Every connection taken ended with its closed(): three stalled, two served.
    EXPECT_EQ(closed_.load(), 5);
}

// A request cut after every byte, the rest sent after a pause: the server puts it together as it comes.
TEST_F(DeviceInterfaceServerTest, RequestCutAnywhereIsServedWhole) {
    Publish({});
    const std::vector<uint8_t> input = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    const std::vector<uint8_t> request = EncodeChannelRequest(7, input, static_cast<uint32_t>(input.size()));
    // Status 0, information 6, then the echo.
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 6, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    for (size_t cut = 1; cut < request.size(); ++cut) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut));
        UnixFd fd = Raw();
        ASSERT_EQ(SendAll(fd.Get(), std::span(request).first(cut)), 0);
        std::this_thread::sleep_for(2ms);
        ASSERT_EQ(SendAll(fd.Get(), std::span(request).subspan(cut)), 0);
        std::vector<uint8_t> reply(expected.size());
        ASSERT_EQ(ReceiveAll(fd.Get(), reply), 0);
        EXPECT_EQ(reply, expected);
    }
}

// Many connections inside their largest request add no thread: the server's threads are all there once
// it is published.
TEST_F(DeviceInterfaceServerTest, AFloodOfOpenRequestsAddsNoThread) {
    Publish({64, kChannelRequestTimeout});
    const size_t threads = ThreadsOfThisProcess();
    const std::vector<uint8_t> header = {7, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    std::vector<UnixFd> peers;
    for (int i = 0; i < 64; ++i) {
        peers.push_back(Raw());
        ASSERT_EQ(SendAll(peers.back().Get(), header), 0);
    }
    // One more is refused, so the server has seen every one of them.
    UnixFd extra = Raw();
    EXPECT_TRUE(UntilClosed(extra.Get(), std::chrono::seconds(10)).second);
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
}

}  // namespace
}  // namespace geolumen::testing
