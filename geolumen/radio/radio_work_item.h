#pragma once
// Radio operations that talk to the device run as work items, so that the caller's time-out bounds the
// wait and not the device. The item is shared by the waiter and the routine: after a time-out the waiter
// lets go and the routine finishes on its own, with the target object still counted.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/com.h"
#include "platform/event.h"

namespace geolumen {

struct RadioWorkItem {
    HRESULT result = E_FAIL;  // written by the routine before it sets `completed`
    Event completed{Event::Reset::kManual};
    ComPtr<IUnknown> target;  // the instance or the manager the operation works on
    uint32_t state = 0;
    std::function<HRESULT(uint32_t state)> operation;
};

// Runs `operation(state)` on the work-item pool, keeping `target` alive until it has finished, and waits up
// to `timeoutSeconds` for it: its result, RPC_S_CALLPENDING when the wait ran out first, or E_OUTOFMEMORY
// when the item could not be queued.
[[nodiscard]] HRESULT RunRadioWorkItem(ComPtr<IUnknown> target, uint32_t state, uint32_t timeoutSeconds,
                                       std::function<HRESULT(uint32_t state)> operation);

}  // namespace geolumen
