// The multiplexer and its control service: receive validation, transaction ids, client-id lists, the
// service lookup's capacity, and the control exchanges' faults.
#include "halyx/halyx_mux.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "halyx/halyx_transport.h"
#include "halyx/halyx_usb_transport.h"
#include "platform/event.h"
#include "sim/sim_frame.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;

class HalyxMuxTest : public HalyxStackTest {};

class StartedMuxTest : public HalyxStackTest {
  protected:
    void SetUp() override {
        HalyxStackTest::SetUp();
        ASSERT_EQ(stack.Start(), 0);
    }
};

struct ReceiveCase {
    const char* legend;
    Bytes frame;
    int expected;
};

TEST_F(StartedMuxTest, ReceiveValidatesHeaderBeforeRouting) {
    // A location response of 20 bytes: length field 19 = 20 - 1.
    const Bytes good{0x01, 0x13, 0x00, 0x00, 0x10, 0x05, 0x02, 0x01, 0x00, 0x21,
                     0x00, 0x07, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
    const auto with = [&good](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    const ReceiveCase cases[] = {
        {"valid user-service frame goes to the slot", good, 1},
        {"flags byte is not checked", with(3, 0x5A), 1},
        {"length 20 for 20 bytes", with(1, 0x14), 0},
        {"length 18 for 20 bytes", with(1, 0x12), 0},
        {"interface type 2", with(0, 0x02), 0},
        {"service 100", with(4, 100), 0},
        {"service 99 is accepted", with(4, 99), 1},
        {"broadcast client 255", with(5, 0xFF), 0},
        {"five bytes", Bytes(good.begin(), good.begin() + 5), 0},
        {"one byte", Bytes{0x01}, 0},
        {"nothing", Bytes{}, 0},
        // Multiplex header alone (length 5): a user service message without its message header.
        {"header only", Bytes{0x01, 0x05, 0x00, 0x00, 0x10, 0x05}, 1},
        // Control service frames are handled here and never handed on.
        {"control answer nobody waits for",
         Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x01, 0x09, 0x21, 0x00, 0x00, 0x00}, 0},
    };
    for (const ReceiveCase& c : cases) {
        Bytes copy = c.frame;
        EXPECT_EQ(halyx_mux_receive(0, copy.data(), copy.size()), c.expected) << c.legend;
    }
    Bytes copy = good;
    EXPECT_EQ(halyx_mux_receive(13, copy.data(), copy.size()), 0) << "instance above 12";
    EXPECT_EQ(halyx_mux_receive(1, copy.data(), copy.size()), 0) << "instance not open";
    EXPECT_EQ(halyx_port_receive(copy.data(), copy.size(), 1), -1) << "port of another instance";
}

TEST_F(StartedMuxTest, ReadOneDropsShortUserFramesAndModemSync) {
    (void)StopResponseReader(&stack.device);  // fetch by hand below
    std::vector<std::uint8_t> buffer(kHalyxReaderBufferSize);
    std::size_t count = 99;
    const struct {
        const char* legend;
        Bytes frame;
        int expected;
    } cases[] = {
        {"modem sync", Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x27, 0x00, 0x00, 0x00}, 0},
        {"user frame without message header", Bytes{0x01, 0x05, 0x00, 0x00, 0x10, 0x05}, 0},
        {"user frame of 12 bytes",
         Bytes{0x01, 0x0B, 0x00, 0x00, 0x10, 0x05, 0x04, 0x00, 0x00, 0x24, 0x00, 0x00}, 0},
        // Indication with empty payload: 13 bytes, length 12.
        {"smallest user message",
         Bytes{0x01, 0x0C, 0x00, 0x00, 0x10, 0x05, 0x04, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00}, 1},
    };
    for (const auto& c : cases) {
        stack.module.SendRaw(c.frame);
        EXPECT_EQ(halyx_usb_read_one(buffer.data(), kHalyxUsbReadSize, count), c.expected) << c.legend;
        EXPECT_EQ(count, c.expected == 1 ? c.frame.size() : 0u) << c.legend;
    }
    EXPECT_EQ(halyx_usb_read_one(buffer.data(), kHalyxUsbReadSize, count), 0) << "nothing queued";
}

