// The host's wait: each kind of news wakes it as what it is, a stop wins over a removal that arrived with
// it, news given before the wait is not lost, and the deadline ends a wait with nothing.
#include "host/host_events.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <thread>

namespace geolumen::host {
namespace {

using namespace std::chrono_literals;
using Clock = HostEvents::Clock;

// Keeps this test program's signal mask as it was, whatever the host's wait blocked.
class MaskKept {
  public:
    MaskKept() { pthread_sigmask(SIG_SETMASK, nullptr, &saved_); }
    ~MaskKept() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

  private:
    sigset_t saved_{};
};

TEST(HostEvents, EachNewsWakesTheWaitAsWhatItIs) {
    struct Row {
        const char* legend;
        bool moduleSignals;
        std::vector<int> signals;  // raised before the wait
        bool removed;              // the device's news given before the wait
        HostEvent expected;
    };
    const Row rows[] = {
        {"SIGTERM stops", false, {SIGTERM}, false, HostEvent::kStop},
        {"SIGINT stops", false, {SIGINT}, false, HostEvent::kStop},
        {"the device has gone", false, {}, true, HostEvent::kRemoved},
        {"a stop wins over a removal", false, {SIGTERM}, true, HostEvent::kStop},
        {"USR1 pulls the simulated module", true, {kUnplugSignal}, false, HostEvent::kUnplug},
        {"USR2 returns it", true, {kReplugSignal}, false, HostEvent::kReplug},
        {"nothing: the deadline ends the wait", true, {}, false, HostEvent::kTimeUp},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        MaskKept mask;
        HostEvents events(row.moduleSignals);
        ASSERT_TRUE(events.Ready());
        // Raised on this thread, where they are blocked: they wait, pending, for the wait to take them.
        for (int signal : row.signals) ASSERT_EQ(::raise(signal), 0);
        if (row.removed) events.Removed();
        const auto start = Clock::now();
        EXPECT_EQ(events.Wait(Clock::now() + 50ms), row.expected);
        if (row.expected != HostEvent::kTimeUp) {
            EXPECT_LT(Clock::now() - start, 50ms);
        }
        // Each is taken once; what is left is the one behind it, or nothing.
        if (row.signals.empty() || !row.removed) {
            EXPECT_EQ(events.Wait(Clock::now()), HostEvent::kTimeUp);
        }
        if (!row.signals.empty() && row.removed) {
            EXPECT_EQ(events.Wait(Clock::now()), HostEvent::kRemoved);
        }
    }
}

TEST(HostEvents, RemovalFromAnotherThreadWakesAWaitWithoutLimit) {
    MaskKept mask;
    HostEvents events(false);
    std::thread reader([&] {
        std::this_thread::sleep_for(20ms);
        events.Removed();
    });
    EXPECT_EQ(events.Wait(std::nullopt), HostEvent::kRemoved);
    reader.join();
}

}  // namespace
}  // namespace geolumen::host
