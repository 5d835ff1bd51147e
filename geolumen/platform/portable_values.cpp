#include "platform/portable_values.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace geolumen {

VARTYPE PropVarType(const PropValue& value) {
    // Indexed by the alternatives of PropValue, in their order.
    static constexpr VARTYPE kTypes[] = {VT_EMPTY,    VT_CLSID,           VT_UI4,   VT_I4, VT_R8, VT_LPWSTR,
                                         VT_FILETIME, VT_VECTOR | VT_UI1, VT_ERROR, VT_R4};
    static_assert(std::size(kTypes) == std::variant_size_v<PropValue>);
    return kTypes[value.index()];
}

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
        auto it = Find(key);
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
    HRESULT GetValue(const PROPERTYKEY& key, PropValue* value) override {
        if (!value) return E_POINTER;
        std::lock_guard lock(mutex_);
        auto it = Find(key);
        if (it == entries_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        *value = it->second;
        return S_OK;
    }

  private:
    using Entries = std::vector<std::pair<PROPERTYKEY, PropValue>>;
    Entries::iterator Find(const PROPERTYKEY& key) {
        return std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e.first == key; });
    }

    std::mutex mutex_;
    Entries entries_;
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

class PortableDeviceKeyCollection final : public ComObject<IPortableDeviceKeyCollection> {
  public:
    HRESULT GetCount(uint32_t* count) override {
        if (!count) return E_POINTER;
        std::lock_guard lock(mutex_);
        *count = static_cast<uint32_t>(keys_.size());
        return S_OK;
    }
    HRESULT GetAt(uint32_t index, PROPERTYKEY* key) override {
        if (!key) return E_POINTER;
        std::lock_guard lock(mutex_);
        if (index >= keys_.size()) return E_INVALIDARG;
        *key = keys_[index];
        return S_OK;
    }
    HRESULT Add(const PROPERTYKEY& key) override {
        std::lock_guard lock(mutex_);
        keys_.push_back(key);
        return S_OK;
    }
    HRESULT Clear() override {
        std::lock_guard lock(mutex_);
        keys_.clear();
        return S_OK;
    }
    HRESULT RemoveAt(uint32_t index) override {
        std::lock_guard lock(mutex_);
        if (index >= keys_.size()) return E_INVALIDARG;
        keys_.erase(keys_.begin() + index);
        return S_OK;
    }

  private:
    std::mutex mutex_;
    std::vector<PROPERTYKEY> keys_;
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

HRESULT CreatePortableDeviceKeyCollection(IPortableDeviceKeyCollection** out) {
    if (!out) return E_POINTER;
    *out = MakeCom<PortableDeviceKeyCollection>().Detach();
    return S_OK;
}

}  // namespace geolumen
