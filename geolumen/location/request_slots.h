#pragma once
// Request slots pair a request that a worker thread sent with the result indication the service sends
// later under the same message id. A worker registers a slot, sends, and waits; the message stack's
// slot thread matches the indication to the slot, copies its payload and wakes the worker.
//
// Lock order: the table lock, then a slot's lock. Matching and freeing take both in that order;
// registering and waiting take only the slot's lock, and nobody holds a lock while it waits.
//
// A slot's result is a flag consumed under the slot's lock rather than an event, and registering clears
// it, so a result that came too late for one request can never satisfy the next request on the slot.
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace geolumen {

inline constexpr int kRequestSlotCount = 8;

// Results of the slot operations.
inline constexpr int kSlotOk = 0;
inline constexpr int kSlotNoSlot = -1;    // all slots in use, or the slots are not set up
inline constexpr int kSlotBusy = -16;     // another thread already waits on this slot
inline constexpr int kSlotInvalid = -22;  // index out of range or slot not in use
inline constexpr int kSlotTimedOut = -138;

class RequestSlots {
  public:
    RequestSlots() = default;
    RequestSlots(const RequestSlots&) = delete;
    RequestSlots& operator=(const RequestSlots&) = delete;

    // Makes the slots usable. Slots still held by a request from before a teardown stay held until
    // their owner frees them.
    void Init();
    // Makes the slots unusable: new registrations fail, results are dropped, and every waiting or
    // registered request ends with kSlotNoSlot instead of waiting out its time.
    void Teardown();

    // Index 0..7 of the first free slot, now in use; kSlotNoSlot when none is free.
    [[nodiscard]] int Alloc();
    void Free(int index);

    // Allocates a slot for a request on `client` whose result comes as indication `expectedId`; the
    // result's payload is copied into `buffer` (up to `bufferSize` bytes; none when null).
    [[nodiscard]] int Register(const void* client, uint16_t expectedId, uint16_t requestId, void* buffer,
                               size_t bufferSize);
    // A result indication arrived: the first registered slot of this client and id that has no result
    // yet takes it. Dropped when no slot matches.
    void Match(const void* client, uint16_t indicationId, const void* payload, size_t length);
    // Waits up to `seconds` for the slot's result and frees the slot, except on kSlotBusy and
    // kSlotInvalid, where the slot belongs to someone else.
    [[nodiscard]] int Wait(int index, unsigned seconds);

    // Registers, sends with `send` (a location client status), waits timeoutMs / 1000 whole seconds and
    // maps the outcome to a location client status: no free slot or any slot failure 11, time-out 6.
    [[nodiscard]] int SendAndWait(const void* client, uint16_t requestId, uint16_t expectedId, void* buffer,
                                  size_t bufferSize, uint32_t timeoutMs, const std::function<int()>& send);

    // For tests: whether the slot is in use, and whether a thread waits on it.
    [[nodiscard]] bool InUse(int index);
    [[nodiscard]] bool IsWaiting(int index);

  private:
    struct Slot {
        std::mutex lock;
        std::condition_variable resultArrived;
        const void* client = nullptr;
        bool armed = false;
        bool waiting = false;
        bool done = false;       // the result arrived (before or during the wait)
        bool cancelled = false;  // torn down while registered
        uint16_t requestId = 0;
        void* buffer = nullptr;
        size_t bufferSize = 0;
        uint16_t expectedId = 0;
    };

    void ClearLocked(Slot& slot);

    std::mutex tableLock_;
    std::array<Slot, kRequestSlotCount> slots_;
    std::array<bool, kRequestSlotCount> inUse_{};
    bool anyInUse_ = false;
    bool initialised_ = false;
};

}  // namespace geolumen
