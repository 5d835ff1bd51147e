#include "radio/radio_connection_point.h"

namespace geolumen {
namespace {

// Next of an enumerator over counted items: hands out up to `count` new references.
template <class Items, class Out, class Give>
HRESULT NextItems(const Items& items, size_t& position, ULONG count, Out* out, ULONG* fetched, Give give) {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position < items.size()) give(items[position++], out[done++]);
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT SkipItems(size_t size, size_t& position, ULONG count) {
    const size_t left = size - position;
    position += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

}  // namespace

HRESULT cRadioConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IUnknown::kIid && iid != IConnectionPoint::kIid) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT cRadioConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = IMediaRadioManagerNotifySink::kIid;
    return S_OK;
}

HRESULT cRadioConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

HRESULT cRadioConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IMediaRadioManagerNotifySink> notify;
    if (FAILED(ComPtr<IUnknown>(sink).As(notify))) return CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(lock_);
    size_t slot = 0;
    while (slot < slots_.size() && slots_[slot]) ++slot;
    if (slot == slots_.size()) slots_.emplace_back();
    slots_[slot] = ComPtr<IUnknown>(sink);
    *cookie = static_cast<DWORD>(slot + 1);
    return S_OK;
}

HRESULT cRadioConnectionPoint::Unadvise(DWORD cookie) {
    ComPtr<IUnknown> gone;
    {
        std::lock_guard lock(lock_);
        if (cookie == 0 || cookie > slots_.size() || !slots_[cookie - 1]) return CONNECT_E_NOCONNECTION;
        gone = std::move(slots_[cookie - 1]);
        slots_[cookie - 1] = nullptr;
    }
    // The sink's last reference may go here; it is released outside the lock.
    return S_OK;
}

std::vector<ComPtr<IUnknown>> cRadioConnectionPoint::Sinks() {
    std::lock_guard lock(lock_);
    std::vector<ComPtr<IUnknown>> sinks;
    for (const auto& slot : slots_) {
        if (slot) sinks.push_back(slot);
    }
    return sinks;
}

HRESULT cRadioConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    std::vector<std::pair<ComPtr<IUnknown>, DWORD>> items;
    {
        std::lock_guard lock(lock_);
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (slots_[i]) items.emplace_back(slots_[i], static_cast<DWORD>(i + 1));
        }
    }
    *connections = MakeCom<cEnumConnections>(std::move(items)).Detach();
    return S_OK;
}

HRESULT cEnumConnections::Next(ULONG count, CONNECTDATA* items, ULONG* fetched) {
    return NextItems(items_, position_, count, items, fetched,
                     [](const std::pair<ComPtr<IUnknown>, DWORD>& item, CONNECTDATA& out) {
                         out.pUnk = ComPtr<IUnknown>(item.first).Detach();
                         out.dwCookie = item.second;
                     });
}

HRESULT cEnumConnections::Skip(ULONG count) { return SkipItems(items_.size(), position_, count); }

HRESULT cEnumConnections::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT cEnumConnections::Clone(IEnumConnections** copy) {
    if (!copy) return E_POINTER;
    *copy = MakeCom<cEnumConnections>(items_, position_).Detach();
    return S_OK;
}

HRESULT cEnumConnectionPoints::Next(ULONG count, IConnectionPoint** items, ULONG* fetched) {
    return NextItems(items_, position_, count, items, fetched,
                     [](const ComPtr<IConnectionPoint>& item, IConnectionPoint*& out) {
                         out = ComPtr<IConnectionPoint>(item).Detach();
                     });
}

HRESULT cEnumConnectionPoints::Skip(ULONG count) { return SkipItems(items_.size(), position_, count); }

HRESULT cEnumConnectionPoints::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT cEnumConnectionPoints::Clone(IEnumConnectionPoints** copy) {
    if (!copy) return E_POINTER;
    *copy = MakeCom<cEnumConnectionPoints>(items_, position_).Detach();
    return S_OK;
}

}  // namespace geolumen
