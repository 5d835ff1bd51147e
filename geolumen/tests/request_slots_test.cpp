#include "location/request_slots.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "location/location_status.h"
#include "support/run_after.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;

class RequestSlotsTest : public ::testing::Test {
  protected:
    RequestSlotsTest() { slots.Init(); }
    RequestSlots slots;
    int clientTag = 0;
    const void* client = &clientTag;
};

TEST_F(RequestSlotsTest, NinthRegistrationFindsNoSlot) {
    for (int i = 0; i < kRequestSlotCount; ++i) EXPECT_EQ(slots.Register(client, 0x38, 0x38, nullptr, 0), i);
    EXPECT_EQ(slots.Register(client, 0x38, 0x38, nullptr, 0), kSlotNoSlot);
    slots.Free(3);
    EXPECT_EQ(slots.Register(client, 0x38, 0x38, nullptr, 0), 3) << "the first free slot is taken";
}

TEST_F(RequestSlotsTest, WaitRefusesBadOrUnusedSlots) {
    EXPECT_EQ(slots.Wait(8, 1), kSlotInvalid);
    EXPECT_EQ(slots.Wait(-1, 1), kSlotInvalid);
    EXPECT_EQ(slots.Wait(0, 1), kSlotInvalid) << "slot 0 is not in use";
}

