// The message stack reaches the device only through the port the driver hands it: sends and fetches go
// to whichever port is current, and without one they fail as with no device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/usb_transport.h"
#include "halyx/halyx_mux.h"
#include "halyx/halyx_usb_transport.h"
#include "sim/sim_frame.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;

// A port that records what is sent and hands out one queued response per fetch.
struct FakePort {
    static inline int sendResult = 1;
    static inline int receiveResult = 1;
    static inline std::vector<Bytes> sent;
    static inline std::vector<Bytes> queued;

    static int Send(const std::uint8_t* buffer, std::size_t length) {
        sent.emplace_back(buffer, buffer + length);
        return sendResult;
    }
    static int Receive(std::uint8_t* buffer, std::size_t length, std::size_t* transferred) {
        if (transferred == nullptr) return 0;
        *transferred = 0;
        if (queued.empty()) return receiveResult;
        const Bytes next = queued.front();
        queued.erase(queued.begin());
        *transferred = std::min(length, next.size());
        std::memcpy(buffer, next.data(), *transferred);
        return receiveResult;
    }
    static void Reset() {
        sendResult = 1;
        receiveResult = 1;
        sent.clear();
        queued.clear();
    }
};

class HalyxUsbPortTest : public HalyxStackTest {
  protected:
    void SetUp() override {
        HalyxStackTest::SetUp();
        FakePort::Reset();
        ASSERT_EQ(stack.Start(), 0);
        (void)StopResponseReader(&stack.device);  // fetch by hand below
    }
};

// Indication with an empty payload: the smallest user message (13 bytes, length 12).
const Bytes kUserMessage{0x01, 0x0C, 0x00, 0x00, 0x10, 0x05, 0x04, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00};

TEST_F(HalyxUsbPortTest, SendsAndFetchesGoThroughTheCurrentPort) {
    static const halyx_usb_port fake{&FakePort::Send, &FakePort::Receive};
    static const halyx_usb_port sendOnly{&FakePort::Send, nullptr};
    static const halyx_usb_port receiveOnly{nullptr, &FakePort::Receive};
    const struct {
        const char* legend;
        const halyx_usb_port* port;
        int sendResult;
        int receiveResult;
        int expectedSend;
        std::size_t expectedSent;  // frames the fake port saw
        int expectedRead;
    } cases[] = {
        {"port sends and fetches", &fake, 1, 1, kHalyxOk, 1, 1},
        {"port's send fails", &fake, 0, 1, kHalyxErrSend, 1, 1},
        {"port's send gives an odd result", &fake, 2, 1, kHalyxErrSend, 1, 1},
        {"port's fetch fails", &fake, 1, 0, kHalyxOk, 1, 0},
        {"no port", nullptr, 1, 1, kHalyxErrSend, 0, 0},
        {"port without send", &receiveOnly, 1, 1, kHalyxErrSend, 0, 1},
        {"port without fetch", &sendOnly, 1, 1, kHalyxOk, 1, 0},
    };
    std::vector<std::uint8_t> buffer(kHalyxReaderBufferSize);
    for (const auto& c : cases) {
        FakePort::Reset();
        FakePort::sendResult = c.sendResult;
        FakePort::receiveResult = c.receiveResult;
        FakePort::queued.push_back(kUserMessage);
        halyx_set_usb_port(c.port);
        const std::size_t before = stack.module.Received().size();

        std::uint8_t frame[kHalyxMuxHeaderSize + 2] = {0, 0, 0, 0, 0, 0, 0xAB, 0xCD};
        EXPECT_EQ(halyx_mux_send(0, 0x10, 5, frame + kHalyxMuxHeaderSize, 2), c.expectedSend) << c.legend;
        ASSERT_EQ(FakePort::sent.size(), c.expectedSent) << c.legend;
        if (c.expectedSent == 1) {
            EXPECT_EQ(FakePort::sent[0], (Bytes{0x01, 0x07, 0x00, 0x00, 0x10, 0x05, 0xAB, 0xCD})) << c.legend;
        }
        EXPECT_EQ(stack.module.Received().size(), before)
            << c.legend << ": the device was reached around the port";

        std::size_t count = 99;
        EXPECT_EQ(halyx_usb_read_one(buffer.data(), kHalyxUsbReadSize, count), c.expectedRead) << c.legend;
        EXPECT_EQ(count, c.expectedRead == 1 ? kUserMessage.size() : 0u) << c.legend;
    }

    // Making a device active hands the stack the driver's own port again.
    SetActiveUsbTransport(&stack.device);
    const std::size_t before = stack.module.Received().size();
    std::uint8_t frame[kHalyxMuxHeaderSize + 1] = {};
    EXPECT_EQ(halyx_mux_send(0, 0x10, 5, frame + kHalyxMuxHeaderSize, 1), kHalyxOk);
    EXPECT_EQ(stack.module.Received().size(), before + 1);
}

}  // namespace
}  // namespace geolumen::testing
