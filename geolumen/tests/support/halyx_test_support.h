#pragma once
// A message stack running against the simulated module, with an open location client when asked for.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "halyx/halyx_client.h"
#include "halyx/halyx_ctl.h"
#include "halyx/location_service.h"
#include "platform/trace.h"
#include "support/sim_stack.h"

namespace geolumen::testing {

// Control exchanges in tests give up after this long instead of the driver's five seconds, so that the
// fault cases end quickly.
inline constexpr unsigned kTestControlTimeoutMs = 1000;
// Requests of the client layer in tests: long enough for any answer on a loaded machine.
inline constexpr std::uint32_t kTestRequestTimeoutMs = 5000;
// A hang check, not a speed check: a stop or fault case that takes longer than this is stuck (sanitizer
// builds on a loaded machine included).
inline constexpr auto kPromptly = std::chrono::seconds(10);

struct Indication {
    std::uint16_t message_id = 0;
    bool had_payload = false;
    std::vector<std::uint8_t> payload;
};

class HalyxStackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        halyx_ctl_set_timeout_for_test(kTestControlTimeoutMs);
        ClearDebugOutput();
    }

    void TearDown() override {
        if (client != nullptr) (void)halyx_close_client(client);
        client = nullptr;
        stack.Stop();
        halyx_ctl_set_timeout_for_test(0);
    }

    [[nodiscard]] static const halyx_service_desc* Desc() { return halyx_location_service_desc(2, 6, 4); }

    // Opens the location client on the one USB service instance.
    [[nodiscard]] int Open() {
        halyx_service_instance instance{};
        return halyx_open_client(&instance, Desc(), &HalyxStackTest::OnIndication, this, &client);
    }

    [[nodiscard]] std::vector<Indication> Indications() {
        std::lock_guard lock(mutex_);
        return indications_;
    }

    // Waits until `count` indications arrived; false after `timeout`.
    [[nodiscard]] bool WaitForIndications(
        std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < until) {
            if (Indications().size() >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    sim::SimStack stack;
    halyx_client* client = nullptr;

  private:
    static void OnIndication(halyx_client*, std::uint16_t message_id, const void* payload,
                             std::uint32_t length, void* data) {
        auto* self = static_cast<HalyxStackTest*>(data);
        Indication ind;
        ind.message_id = message_id;
        ind.had_payload = payload != nullptr;
        if (payload != nullptr) {
            const auto* p = static_cast<const std::uint8_t*>(payload);
            ind.payload.assign(p, p + length);
        }
        std::lock_guard lock(self->mutex_);
        self->indications_.push_back(std::move(ind));
    }

    std::mutex mutex_;
    std::vector<Indication> indications_;
};

// The stack started and the location client open before each test; the debug output of the opening is
// forgotten, its frames are kept.
class HalyxOpenStackTest : public HalyxStackTest {
  protected:
    void SetUp() override {
        HalyxStackTest::SetUp();
        ASSERT_EQ(stack.Start(), 0);
        ASSERT_EQ(Open(), kHalyxOk);
        ClearDebugOutput();
    }
};

// Lines of the debug output that start with "Zorvic".
inline std::vector<std::string> ZorvicLines() {
    std::vector<std::string> out;
    for (const std::string& line : DebugOutputLines()) {
        if (line.rfind("Zorvic", 0) == 0) out.push_back(line);
    }
    return out;
}

}  // namespace geolumen::testing