TEST_F(HalyxMuxTest, SendRefusesBadInstancesAndReportsFailedTransfers) {
    std::uint8_t frame[kHalyxMuxHeaderSize + 4] = {};
    std::uint8_t* message = frame + kHalyxMuxHeaderSize;
    EXPECT_EQ(halyx_mux_send(13, 0x10, 5, message, 4), kHalyxErrArgument);
    EXPECT_EQ(halyx_mux_send(0, 0x10, 5, message, 4), kHalyxErrNotOpen);
    ASSERT_EQ(stack.Start(), 0);
    EXPECT_EQ(halyx_mux_send(1, 0x10, 5, message, 4), kHalyxErrNotOpen);
    EXPECT_EQ(halyx_mux_send(0, 0x10, 5, message, 4), kHalyxOk);
    // Header: 01, length 4 + 5 = 9, flags 0, service 0x10, client 5.
    EXPECT_EQ(stack.module.Received().back(), (Bytes{0x01, 0x09, 0x00, 0x00, 0x10, 0x05, 0, 0, 0, 0}));
    stack.module.SetFault(sim::Fault::Of(sim::FaultMode::Disconnect));
    EXPECT_EQ(halyx_mux_send(0, 0x10, 5, message, 4), kHalyxErrSend);
    EXPECT_EQ(halyx_mux_open_instance(13), kHalyxErrArgument);
    EXPECT_EQ(halyx_mux_open_instance(0), kHalyxErrArgument) << "already open";
    EXPECT_EQ(halyx_mux_open_instance(1), kHalyxErrArgument) << "only instance 0 binds the port";
    EXPECT_FALSE(halyx_mux_is_open(1));
}

TEST_F(StartedMuxTest, ControlTransactionIdRunsOneTo255ThenOneNeverZero) {
    // The sync of the start took transaction 1.
    for (int i = 0; i < 256; ++i) ASSERT_EQ(halyx_ctl_send_sync_ind(0), kHalyxOk);
    const std::vector<Bytes> frames = stack.module.Received();
    ASSERT_EQ(frames.size(), 257u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // Frame i carries i % 255 + 1: 1..255, then 1, 2.
        EXPECT_EQ(frames[i][7], static_cast<std::uint8_t>(i % 255 + 1)) << i;
    }
    EXPECT_EQ(halyx_ctl_send_sync_ind(1), kHalyxErrArgument) << "control service runs on instance 0 only";
}

TEST_F(StartedMuxTest, ClientIdListHoldsEightIdsPerOwnerAndService) {
    for (std::uint8_t id = 1; id <= 8; ++id) EXPECT_EQ(halyx_client_id_add(7, 0x10, id), kHalyxOk) << int(id);
    EXPECT_EQ(halyx_client_id_add(7, 0x10, 9), kHalyxErrArgument) << "ninth id of one owner and service";
    EXPECT_EQ(halyx_client_id_add(8, 0x10, 9), kHalyxOk) << "another owner has its own entry";
    EXPECT_EQ(halyx_client_id_add(7, 0x11, 9), kHalyxOk) << "another service has its own list";
    EXPECT_EQ(halyx_client_id_add(7, 0, 1), kHalyxErrArgument) << "control service";
    EXPECT_EQ(halyx_client_id_add(7, 100, 1), kHalyxErrArgument) << "service 100";
    EXPECT_TRUE(halyx_client_id_held(7, 0x10, 8));
    EXPECT_FALSE(halyx_client_id_held(7, 0x10, 9));
}

TEST_F(StartedMuxTest, ServiceLookupWritesNoMoreThanItsCapacity) {
    void* data = nullptr;
    const halyx_transport_ops* ops = halyx_transport_at(0, &data);
    ASSERT_NE(ops, nullptr);
    EXPECT_EQ(ops->address_size(), 0u);
    EXPECT_EQ(ops->query_services(data, 0, 0x10, 2, nullptr, nullptr), 1u) << "no capacity: count only";

    halyx_service_instance entries[2];
    std::memset(static_cast<void*>(entries), 0xAA, sizeof entries);
    std::uint32_t capacity = 0;
    EXPECT_EQ(ops->query_services(data, 0, 0x10, 2, &capacity, entries), 1u);
    EXPECT_EQ(capacity, 1u);
    EXPECT_EQ(entries[0].transport_index, 0xAA) << "capacity 0: nothing written";

    capacity = 1;
    EXPECT_EQ(ops->query_services(data, 0, 0x10, 2, &capacity, entries), 1u);
    EXPECT_EQ(entries[0].transport_index, 0);
    EXPECT_EQ(entries[0].version, 2);
    EXPECT_EQ(entries[0].transport_data, 0);
    EXPECT_EQ(entries[0].address[15], 0);
    EXPECT_EQ(entries[1].transport_index, 0xAA) << "second entry untouched";

    std::uint32_t cap = 1;
    std::uint32_t count = 0;
    EXPECT_EQ(halyx_find_service_instances(Desc(), nullptr, &cap, &count), kHalyxOk);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(cap, 0u) << "no array: nothing written";
}

