// Many callers on one client while indications arrive: each request gets its own answer. Run under
// ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/sim_frame.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

constexpr int kThreads = 8;
constexpr int kRequestsPerThread = 40;
constexpr int kIndications = 200;

// Answers a stop-session request with error = its session id, so that a caller can tell its own answer.
void EchoSessionId(sim::SimModule& module, const sim::SimFrame& request) {
    const sim::SimTlv* id = request.Find(0x01);
    module.Respond(request, {}, 0, id != nullptr && id->value.size() == 1 ? id->value[0] : 0xFFFF);
}

class HalyxConcurrencyTest : public HalyxOpenStackTest {
  protected:
    int StopSession(std::uint8_t id, halyx_result& resp) {
        halyx_loc_stop_session_req req{id};
        return halyx_request_and_wait(client, kHalyxLocStopSession, &req, sizeof req, &resp, sizeof resp,
                                      kTestRequestTimeoutMs);
    }
};

TEST_F(HalyxConcurrencyTest, ManyCallersOnOneClientEachGetTheirOwnAnswer) {
    stack.module.SetHandler(0x10, kHalyxLocStopSession, &EchoSessionId);
    std::atomic<int> mismatches{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < kThreads; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < kRequestsPerThread; ++i) {
                const auto id = static_cast<std::uint8_t>(t * kRequestsPerThread + i);
                halyx_result resp{-1, -1};
                if (StopSession(id, resp) != kHalyxOk) {
                    ++failures;
                } else if (resp.error != id) {
                    ++mismatches;
                }
            }
        });
    }
    std::thread indicator([&] {
        for (int i = 0; i < kIndications; ++i) {
            stack.module.Indicate(kHalyxLocPositionReport, {{0x01, sim::U32(1)}, {0x02, sim::U8(1)}});
        }
    });
    for (std::thread& c : callers) c.join();
    indicator.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(mismatches, 0);
    ASSERT_TRUE(WaitForIndications(kIndications));
    EXPECT_EQ(Indications().size(), static_cast<std::size_t>(kIndications));
}

TEST_F(HalyxConcurrencyTest, AnswersInReverseOrderReachTheirOwnCallers) {
    // Holds the first request until the second arrives, then answers the second first.
    std::mutex mutex;
    std::vector<sim::SimFrame> held;
    stack.module.SetHandler(0x10, kHalyxLocStopSession,
                            [&](sim::SimModule& module, const sim::SimFrame& request) {
                                std::vector<sim::SimFrame> both;
                                {
                                    std::lock_guard lock(mutex);
                                    held.push_back(request);
                                    if (held.size() < 2) return;
                                    both.swap(held);
                                }
                                EchoSessionId(module, both[1]);
                                EchoSessionId(module, both[0]);
                            });
    halyx_result a{-1, -1};
    halyx_result b{-1, -1};
    int ra = -99;
    int rb = -99;
    std::thread first([&] { ra = StopSession(11, a); });
    std::thread second([&] { rb = StopSession(22, b); });
    first.join();
    second.join();
    EXPECT_EQ(ra, kHalyxOk);
    EXPECT_EQ(rb, kHalyxOk);
    EXPECT_EQ(a.error, 11);
    EXPECT_EQ(b.error, 22);
}

TEST_F(HalyxConcurrencyTest, CloseWhileCallersWaitEndsThemAll) {
    stack.module.SetFault(sim::Fault::Of(sim::FaultMode::Silence, 0x10));
    std::atomic<int> ended{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < kThreads; ++t) {
        callers.emplace_back([&, t] {
            halyx_loc_stop_session_req req{static_cast<std::uint8_t>(t)};
            halyx_result resp{};
            const int r =
                halyx_request_and_wait(client, kHalyxLocStopSession, &req, sizeof req, &resp, sizeof resp, 0);
            if (r == kHalyxErrArgument) ++ended;
        });
    }
    // Every caller is waiting once its request reached the module (4 frames of the open before them).
    ASSERT_TRUE(stack.module.WaitForReceived(4 + kThreads, kPromptly));
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    for (std::thread& c : callers) c.join();
    EXPECT_EQ(ended, kThreads);
}

}  // namespace
}  // namespace geolumen::testing
