#include "platform/portable_values.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace geolumen {
namespace {

class PortableDeviceValues final : public ComObject<IPortableDeviceValues> {
  public:
    HRESULT Clear() override {
        std::lock_guard lock(mutex_);
        entries_.clear();
        return S_OK;
    }
    HRESULT SetValue(const PROPERTYKEY& key, const PropValue& value) override {
        std::lock_guard lock(mutex_);
        auto it =
            std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e.first == key; });
        if (it != entries_.end()) {
            it->second = value;
        } else {
            entries_.emplace_back(key, value);
        }
        return S_OK;
    }
    HRESULT GetCount(uint32_t* count) override {
        if (!count) return E_POINTER;
        std::lock_guard lock(mutex_);
        *count = static_cast<uint32_t>(entries_.size());
        return S_OK;
    }
    HRESULT GetAt(uint32_t index, PROPERTYKEY* key, PropValue* value) override {
        std::lock_guard lock(mutex_);
        if (index >= entries_.size()) return E_INVALIDARG;
        if (key) *key = entries_[index].first;
        if (value) *value = entries_[index].second;
        return S_OK;
    }

  private:
    std::mutex mutex_;
    std::vector<std::pair<PROPERTYKEY, PropValue>> entries_;
};

class PortableDeviceValuesCollection final : public ComObject<IPortableDeviceValuesCollection> {
  public:
    HRESULT Add(IPortableDeviceValues* values) override {
        if (!values) return E_POINTER;
        std::lock_guard lock(mutex_);
        items_.emplace_back(values);
        return S_OK;
    }
    HRESULT GetCount(uint32_t* count) override {
        if (!count) return E_POINTER;
        std::lock_guard lock(mutex_);
        *count = static_cast<uint32_t>(items_.size());
        return S_OK;
    }
    HRESULT GetAt(uint32_t index, IPortableDeviceValues** values) override {
        if (!values) return E_POINTER;
        std::lock_guard lock(mutex_);
        if (index >= items_.size()) return E_INVALIDARG;
        return items_[index].CopyTo(values);
    }

  private:
    std::mutex mutex_;
    std::vector<ComPtr<IPortableDeviceValues>> items_;
};

}  // namespace

HRESULT CreatePortableDeviceValues(IPortableDeviceValues** out) {
    if (!out) return E_POINTER;
    *out = MakeCom<PortableDeviceValues>().Detach();
    return S_OK;
}

HRESULT CreatePortableDeviceValuesCollection(IPortableDeviceValuesCollection** out) {
    if (!out) return E_POINTER;
    *out = MakeCom<PortableDeviceValuesCollection>().Detach();
    return S_OK;
}

}  // namespace geolumen
