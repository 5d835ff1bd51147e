// Preparing the hardware again on the same USB device (after a release, or a repeated preparation)
// works: the host hands the driver the same target each time, so releasing must leave it ready to be
// configured anew.
#include <gtest/gtest.h>

#include "driver/usb_transport.h"
#include "driver_test_support.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen::testing {
namespace {

class DriverReprepareTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        DriverGlobals::Get().SetParts(DeviceParts::Defaults());  // the real USB side
    }
};

TEST_F(DriverReprepareTest, PrepareAfterReleaseOnTheSameDeviceSucceeds) {
    sim::SimModule module;
    auto target = std::make_shared<sim::SimUsbTarget>(module);
    DriverHost host(StaticDriverEntry(), "USB\\VID_0000&PID_0000\\SIM0", [](const std::string&) {});
    host.SetUsbTarget(target);
    ASSERT_EQ(host.LoadDriver(), S_OK);
    ASSERT_EQ(host.AddDevice(), S_OK);
    ASSERT_EQ(host.StartDevice(), S_OK);
    auto device = host.Device();
    auto hardware = device->Hardware();

    EXPECT_EQ(hardware->OnReleaseHardware(device.Get()), S_OK);
    EXPECT_EQ(hardware->OnPrepareHardware(device.Get()), S_OK) << "released, then prepared again";
    EXPECT_NE(ResponseSemaphore(), nullptr);

    EXPECT_EQ(hardware->OnPrepareHardware(device.Get()), S_OK) << "prepared twice in a row";
    EXPECT_NE(ResponseSemaphore(), nullptr);

    hardware.Reset();  // the driver's device object must be free to go at unload
    device.Reset();
    EXPECT_EQ(host.RemoveDevice(false), S_OK);
    EXPECT_EQ(host.UnloadDriver(), S_OK);
}

}  // namespace
}  // namespace geolumen::testing