TEST_F(StartedMuxTest, LookupFindsNothingWhenTheModemIsSilent) {
    stack.module.SetFault(sim::Fault::Of(sim::FaultMode::Silence));
    std::uint32_t count = 9;
    EXPECT_EQ(halyx_find_service_instances(Desc(), nullptr, nullptr, &count), kHalyxErrSend);
    EXPECT_EQ(count, 0u);
}

// The open fails, within the control time-out, with the result the client layer gives a failed
// transport open; no client id is taken.
struct OpenFaultCase {
    const char* legend;
    sim::Fault fault;
    int expected;
};

TEST_F(HalyxMuxTest, ClientIdFaultsFailTheOpen) {
    const sim::Fault onClientId = sim::Fault::Of(sim::FaultMode::None, 0, 0x22);
    const auto fault = [&](sim::FaultMode mode) {
        sim::Fault f = onClientId;
        f.mode = mode;
        return f;
    };
    sim::Fault malformedTlv = fault(sim::FaultMode::Malformed);
    malformedTlv.malformation = sim::Malformation::BadTlv;
    sim::Fault truncated = fault(sim::FaultMode::Truncated);
    truncated.truncateBy = 2;
    const OpenFaultCase cases[] = {
        {"refused", fault(sim::FaultMode::RefuseClientId), kHalyxErrArgument},
        {"failure result", fault(sim::FaultMode::FailureResult), kHalyxErrArgument},
        {"silent", fault(sim::FaultMode::Silence), kHalyxErrArgument},
        {"wrong transaction", fault(sim::FaultMode::WrongTransaction), kHalyxErrArgument},
        {"wrong message id", fault(sim::FaultMode::WrongMessageId), kHalyxErrArgument},
        {"TLV past the end", malformedTlv, kHalyxErrArgument},
        {"truncated", truncated, kHalyxErrArgument},
        {"device gone", sim::Fault::Of(sim::FaultMode::Disconnect), kHalyxErrArgument},
    };
    for (const OpenFaultCase& c : cases) {
        ASSERT_EQ(stack.Start(), 0) << c.legend;
        stack.module.SetFault(c.fault);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Open(), c.expected) << c.legend;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kPromptly) << c.legend;
        EXPECT_EQ(client, nullptr) << c.legend;
        EXPECT_EQ(halyx_location_client_id(), 0) << c.legend;
        EXPECT_FALSE(halyx_client_id_held(kHalyxLocationOwner, kHalyxLocationService, 5)) << c.legend;
        // Nothing of the location service went out.
        for (const sim::SimFrame& f : stack.module.ReceivedFrames()) EXPECT_EQ(f.service, 0) << c.legend;
        stack.Stop();
        stack.module.ClearFault();
        stack.module.ClearReceived();
    }
}

struct ClientIdAnswerCase {
    const char* legend;
    std::vector<sim::SimTlv> tlvs;
    int expected;
    std::uint8_t id;  // the location client id afterwards
};

