// The device side of the Halyx channel: set-up checks on the last interface, the continuous reader's
// parameters, the class requests, ResponseSemaphore and the reader's start and stop.
#include "driver/usb_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <future>

#include "halyx/halyx_usb_transport.h"
#include "platform/event.h"
#include "platform/semaphore.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen {
namespace {

using Layout = std::vector<std::vector<UsbEndpointInfo>>;

constexpr UsbEndpointInfo kInterruptIn{0x81, UsbPipeType::Interrupt, 16};
constexpr UsbEndpointInfo kInterruptOut{0x01, UsbPipeType::Interrupt, 16};
constexpr UsbEndpointInfo kBulkIn{0x82, UsbPipeType::Bulk, 512};
constexpr UsbEndpointInfo kBulkOut{0x02, UsbPipeType::Bulk, 512};

struct LayoutCase {
    const char* legend;
    Layout layout;
    std::vector<std::size_t> failing;
    HRESULT expected;
};

TEST(UsbTransportSetup, LastInterfaceMustHoldExactlyOneInterruptInEndpoint) {
    const LayoutCase cases[] = {
        {"one interrupt IN", {{kInterruptIn}}, {}, S_OK},
        {"data interface first, notification last", {{kBulkIn, kBulkOut}, {kInterruptIn}}, {}, S_OK},
        {"notification first, data last", {{kInterruptIn}, {kBulkIn, kBulkOut}}, {}, E_UNEXPECTED},
        {"two endpoints", {{kInterruptIn, kBulkOut}}, {}, E_UNEXPECTED},
        {"no endpoint", {{}}, {}, E_UNEXPECTED},
        {"no interface", {}, {}, E_UNEXPECTED},
        {"bulk IN", {{kBulkIn}}, {}, E_UNEXPECTED},
        {"interrupt OUT", {{kInterruptOut}}, {}, E_UNEXPECTED},
        {"earlier interface fails, last one good", {{kBulkIn}, {kInterruptIn}}, {0}, S_OK},
        {"last interface fails", {{kInterruptIn}, {kInterruptIn}}, {1}, E_FAIL},
    };
    for (const LayoutCase& c : cases) {
        sim::SimModule module;
        auto target = std::make_shared<sim::SimUsbTarget>(module);
        target->SetInterfaces(c.layout);
        for (std::size_t i : c.failing) target->FailInterface(i);
        UsbTransport device;
        EXPECT_EQ(device.ConfigureUsbTarget(target), c.expected) << c.legend;
        EXPECT_EQ(device.HasInterruptPipe(), c.expected == S_OK) << c.legend;
    }
    UsbTransport device;
    EXPECT_EQ(device.ConfigureUsbTarget(nullptr), E_POINTER);
}

TEST(UsbTransportSetup, ReaderRuns2048ByteTransfersTwoPending) {
    sim::SimModule module;
    auto target = std::make_shared<sim::SimUsbTarget>(module);
    UsbTransport device;
    EXPECT_EQ(device.SetupContinuousReader(), E_UNEXPECTED) << "no pipe yet";
    EXPECT_EQ(device.StartInterruptPipe(), S_FALSE) << "no pipe: nothing to start";
    EXPECT_EQ(device.StopInterruptPipe(), S_FALSE);
    ASSERT_EQ(device.ConfigureUsbTarget(target), S_OK);
    ASSERT_EQ(device.SetupContinuousReader(), S_OK);
    EXPECT_EQ(target->ReaderTransferLength(), 2048u);
    EXPECT_EQ(target->ReaderPendingReads(), 2u);
    EXPECT_EQ(device.StartInterruptPipe(), S_OK);
    EXPECT_EQ(device.StopInterruptPipe(), S_OK);
}

TEST(UsbTransportEntries, ClassRequestsAndResultsOfTheTransportEntries) {
    sim::SimModule module;
    auto target = std::make_shared<sim::SimUsbTarget>(module);
    UsbTransport device;
    ASSERT_EQ(device.ConfigureUsbTarget(target), S_OK);

    const std::uint8_t command[] = {0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x27, 0x00, 0x00, 0x00};
    std::uint8_t buffer[64] = {};
    std::size_t count = 99;
    EXPECT_EQ(UsbSendCommand(command, sizeof command), 0) << "no device";
    EXPECT_EQ(UsbReceiveResponse(buffer, sizeof buffer, nullptr), 0) << "no out pointer";
    EXPECT_EQ(UsbReceiveResponse(buffer, sizeof buffer, &count), 1) << "no device";
    EXPECT_EQ(count, 0u);

    SetActiveUsbTransport(&device);
    EXPECT_EQ(UsbSendCommand(command, sizeof command), 1);
    ASSERT_EQ(module.Received().size(), 1u);
    EXPECT_EQ(module.Received()[0], sim::Bytes(command, command + sizeof command));
    module.SendRaw({0xAB, 0xCD, 0xEF});
    EXPECT_EQ(UsbReceiveResponse(buffer, sizeof buffer, &count), 1);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[2], 0xEF);
    EXPECT_EQ(UsbReceiveResponse(buffer, sizeof buffer, &count), 1);
    EXPECT_EQ(count, 0u) << "nothing waiting";

