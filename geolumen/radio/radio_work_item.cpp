#include "radio/radio_work_item.h"

#include <new>

#include "platform/work_items.h"
#include "radio/radio_interfaces.h"

namespace geolumen {

HRESULT RunRadioWorkItem(ComPtr<IUnknown> target, uint32_t state, uint32_t timeoutSeconds,
                         std::function<HRESULT(uint32_t state)> operation) {
    std::shared_ptr<RadioWorkItem> item;
    try {
        item = std::make_shared<RadioWorkItem>();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    item->target = std::move(target);
    item->state = state;
    item->operation = std::move(operation);
    const bool queued = QueueUserWorkItem([item] {
        const HRESULT hr = item->operation ? item->operation(item->state) : E_FAIL;
        item->result = hr;
        item->completed.Set();
    });
    if (!queued) return E_OUTOFMEMORY;
    // Seconds as milliseconds, held below the "no limit" value: a caller's bound is always a bound.
    const uint64_t ms = static_cast<uint64_t>(timeoutSeconds) * 1000;
    const DWORD waitMs = ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
    if (item->completed.Wait(waitMs) != WAIT_OBJECT_0) return RPC_S_CALLPENDING;
    return item->result;
}

}  // namespace geolumen
