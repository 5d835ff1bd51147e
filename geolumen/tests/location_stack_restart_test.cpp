// A location client that outlives a stop of the message stack (the device's teardown stops it) opens
// again: it restarts the stack instead of sending into a closed multiplexer for ever.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stop_token>

#include "halyx/halyx_mux.h"
#include "support/location_fixture.h"

namespace geolumen {
namespace {

// A hang check, not a speed check: an open against an answering module takes milliseconds.
constexpr auto kOpenBound = std::chrono::seconds(10);

class LocationStackRestartTest : public test_support::LocationClientFixture {};

TEST_F(LocationStackRestartTest, OpenAfterTheStackWasStoppedStartsItAgain) {
    OpenClient();
    EXPECT_EQ(client->CloseLocationClient(), 0);
    halyx_mux_stop();
    ASSERT_FALSE(halyx_mux_is_open(0));

    std::stop_source stop;
    auto opened =
        std::async(std::launch::async, [&] { return client->OpenLocationClient(false, stop.get_token()); });
    const bool inTime = opened.wait_for(kOpenBound) == std::future_status::ready;
    if (!inTime) stop.request_stop();
    EXPECT_TRUE(inTime) << "open kept retrying against a stopped stack";
    EXPECT_EQ(opened.get(), 0);
    EXPECT_TRUE(halyx_mux_is_open(0));
    EXPECT_TRUE(client->IsOpen());
}

}  // namespace
}  // namespace geolumen
