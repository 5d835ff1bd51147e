#include "location/request_slots.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "location/location_status.h"
#include "platform/trace.h"

namespace geolumen {

void RequestSlots::Init() {
    std::lock_guard table(tableLock_);
    initialised_ = true;
}

void RequestSlots::Teardown() {
    std::lock_guard table(tableLock_);
    initialised_ = false;
    for (int i = 0; i < kRequestSlotCount; ++i) {
        if (!inUse_[i]) continue;
        Slot& slot = slots_[i];
        std::lock_guard guard(slot.lock);
        slot.cancelled = true;
        slot.resultArrived.notify_all();
    }
}

void RequestSlots::ClearLocked(Slot& slot) {
    slot.client = nullptr;
    slot.armed = false;
    slot.waiting = false;
    slot.done = false;
    slot.cancelled = false;
    slot.requestId = 0;
    slot.buffer = nullptr;
    slot.bufferSize = 0;
    slot.expectedId = 0;
}

int RequestSlots::Alloc() {
    std::lock_guard table(tableLock_);
    if (!initialised_) return kSlotNoSlot;
    for (int i = 0; i < kRequestSlotCount; ++i) {
        if (!inUse_[i]) {
            inUse_[i] = true;
            anyInUse_ = true;
            return i;
        }
    }
    return kSlotNoSlot;
}

void RequestSlots::Free(int index) {
    if (index < 0 || index >= kRequestSlotCount) return;
    std::lock_guard table(tableLock_);
    {
        std::lock_guard guard(slots_[index].lock);
        ClearLocked(slots_[index]);
    }
    inUse_[index] = false;
    anyInUse_ = std::any_of(inUse_.begin(), inUse_.end(), [](bool used) { return used; });
}

int RequestSlots::Register(const void* client, uint16_t expectedId, uint16_t requestId, void* buffer,
                           size_t bufferSize) {
    const int index = Alloc();
    if (index < 0) return kSlotNoSlot;
    Slot& slot = slots_[index];
    std::lock_guard guard(slot.lock);
    ClearLocked(slot);
    slot.client = client;
    slot.expectedId = expectedId;
    slot.requestId = requestId;
    slot.buffer = buffer;
    slot.bufferSize = buffer != nullptr ? bufferSize : 0;
    slot.armed = true;
    return index;
}

void RequestSlots::Match(const void* client, uint16_t indicationId, const void* payload, size_t length) {
    std::lock_guard table(tableLock_);
    if (!initialised_ || !anyInUse_) return;
    for (int i = 0; i < kRequestSlotCount; ++i) {
        if (!inUse_[i]) continue;
        Slot& slot = slots_[i];
        std::lock_guard guard(slot.lock);
        if (!slot.armed || slot.done || slot.cancelled || slot.client != client ||
            slot.expectedId != indicationId) {
            continue;
        }
        const size_t copy = payload != nullptr ? std::min(length, slot.bufferSize) : 0;
        if (copy > 0) std::memcpy(slot.buffer, payload, copy);
        slot.done = true;
        slot.resultArrived.notify_all();
        return;
    }
    GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_LOCATION, "result indication 0x%x matches no request",
                   indicationId);
}

int RequestSlots::Wait(int index, unsigned seconds) {
    if (index < 0 || index >= kRequestSlotCount) return kSlotInvalid;
    {
        std::lock_guard table(tableLock_);
        if (!inUse_[index]) return kSlotInvalid;
    }
    Slot& slot = slots_[index];
    int result;
    {
        std::unique_lock guard(slot.lock);
        if (slot.waiting) return kSlotBusy;
        if (!slot.done && !slot.cancelled) {
            slot.waiting = true;
            slot.resultArrived.wait_for(guard, std::chrono::seconds(seconds),
                                        [&] { return slot.done || slot.cancelled; });
            slot.waiting = false;
        }
        result = slot.done ? kSlotOk : slot.cancelled ? kSlotNoSlot : kSlotTimedOut;
    }
    // Freeing takes the table lock, which must never be taken while a slot's lock is held.
    Free(index);
    return result;
}

int RequestSlots::SendAndWait(const void* client, uint16_t requestId, uint16_t expectedId, void* buffer,
                              size_t bufferSize, uint32_t timeoutMs, const std::function<int()>& send) {
    const int index = Register(client, expectedId, requestId, buffer, bufferSize);
    if (index < 0) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_LOCATION, "request 0x%x not sent: no free request slot",
                       requestId);
        return kLocStatusFailure;
    }
    const int status = send();
    if (status != kLocStatusOk) {
        Free(index);
        return status;
    }
    const int waited = Wait(index, timeoutMs / 1000);
    if (waited == kSlotTimedOut) return kLocStatusTimeout;
    return waited == kSlotOk ? kLocStatusOk : kLocStatusFailure;
}

bool RequestSlots::InUse(int index) {
    if (index < 0 || index >= kRequestSlotCount) return false;
    std::lock_guard table(tableLock_);
    return inUse_[index];
}

bool RequestSlots::IsWaiting(int index) {
    if (index < 0 || index >= kRequestSlotCount) return false;
    std::lock_guard guard(slots_[index].lock);
    return slots_[index].waiting;
}

}  // namespace geolumen