TEST_F(HalyxMuxTest, ClientIdAnswerIsReadByTlvType) {
    const ClientIdAnswerCase cases[] = {
        {"result first", {sim::ResultTlv(0, 0), {0x01, {0x10, 0x07}}}, kHalyxOk, 7},
        {"client id first", {{0x01, {0x10, 0x07}}, sim::ResultTlv(0, 0)}, kHalyxOk, 7},
        {"no result TLV", {{0x01, {0x10, 0x07}}}, kHalyxOk, 7},
        {"another service", {sim::ResultTlv(0, 0), {0x01, {0x11, 0x07}}}, kHalyxErrArgument, 0},
        {"client id TLV of one byte", {sim::ResultTlv(0, 0), {0x01, {0x10}}}, kHalyxErrArgument, 0},
        {"no client id TLV", {sim::ResultTlv(0, 0)}, kHalyxErrArgument, 0},
        {"failure with a client id", {sim::ResultTlv(1, 5), {0x01, {0x10, 0x07}}}, kHalyxErrArgument, 0},
    };
    for (const ClientIdAnswerCase& c : cases) {
        ASSERT_EQ(stack.Start(), 0) << c.legend;
        halyx_ctl_set_timeout_for_test(60000);  // the answer comes by hand below
        stack.module.SetFault(sim::Fault::Of(sim::FaultMode::Silence, 0, 0x22));
        auto done = std::async(std::launch::async,
                               [] { return halyx_ctl_get_client_id_sync(kHalyxLocationOwner, 0x10); });
        ASSERT_TRUE(stack.module.WaitForReceived(2, kPromptly)) << c.legend;
        sim::SimFrame answer;
        answer.type = sim::kCtlResponse;
        answer.transaction = stack.module.Received()[1][7];  // the request's transaction id
        answer.messageId = 0x22;
        answer.tlvs = c.tlvs;
        stack.module.SendRaw(sim::BuildFrame(answer));
        EXPECT_EQ(done.get(), c.expected) << c.legend;
        EXPECT_EQ(halyx_location_client_id(), c.id) << c.legend;
        stack.Stop();
        stack.module.ClearFault();
        stack.module.ClearReceived();
        halyx_ctl_set_timeout_for_test(kTestControlTimeoutMs);
    }
}

TEST_F(StartedMuxTest, DroppedControlMessagesLeaveTheExchangeWaiting) {
    // The modem's sync, a control indication and a broadcast: none of them answers anything.
    stack.module.SendRaw({0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x27, 0x00, 0x00, 0x00});
    stack.module.SendRaw({0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x28, 0x00, 0x00, 0x00});
    stack.module.SendRaw({0x01, 0x0B, 0x00, 0x00, 0x00, 0xFF, 0x01, 0x02, 0x21, 0x00, 0x00, 0x00});
    EXPECT_EQ(halyx_ctl_get_version_sync(), kHalyxOk) << "the real answer still matches";
}

TEST_F(StartedMuxTest, LateControlAnswerAfterTimeOutIsDropped) {
    stack.module.SetFault(sim::Fault::Of(sim::FaultMode::Late, 0));
    EXPECT_EQ(halyx_ctl_get_version_sync(), kHalyxErrTimeout);
    stack.module.ClearFault();
    stack.module.ReleaseHeld();  // the late answer arrives now and finds nothing waiting
    EXPECT_EQ(halyx_ctl_get_version_sync(), kHalyxOk);
}

TEST_F(StartedMuxTest, StopEndsAnOutstandingControlExchangeAtOnce) {
    halyx_ctl_set_timeout_for_test(60000);
    stack.module.SetFault(sim::Fault::Of(sim::FaultMode::Silence));
    auto result = std::async(std::launch::async, [] { return halyx_ctl_get_version_sync(); });
    ASSERT_TRUE(stack.module.WaitForReceived(2, std::chrono::seconds(2)));
    const auto start = std::chrono::steady_clock::now();
    halyx_mux_stop();
    ASSERT_EQ(result.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(result.get(), kHalyxErrSend);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPromptly);
}

bool g_removed = false;

TEST_F(StartedMuxTest, ReleaseAfterSurpriseRemovalIsLocal) {
    ASSERT_EQ(Open(), kHalyxOk);
    g_removed = true;
    halyx_set_device_removed_probe([] { return g_removed; });
    stack.module.ClearReceived();
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    halyx_set_device_removed_probe(nullptr);
    g_removed = false;
    EXPECT_TRUE(stack.module.Received().empty());
    EXPECT_EQ(halyx_location_client_id(), 0);
    EXPECT_FALSE(halyx_client_id_held(kHalyxLocationOwner, kHalyxLocationService, 5));
}

TEST_F(StartedMuxTest, WatcherHoldsNoClientIdAndReleasesNone) {
    halyx_signal signal;
    halyx_client* watcher = nullptr;
    ASSERT_EQ(halyx_watch_service(Desc(), &signal, &watcher), kHalyxOk);
    ASSERT_NE(signal.event, nullptr);
    EXPECT_TRUE(signal.event->IsSet()) << "the module answered the version request";
    ASSERT_EQ(halyx_close_client(watcher), kHalyxOk);
    EXPECT_EQ(signal.event, nullptr);
    for (const sim::SimFrame& f : stack.module.ReceivedFrames()) {
        EXPECT_NE(f.messageId, 0x22) << "no client id asked";
        EXPECT_NE(f.messageId, 0x23) << "none released";
    }
}

}  // namespace
}  // namespace geolumen::testing
