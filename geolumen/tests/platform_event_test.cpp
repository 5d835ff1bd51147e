#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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

// Each side sets the other's event right after its own wait ends, so every set races the other's next
// wait: a lost wake-up would hang the exchange.
TEST(WaitForAny, PingPongNeverLosesAWake) {
    constexpr int kRounds = 20000;
    Event ping(Event::Reset::kAuto);
    Semaphore pong(0, 1);
    Event stop(Event::Reset::kManual);
    std::thread other([&] {
        for (int i = 0; i < kRounds; ++i) {
            if (WaitForAny({&ping, &stop}, INFINITE) != WAIT_OBJECT_0) return;
            ASSERT_TRUE(pong.Release());
        }
    });
    int rounds = 0;
    for (; rounds < kRounds; ++rounds) {
        ping.Set();
        if (pong.Wait(INFINITE) != WAIT_OBJECT_0) break;
    }
    other.join();
    EXPECT_EQ(rounds, kRounds);
}

// Threads queue on their own object and on a shared one. A set wakes the thread of its object and no
// other; the shared one wakes them all, more of them than one change wakes after the lock.
TEST(WaitForAny, ASetWakesTheWaitersOfItsObject) {
    constexpr std::size_t kWaiters = 12;
    std::vector<std::unique_ptr<Event>> own;
    for (std::size_t i = 0; i < kWaiters; ++i) own.push_back(std::make_unique<Event>(Event::Reset::kAuto));
    Event shared(Event::Reset::kManual);
    std::vector<std::atomic<int>> result(kWaiters);
    std::atomic<std::size_t> started{0};
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kWaiters; ++i) {
        result[i] = -1;
        threads.emplace_back([&, i] {
            ++started;
            result[i] = static_cast<int>(WaitForAny({own[i].get(), &shared}, INFINITE));
            if (result[i] == static_cast<int>(WAIT_OBJECT_0))
                result[i] = static_cast<int>(WaitForAny({&shared}, INFINITE)) + 10;
        });
    }
    while (started < kWaiters) std::this_thread::yield();
    // Every other thread is let through its own event first; each ends on the shared one.
    for (std::size_t i = 0; i < kWaiters; i += 2) own[i]->Set();
    for (std::size_t i = 0; i < kWaiters; i += 2) {
        while (result[i] == -1) std::this_thread::yield();
    }
    shared.Set();
    for (auto& t : threads) t.join();
    for (std::size_t i = 0; i < kWaiters; ++i) {
        // Own event: then WAIT_OBJECT_0 of the shared wait (10); the shared event alone: index 1.
        EXPECT_EQ(result[i].load(), i % 2 == 0 ? 10 : 1) << "waiter " << i;
    }
}

// Threads come and go, each taking over the parker an ended one gave back; a wait that timed out leaves
// no trace in the queue of its object.
TEST(WaitForAny, WaitsOfShortLivedThreadsAndTimedOutWaits) {
    Event e(Event::Reset::kAuto);
    for (int i = 0; i < 200; ++i) {
        std::thread t([&] { EXPECT_EQ(e.Wait(INFINITE), WAIT_OBJECT_0); });
        e.Set();
        t.join();
    }
    EXPECT_EQ(e.Wait(1), WAIT_TIMEOUT);
    e.Set();
    EXPECT_EQ(e.Wait(0), WAIT_OBJECT_0);
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
