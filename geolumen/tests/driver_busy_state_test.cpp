#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "driver/busy_state.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;

// Long enough for a thread that is not blocked to finish BeginShutdown; only a negative check waits it.
constexpr auto kStillBlocked = 50ms;
// A bound for things that must happen; never reached when the code is right.
constexpr auto kMustHappen = 10s;

TEST(BusyState, WordFollowsEnterLeaveAndShutdown) {
    BusyState busy;
    EXPECT_EQ(busy.Enter(kBusyD0), S_OK);
    EXPECT_EQ(busy.Word(), 0x2u);
    busy.Leave(kBusyD0);
    EXPECT_EQ(busy.Word(), 0x0u);

    busy.BeginShutdown();  // nothing runs: returns at once
    EXPECT_EQ(busy.Word(), 0x1u);
    // Refused, yet counted until the caller leaves with the same bits: 0x1 | 0x40 = 0x41.
    EXPECT_EQ(busy.Enter(kBusySensorDdi), MakeHresult(0x8007045Bu));
    EXPECT_EQ(busy.Word(), 0x41u);
    busy.Leave(kBusySensorDdi);
    EXPECT_EQ(busy.Word(), 0x1u);
    busy.ClearShutdown();
    EXPECT_EQ(busy.Word(), 0x0u);
    EXPECT_EQ(busy.Enter(kBusyIoControl), S_OK);
    busy.Leave(kBusyIoControl);
}

TEST(BusyState, SeveralKindsAtOnceEachKeepTheirBit) {
    BusyState busy;
    ASSERT_EQ(busy.Enter(kBusyPrepareHardware | kBusyCleanupFile), S_OK);
    ASSERT_EQ(busy.Enter(kBusySelfManagedIo), S_OK);
    EXPECT_EQ(busy.Word(), 0x4u | 0x8u | 0x100u);
    busy.Leave(kBusyPrepareHardware | kBusyCleanupFile);
    EXPECT_EQ(busy.Word(), 0x100u);
    busy.Leave(kBusySelfManagedIo);
    EXPECT_EQ(busy.Word(), 0u);
}

TEST(BusyState, NestedEntriesOfOneKindKeepTheBitUntilTheOuterLeaves) {
    BusyState busy;
    ASSERT_EQ(busy.Enter(kBusySensorDdi), S_OK);  // outer driver method
    ASSERT_EQ(busy.Enter(kBusySensorDdi), S_OK);  // the method it calls
    busy.Leave(kBusySensorDdi);
    EXPECT_EQ(busy.Word(), 0x40u) << "the inner leave must not clear the outer's bit";
    busy.Leave(kBusySensorDdi);
    EXPECT_EQ(busy.Word(), 0u);
}

TEST(BusyState, ALeaveWithoutEnterDoesNotUnderflow) {
    BusyState busy;
    busy.Leave(kBusyD0);
    EXPECT_EQ(busy.Word(), 0u);
    busy.BeginShutdown();  // would block for ever on a wrapped counter
    EXPECT_EQ(busy.Word(), 1u);
}

TEST(BusyState, ShutdownWaitsForEveryOverlappingCallbackOfOneKind) {
    BusyState busy;
    ASSERT_EQ(busy.Enter(kBusySensorDdi), S_OK);  // T1
    ASSERT_EQ(busy.Enter(kBusySensorDdi), S_OK);  // T2
    busy.Leave(kBusySensorDdi);                   // T1 leaves, T2 still runs

    auto shutdown = std::async(std::launch::async, [&] { busy.BeginShutdown(); });
    EXPECT_EQ(shutdown.wait_for(kStillBlocked), std::future_status::timeout)
        << "shutdown went ahead while a second callback of the same kind still ran";
    busy.Leave(kBusySensorDdi);  // T2 leaves
    ASSERT_EQ(shutdown.wait_for(kMustHappen), std::future_status::ready);
    EXPECT_EQ(busy.Word(), 0x1u);
}

TEST(BusyState, ShutdownWaitsForNestedEntriesAndRefusesNewOnes) {
    BusyState busy;
    ASSERT_EQ(busy.Enter(kBusyIoControl), S_OK);
    ASSERT_EQ(busy.Enter(kBusySensorDdi), S_OK);  // the I/O control calls into the sensor interface

    auto shutdown = std::async(std::launch::async, [&] { busy.BeginShutdown(); });
    // Shutdown has begun once the flag shows; from then on entries are refused.
    while ((busy.Word() & kBusyShutdown) == 0) std::this_thread::yield();
    EXPECT_EQ(busy.Enter(kBusyD0), MakeHresult(0x8007045Bu));
    busy.Leave(kBusyD0);

    busy.Leave(kBusySensorDdi);
    EXPECT_EQ(shutdown.wait_for(kStillBlocked), std::future_status::timeout);
    busy.Leave(kBusyIoControl);
    ASSERT_EQ(shutdown.wait_for(kMustHappen), std::future_status::ready);
}

TEST(BusyState, NoAdmittedCallbackRunsAfterShutdownReturned) {
    BusyState busy;
    constexpr int kThreads = 8;
    constexpr int kRounds = 2000;
    std::atomic<bool> shutdownDone{false};
    std::atomic<int> admittedAfterShutdown{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const uint64_t bits =
                (t % 2) ? uint64_t{kBusyIoControl} : uint64_t{kBusySensorDdi | kBusyCleanupFile};
            for (int i = 0; i < kRounds; ++i) {
                BusyScope scope(busy, bits);
                if (scope.ok() && shutdownDone.load()) ++admittedAfterShutdown;
            }
        });
    }
    busy.BeginShutdown();
    shutdownDone = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(admittedAfterShutdown.load(), 0);
    EXPECT_EQ(busy.Word(), 0x1u);
}

TEST(BusyScope, LeavesWithTheSameBitsWhetherRefusedOrNot) {
    BusyState busy;
    {
        BusyScope scope(busy, kBusyCleanupFile);
        EXPECT_TRUE(scope.ok());
        EXPECT_EQ(busy.Word(), 0x8u);
    }
    EXPECT_EQ(busy.Word(), 0u);
    busy.BeginShutdown();
    {
        BusyScope scope(busy, kBusyCleanupFile);
        EXPECT_FALSE(scope.ok());
        EXPECT_EQ(scope.result(), MakeHresult(0x8007045Bu));
    }
    EXPECT_EQ(busy.Word(), 0x1u);
}

}  // namespace
}  // namespace geolumen
