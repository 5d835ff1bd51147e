// A client closed from inside its own indication callback (on the slot thread) closes, and the slot's
// thread and record go with it once the callback returns (the sanitizer build's leak check sees it).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

std::atomic<int> g_closeResult{1};
std::atomic<bool> g_closed{false};

void CloseFromIndication(halyx_client* client, std::uint16_t, const void*, std::uint32_t, void*) {
    g_closeResult = halyx_close_client(client);
    g_closed = true;
}

class HalyxCloseFromIndicationTest : public HalyxStackTest {};

TEST_F(HalyxCloseFromIndicationTest, ClosingFromTheSlotThreadEnds) {
    ASSERT_EQ(stack.Start(), 0);
    halyx_service_instance instance{};
    halyx_client* own = nullptr;
    ASSERT_EQ(halyx_open_client(&instance, Desc(), &CloseFromIndication, nullptr, &own), kHalyxOk);
    stack.module.Indicate(kHalyxLocTimeRequest, {});
    const auto until = std::chrono::steady_clock::now() + kPromptly;
    while (!g_closed && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(g_closed);
    EXPECT_EQ(g_closeResult, kHalyxOk);
    EXPECT_EQ(halyx_location_client_id(), 0) << "the client id was released";
}

// The reader no longer waits for a slot to finish a message before it sleeps: the offer it leaves behind
// is settled before the next fetch. A client closed and opened again between two indications gets the
// second one alone, never the first one again.
TEST_F(HalyxStackTest, ReopenedClientGetsOnlyWhatCameAfterIt) {
    ASSERT_EQ(stack.Start(), 0);
    ASSERT_EQ(Open(), kHalyxOk);
    stack.module.Indicate(kHalyxLocTimeRequest, {});
    ASSERT_TRUE(WaitForIndications(1));
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    ASSERT_EQ(Open(), kHalyxOk);
    for (int i = 0; i < 3; ++i) stack.module.Indicate(kHalyxLocTimeRequest, {});
    ASSERT_TRUE(WaitForIndications(4));
    // A fourth indication after the three shows nothing else was still on its way.
    stack.module.Indicate(kHalyxLocTimeRequest, {});
    ASSERT_TRUE(WaitForIndications(5));
    EXPECT_EQ(Indications().size(), 5u);
}

}  // namespace
}  // namespace geolumen::testing
