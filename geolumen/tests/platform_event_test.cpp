#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/semaphore.h"

namespace geolumen {
namespace {

TEST(Event, ManualResetStaysSignalledUntilReset) {
    Event e(Event::Reset::kManual);
    EXPECT_EQ(e.Wait(0), WAIT_TIMEOUT);
    e.Set();
    EXPECT_EQ(e.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(e.Wait(0), WAIT_OBJECT_0);
    e.ResetEvent();
    EXPECT_EQ(e.Wait(0), WAIT_TIMEOUT);
}

TEST(Event, AutoResetLetsOneWaitThrough) {
    Event e(Event::Reset::kAuto, true);
    EXPECT_EQ(e.Wait(0), WAIT_OBJECT_0);
    EXPECT_FALSE(e.IsSet());
    EXPECT_EQ(e.Wait(0), WAIT_TIMEOUT);
}

TEST(WaitForAny, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
    Event first(Event::Reset::kAuto);
    Event second(Event::Reset::kAuto);
    Event third(Event::Reset::kAuto);
    second.Set();
    third.Set();
    EXPECT_EQ(WaitForAny({&first, &second, &third}, 0), WAIT_OBJECT_0 + 1);
    EXPECT_FALSE(second.IsSet());
    EXPECT_TRUE(third.IsSet());  // not reported, so not consumed
    EXPECT_EQ(WaitForAny({&first, &second, &third}, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForAny({&first, &second, &third}, 0), WAIT_TIMEOUT);
}

TEST(WaitForAny, TimesOutWhenNothingIsSignalled) {
    Event e(Event::Reset::kManual);
    Semaphore s(0, 1);
    EXPECT_EQ(WaitForAny({&e, &s}, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForAny({&e, &s}, 5), WAIT_TIMEOUT);
}

TEST(WaitForAny, RejectsBadArguments) {
    Event e(Event::Reset::kManual, true);
    EXPECT_EQ(WaitForAny(std::span<Waitable* const>{}, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForAny({&e, nullptr}, 0), WAIT_FAILED);
    std::vector<Waitable*> tooMany(kMaxWaitObjects + 1, &e);
    EXPECT_EQ(WaitForAny(tooMany, 0), WAIT_FAILED);
    EXPECT_TRUE(e.IsSet());
}

TEST(WaitForAny, WakesWhenAnotherThreadSignals) {
    Event exit(Event::Reset::kManual);
    Semaphore work(0, 10);
    std::thread t([&] {
        ASSERT_TRUE(work.Release());
        exit.Set();
    });
    // The semaphore is listed first, so its count is taken before the exit is seen.
    EXPECT_EQ(WaitForAny({&work, &exit}, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForAny({&work, &exit}, INFINITE), WAIT_OBJECT_0 + 1);
    t.join();
}

TEST(WaitForAny, AutoResetEventWakesExactlyOneOfTwoWaiters) {
    Event e(Event::Reset::kAuto);
    Event stop(Event::Reset::kManual);
    std::atomic<int> woken{0};
    auto waiter = [&] {
        if (WaitForAny({&e, &stop}, INFINITE) == WAIT_OBJECT_0) ++woken;
    };
    std::thread a(waiter), b(waiter);
    e.Set();
    // Whoever got the event is done; release the other through the stop event.
    while (e.IsSet()) std::this_thread::yield();
    stop.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 1);
}

TEST(Semaphore, ReleaseAboveMaximumFailsAndChangesNothing) {
    Semaphore s(0, 2);
    std::int32_t previous = -1;
    EXPECT_TRUE(s.Release(1, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(s.Release(2, &previous));  // 1 + 2 > 2
    EXPECT_EQ(previous, 0);
    EXPECT_EQ(s.Count(), 1);
    EXPECT_TRUE(s.Release());
    EXPECT_FALSE(s.Release());
    EXPECT_FALSE(s.Release(0));
    EXPECT_EQ(s.Count(), 2);
}

TEST(Semaphore, EachWaitTakesOneCount) {
    Semaphore s(2, 1000);
    EXPECT_EQ(s.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(s.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(s.Wait(0), WAIT_TIMEOUT);
    EXPECT_EQ(s.Count(), 0);
}

TEST(Semaphore, InitialCountIsClampedToTheMaximum) {
    Semaphore s(5, 3);
    EXPECT_EQ(s.Count(), 3);
    EXPECT_FALSE(s.Release());
}

}  // namespace
}  // namespace geolumen
