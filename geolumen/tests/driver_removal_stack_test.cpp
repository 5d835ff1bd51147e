// The driver's surprise-removal flag reaches the message stack: once the device is gone, releasing the
// location client id is local only and sends nothing the module could never answer.
#include <gtest/gtest.h>

#include "driver/driver_globals.h"
#include "driver/main_device.h"
#include "halyx/halyx_ctl.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

class DriverRemovalStackTest : public HalyxStackTest {
  protected:
    void TearDown() override {
        HalyxStackTest::TearDown();
        device.Reset();
        DriverGlobals::Get().Reset();
        halyx_set_device_removed_probe(nullptr);
    }

    ComPtr<cMainDevice> device = MakeCom<cMainDevice>(DeviceParts{});
};

TEST_F(DriverRemovalStackTest, ReleaseAfterSurpriseRemovalSendsNothing) {
    ASSERT_EQ(stack.Start(), 0);
    ASSERT_EQ(Open(), kHalyxOk);
    ASSERT_NE(halyx_location_client_id(), 0);
    DriverGlobals::Get().DeviceRemoved = true;
    stack.module.ClearReceived();
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    EXPECT_TRUE(stack.module.Received().empty()) << "no release 0x23 to a removed device";
    EXPECT_EQ(halyx_location_client_id(), 0);
}

TEST_F(DriverRemovalStackTest, ReleaseWhileTheDeviceIsThereIsSent) {
    ASSERT_EQ(stack.Start(), 0);
    ASSERT_EQ(Open(), kHalyxOk);
    stack.module.ClearReceived();
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    bool released = false;
    for (const sim::SimFrame& f : stack.module.ReceivedFrames()) released |= f.messageId == 0x23;
    EXPECT_TRUE(released);
}

}  // namespace
}  // namespace geolumen::testing
