#pragma once
// State of the multiplexer shared by the multiplex layer and its control service (not a public interface).
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "halyx/halyx_ctl.h"
#include "halyx/halyx_mux.h"

namespace geolumen {

// Client ids one owner holds for one service; 0xFF marks a free byte.
struct HalyxClientIdEntry {
    std::uint32_t owner = 0;
    std::array<std::uint8_t, kHalyxClientIdsPerEntry> ids{};
};

inline constexpr std::uint8_t kHalyxFreeClientId = 0xFF;

// One control exchange waiting for its answer. The waiter and the receive path share it, so an answer
// that arrives as the waiter gives up never touches freed memory.
struct HalyxCtlTxn {
    halyx_ctl_request_desc desc;
    std::uint16_t message_id = 0;
    std::uint8_t transaction_id = 0;

    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    int result = kHalyxErrTimeout;

    void Complete(int value);
};

struct HalyxMuxInstance {
    std::atomic<bool> open{false};
    // Guarded by receive_lock.
    std::array<std::vector<HalyxClientIdEntry>, kHalyxServiceCount> client_ids;
    // Guarded by pending_lock.
    std::list<std::shared_ptr<HalyxCtlTxn>> pending;
    std::uint8_t ctl_txn_counter = 0;
    std::mutex pending_lock;
    std::mutex receive_lock;
    std::mutex send_lock;
};

struct HalyxMuxState {
    std::array<HalyxMuxInstance, kHalyxMuxInstanceCount> instances;

    std::mutex owner_lock;
    std::vector<std::uint32_t> owners;  // guarded by owner_lock

    // The port: its receive handler, and the buffer bound to instance 0.
    std::mutex port_lock;
    halyx_port_receive_handler handler = nullptr;
    bool bound = false;
    std::vector<std::uint8_t> bound_buffer;
    std::uint8_t* current_buffer = nullptr;

    std::atomic<std::uint8_t> location_client_id{0};
};

[[nodiscard]] HalyxMuxState& HalyxMux();

}  // namespace geolumen