    const std::vector<UsbSetupPacket> setups = target->SetupPackets();
    ASSERT_EQ(setups.size(), 3u);
    EXPECT_EQ(setups[0].requestType, 0x21);
    EXPECT_EQ(setups[0].request, 0x00);
    EXPECT_EQ(setups[1].requestType, 0xA1);
    EXPECT_EQ(setups[1].request, 0x01);
    for (const UsbSetupPacket& s : setups) {
        EXPECT_EQ(s.value, 0);
        EXPECT_EQ(s.index, 0);
    }

    module.SetFault(sim::Fault::Of(sim::FaultMode::Disconnect));
    EXPECT_EQ(UsbSendCommand(command, sizeof command), 0) << "failed transfer";
    EXPECT_EQ(UsbReceiveResponse(buffer, sizeof buffer, &count), 1) << "a failed receive shows as 0 bytes";
    EXPECT_EQ(count, 0u);
    SetActiveUsbTransport(nullptr);
}

TEST(ResponseSemaphore, CountsCompletionsWithBytesUpToItsMaximum) {
    // A reader that never fetches, so the count can be read.
    ASSERT_TRUE(StartResponseReaderWith([](Semaphore&, Event& exit) { (void)exit.Wait(INFINITE); }));
    ASSERT_NE(ResponseSemaphore(), nullptr);
    EXPECT_TRUE(halyx_usb_reader_running());
    UsbTransport device;
    device.OnReaderCompletion(0);
    EXPECT_EQ(ResponseSemaphore()->Count(), 0) << "an empty completion is no notification";
    device.OnReaderCompletion(8);
    EXPECT_EQ(ResponseSemaphore()->Count(), 1);
    for (int i = 0; i < 1000; ++i) device.OnReaderCompletion(2048);
    EXPECT_EQ(ResponseSemaphore()->Count(), 1000) << "the 1001st is dropped";
    EXPECT_TRUE(device.OnReaderFailure(E_FAIL)) << "the reader restarts";
    EXPECT_EQ(device.LastReaderFailure(), E_FAIL);
    EXPECT_TRUE(StopResponseReader(nullptr));
    EXPECT_EQ(ResponseSemaphore(), nullptr);
    EXPECT_FALSE(halyx_usb_reader_running());
    device.OnReaderCompletion(8);  // after the stop: nothing to release, nothing breaks
}

TEST(ResponseSemaphore, StopFromTheReaderThreadItselfDoesNotWaitForItself) {
    std::promise<bool> stopped;
    ASSERT_TRUE(StartResponseReaderWith([&stopped](Semaphore& responses, Event&) {
        (void)responses.Wait(INFINITE);
        stopped.set_value(StopResponseReader(nullptr));
    }));
    UsbTransport device;
    device.OnReaderCompletion(8);
    auto f = stopped.get_future();
    ASSERT_EQ(f.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_TRUE(f.get());
    EXPECT_EQ(ResponseSemaphore(), nullptr);
    EXPECT_TRUE(StopResponseReader(nullptr)) << "a second stop finds nothing to stop";
}

}  // namespace
}  // namespace geolumen