TEST_F(RequestSlotsTest, ResultBeforeTheWaitIsTakenAtOnce) {
    uint8_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    const int index = slots.Register(client, 0x38, 0x38, buffer, sizeof buffer);
    const uint8_t payload[4] = {1, 2, 3, 4};
    slots.Match(client, 0x38, payload, sizeof payload);
    EXPECT_EQ(slots.Wait(index, 0), kSlotOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 8),
              (std::vector<uint8_t>{1, 2, 3, 4, 0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_FALSE(slots.InUse(index)) << "the wait frees the slot";
}

TEST_F(RequestSlotsTest, CopyNeverExceedsTheRegisteredBuffer) {
    uint8_t buffer[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    const int index = slots.Register(client, 0x35, 0x35, buffer, 4);
    const uint8_t payload[12] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    slots.Match(client, 0x35, payload, sizeof payload);
    EXPECT_EQ(slots.Wait(index, 0), kSlotOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 6), (std::vector<uint8_t>{9, 9, 9, 9, 0xAA, 0xAA}));
}

TEST_F(RequestSlotsTest, OnlyTheSameClientAndIdMatch) {
    int otherTag = 0;
    const int index = slots.Register(client, 0x38, 0x38, nullptr, 0);
    slots.Match(&otherTag, 0x38, nullptr, 0);
    slots.Match(client, 0x39, nullptr, 0);
    EXPECT_EQ(slots.Wait(index, 0), kSlotTimedOut);
}

TEST_F(RequestSlotsTest, FirstMatchingSlotTakesTheResultOnce) {
    const int first = slots.Register(client, 0x44, 0x44, nullptr, 0);
    const int second = slots.Register(client, 0x44, 0x44, nullptr, 0);
    slots.Match(client, 0x44, nullptr, 0);
    EXPECT_EQ(slots.Wait(second, 0), kSlotTimedOut);
    EXPECT_EQ(slots.Wait(first, 0), kSlotOk);
}

TEST_F(RequestSlotsTest, LateResultNeverSatisfiesTheNextRequestOnTheSlot) {
    const int index = slots.Register(client, 0x38, 0x38, nullptr, 0);
    EXPECT_EQ(slots.Wait(index, 0), kSlotTimedOut);
    slots.Match(client, 0x38, nullptr, 0);  // too late: the slot is free and the result dropped
    const int again = slots.Register(client, 0x38, 0x38, nullptr, 0);
    EXPECT_EQ(again, index);
    EXPECT_EQ(slots.Wait(again, 0), kSlotTimedOut);
}

TEST_F(RequestSlotsTest, ResultDuringTheWaitWakesTheWaiter) {
    const int index = slots.Register(client, 0x38, 0x38, nullptr, 0);
    const auto matcher = test_support::RunAfter(20ms, [&] { slots.Match(client, 0x38, nullptr, 0); });
    EXPECT_EQ(slots.Wait(index, 30), kSlotOk);  // 30 s is never reached: the match wakes it
}

TEST_F(RequestSlotsTest, SecondWaiterIsRefusedAndLeavesTheSlotToTheFirst) {
    const int index = slots.Register(client, 0x38, 0x38, nullptr, 0);
    std::atomic<int> firstResult{1};
    std::thread first([&] { firstResult = slots.Wait(index, 30); });
    while (!slots.IsWaiting(index)) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(slots.Wait(index, 0), kSlotBusy);
    EXPECT_TRUE(slots.InUse(index)) << "a refused waiter must not free the slot";
    slots.Match(client, 0x38, nullptr, 0);
    first.join();
    EXPECT_EQ(firstResult, kSlotOk);
}

TEST_F(RequestSlotsTest, TeardownEndsWaitsAtOnce) {
    const int index = slots.Register(client, 0x38, 0x38, nullptr, 0);
    {
        const auto stopper = test_support::RunAfter(20ms, [&] { slots.Teardown(); });
        EXPECT_EQ(slots.Wait(index, 30), kSlotNoSlot);
    }
    EXPECT_EQ(slots.Register(client, 0x38, 0x38, nullptr, 0), kSlotNoSlot) << "torn down";
    slots.Init();
    EXPECT_EQ(slots.Register(client, 0x38, 0x38, nullptr, 0), 0);
}

TEST_F(RequestSlotsTest, SendAndWaitMapsEveryOutcome) {
    // Result before the wait: success.
    EXPECT_EQ(slots.SendAndWait(client, 0x38, 0x38, nullptr, 0, 1000,
                                [&] {
                                    slots.Match(client, 0x38, nullptr, 0);
                                    return kLocStatusOk;
                                }),
              kLocStatusOk);
    // 999 ms is 0 whole seconds: a time-out unless the result is already there.
    EXPECT_EQ(slots.SendAndWait(client, 0x38, 0x38, nullptr, 0, 999, [] { return kLocStatusOk; }),
              kLocStatusTimeout);
    // A failed send frees the slot and passes its status on.
    EXPECT_EQ(
        slots.SendAndWait(client, 0x38, 0x38, nullptr, 0, 1000, [] { return kLocStatusServiceError23; }),
        kLocStatusServiceError23);
    EXPECT_FALSE(slots.InUse(0));
    // No free slot: failure, and nothing is sent.
    for (int i = 0; i < kRequestSlotCount; ++i) ASSERT_GE(slots.Alloc(), 0);
    bool sent = false;
    EXPECT_EQ(slots.SendAndWait(client, 0x38, 0x38, nullptr, 0, 1000,
                                [&] {
                                    sent = true;
                                    return kLocStatusOk;
                                }),
              kLocStatusFailure);
    EXPECT_FALSE(sent);
}

TEST_F(RequestSlotsTest, MatchingAndWaitingFromManyThreadsNeverDeadlocks) {
    // Matching takes the table lock then a slot lock while waiters free slots: any inverted order
    // would hang here (and the thread sanitizer reports it).
    std::atomic<bool> stop{false};
    std::thread matcher([&] {
        while (!stop) slots.Match(client, 0x38, nullptr, 0);
    });
    std::vector<std::thread> workers;
    std::atomic<int> done{0};
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                const int status =
                    slots.SendAndWait(client, 0x38, 0x38, nullptr, 0, 1000, [] { return kLocStatusOk; });
                if (status == kLocStatusOk) ++done;
            }
        });
    }
    for (auto& w : workers) w.join();
    stop = true;
    matcher.join();
    EXPECT_EQ(done, 800);
}

}  // namespace
}  // namespace geolumen
