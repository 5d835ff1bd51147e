#pragma once
// Something that happens elsewhere while a test's call waits: a result, a stop request, a teardown.
#include <chrono>
#include <functional>
#include <stop_token>
#include <thread>

namespace geolumen::test_support {

// Runs `action` after `delay` on a thread of its own, which the returned handle joins.
[[nodiscard]] inline std::jthread RunAfter(std::chrono::milliseconds delay, std::function<void()> action) {
    return std::jthread([delay, action = std::move(action)] {
        std::this_thread::sleep_for(delay);
        action();
    });
}

// Requests `stop` after `delay`.
[[nodiscard]] inline std::jthread StopAfter(std::stop_source& stop, std::chrono::milliseconds delay) {
    return RunAfter(delay, [&stop] { stop.request_stop(); });
}

}  // namespace geolumen::test_support
