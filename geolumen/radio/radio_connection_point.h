#pragma once
// The radio manager's one connection point, through which radio management advises its notification
// sinks, with the enumerators the connection-point contract asks for.
//
// The sinks are kept in slots (a cookie is a slot number + 1; a slot given back stays empty for reuse).
// Firing works on a copy taken under the lock and calls the sinks outside it, so a sink may advise or
// unadvise from its own callback.
#include <mutex>
#include <vector>

#include "driver/module_lock.h"
#include "radio/radio_interfaces.h"

namespace geolumen {

class cRadioConnectionPoint final : public IConnectionPoint {
  public:
    // `container` owns the point; the point's references are the container's.
    explicit cRadioConnectionPoint(IConnectionPointContainer* container) : container_(container) {}
    ~cRadioConnectionPoint() override = default;
    cRadioConnectionPoint(const cRadioConnectionPoint&) = delete;
    cRadioConnectionPoint& operator=(const cRadioConnectionPoint&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override { return container_->AddRef(); }
    ULONG Release() override { return container_->Release(); }

    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

    // The advised sinks at this moment, each counted.
    [[nodiscard]] std::vector<ComPtr<IUnknown>> Sinks();

    // Calls `call` on every advised sink that answers for the notification interface.
    template <class Call>
    void Fire(Call call) {
        for (const ComPtr<IUnknown>& sink : Sinks()) {
            ComPtr<IMediaRadioManagerNotifySink> notify;
            if (SUCCEEDED(sink.As(notify))) call(notify.Get());
        }
    }

  private:
    IConnectionPointContainer* const container_;
    std::mutex lock_;
    std::vector<ComPtr<IUnknown>> slots_;
};

class cEnumConnections final : public ComObject<IEnumConnections> {
  public:
    explicit cEnumConnections(std::vector<std::pair<ComPtr<IUnknown>, DWORD>> items, size_t position = 0)
        : items_(std::move(items)), position_(position) {}

    HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumConnections** copy) override;

  private:
    ModuleLock moduleLock_;
    const std::vector<std::pair<ComPtr<IUnknown>, DWORD>> items_;
    size_t position_;
};

class cEnumConnectionPoints final : public ComObject<IEnumConnectionPoints> {
  public:
    explicit cEnumConnectionPoints(std::vector<ComPtr<IConnectionPoint>> items, size_t position = 0)
        : items_(std::move(items)), position_(position) {}

    HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumConnectionPoints** copy) override;

  private:
    ModuleLock moduleLock_;
    const std::vector<ComPtr<IConnectionPoint>> items_;
    size_t position_;
};

}  // namespace geolumen
