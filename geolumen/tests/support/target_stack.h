#pragma once
// The message stack brought up on a given USB target as the driver does it (device set-up, response
// reader, pipe, multiplexer and transport), and torn down in the driver's order when it goes.
#include <gtest/gtest.h>

#include <memory>

#include "driver/usb_transport.h"
#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"
#include "halyx/halyx_usb_transport.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {

class TargetStack {
  public:
    TargetStack() { halyx_ctl_set_timeout_for_test(kTestControlTimeoutMs); }
    ~TargetStack() {
        halyx_mux_stop();
        halyx_transport_unregister();
        EXPECT_TRUE(StopResponseReader(&device));
        SetActiveUsbTransport(nullptr);
        device.DeleteUsbTarget();
        halyx_ctl_set_timeout_for_test(0);
    }
    TargetStack(const TargetStack&) = delete;
    TargetStack& operator=(const TargetStack&) = delete;

    // Whether every step came up.
    [[nodiscard]] bool Start(std::shared_ptr<UsbTarget> target) {
        if (device.ConfigureUsbTarget(std::move(target)) != S_OK || device.SetupContinuousReader() != S_OK)
            return false;
        SetActiveUsbTransport(&device);
        if (!StartResponseReader() || !StartInterruptReader(device)) return false;
        return halyx_mux_start() == 0 && halyx_usb_transport_start() == 0;
    }

    // Opens the location client on the one instance; null when the open failed.
    [[nodiscard]] static halyx_client* OpenClient(halyx_indication_cb indication = nullptr,
                                                  void* data = nullptr) {
        halyx_client* client = nullptr;
        halyx_service_instance instance{};
        const int rc =
            halyx_open_client(&instance, halyx_location_service_desc(2, 6, 4), indication, data, &client);
        EXPECT_EQ(rc, 0);
        return rc == 0 ? client : nullptr;
    }

    // A stop-session request (session 3) and its answer: the result code, with the answer's result in `resp`.
    [[nodiscard]] static int StopSession(halyx_client* client, halyx_result& resp) {
        halyx_loc_stop_session_req req{3};
        return halyx_request_and_wait(client, kHalyxLocStopSession, &req, sizeof req, &resp, sizeof resp,
                                      kTestRequestTimeoutMs);
    }

    UsbTransport device;
};

}  // namespace geolumen::testing
