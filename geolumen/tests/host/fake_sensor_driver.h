#pragma once
// A sensor driver for the host's tests: answers every callback from small tables, and records each call
// as one line ("connect 0x...", "set interval=2000", ...) for the tests to compare.

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sensor_driver.h"
#include "sensor/sensor_keys.h"

namespace geolumen::host::testing {

class FakeSensorDriver final : public ComObject<ISensorDriver> {
  public:
    HRESULT OnGetSupportedSensorObjects(IPortableDeviceValuesCollection** objects) override {
        Record("objects");
        ComPtr<IPortableDeviceValuesCollection> collection;
        (void)CreatePortableDeviceValuesCollection(collection.ReleaseAndGetAddressOf());
        ComPtr<IPortableDeviceValues> values;
        (void)CreatePortableDeviceValues(values.ReleaseAndGetAddressOf());
        (void)values->SetValue(WPD_OBJECT_ID, std::string(kSensorObjectId));
        (void)collection->Add(values.Get());
        *objects = collection.Detach();
        return S_OK;
    }
    HRESULT OnGetSupportedProperties(const char*, IPortableDeviceKeyCollection** keys) override {
        Record("supported properties");
        return Keys(kSensorPropertyKeys, keys);
    }
    HRESULT OnGetSupportedDataFields(const char*, IPortableDeviceKeyCollection** keys) override {
        Record("supported data fields");
        return Keys(kSensorDataFieldKeys, keys);
    }
    HRESULT OnGetSupportedEvents(const char*, GUID** events, uint32_t* count) override {
        Record("supported events");
        *events = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * kSensorEvents.size()));
        for (size_t i = 0; i < kSensorEvents.size(); ++i) (*events)[i] = kSensorEvents[i];
        *count = static_cast<uint32_t>(kSensorEvents.size());
        return S_OK;
    }
    HRESULT OnGetProperties(IWDFFile*, const char*, IPortableDeviceKeyCollection* keys,
                            IPortableDeviceValues** values) override {
        Record("get properties");
        return Answer(keys, values, [](const PROPERTYKEY& key) -> PropValue {
            if (key == SENSOR_PROPERTY_FRIENDLY_NAME) return std::string("Fake \"Sensor\"");
            if (key == SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL) return uint32_t{1000};
            return ErrorValue{HRESULT_FROM_WIN32(ERROR_NOT_FOUND)};
        });
    }
    HRESULT OnGetDataFields(IWDFFile*, const char*, IPortableDeviceKeyCollection* keys,
                            IPortableDeviceValues** values) override {
        Record("get data fields");
        return Answer(keys, values, [](const PROPERTYKEY& key) -> PropValue {
            if (key == SENSOR_DATA_TYPE_LATITUDE_DEGREES) return -33.8740234375;
            return std::monostate{};
        });
    }
    HRESULT OnSetProperties(IWDFFile*, const char*, IPortableDeviceValues* values,
                            IPortableDeviceValues** results) override {
        ComPtr<IPortableDeviceValues> out;
        (void)CreatePortableDeviceValues(out.ReleaseAndGetAddressOf());
        uint32_t count = 0;
        (void)values->GetCount(&count);
        bool refused = false;
        std::string line = "set";
        for (uint32_t i = 0; i < count; ++i) {
            PROPERTYKEY key{};
            PropValue value;
            (void)values->GetAt(i, &key, &value);
            const uint32_t* number = std::get_if<uint32_t>(&value);
            line += std::string(" ") + (SensorKeyName(key) ? SensorKeyName(key) : "?") + "=" +
                    (number ? std::to_string(*number) : "?");
            if (key == SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL && number && *number > 0 && *number < 1000) {
                (void)out->SetValue(key, ErrorValue{E_INVALIDARG});
                refused = true;
            }
        }
        Record(line);
        *results = out.Detach();
        return refused ? S_FALSE : S_OK;
    }
    HRESULT OnClientConnect(IWDFFile*, const char*) override { return Record("connect"), S_OK; }
    HRESULT OnClientDisconnect(IWDFFile*, const char*) override { return Record("disconnect"), S_OK; }
    HRESULT OnClientSubscribeToEvents(IWDFFile*, const char*) override { return Record("subscribe"), S_OK; }
    HRESULT OnClientUnsubscribeFromEvents(IWDFFile*, const char*) override {
        return Record("unsubscribe"), S_OK;
    }
    HRESULT OnProcessWpdMessage(IUnknown*, IUnknown*, IUnknown*) override { return S_OK; }

    void Record(const std::string& line) {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(line);
        }
        changed_.notify_all();
    }
    [[nodiscard]] std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void ClearCalls() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    // Waits (bounded) until `count` calls were recorded.
    [[nodiscard]] bool WaitForCalls(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return calls_.size() >= count; });
    }

  private:
    template <size_t N>
    static HRESULT Keys(const std::array<SensorKeyRow, N>& rows, IPortableDeviceKeyCollection** keys) {
        ComPtr<IPortableDeviceKeyCollection> collection;
        (void)CreatePortableDeviceKeyCollection(collection.ReleaseAndGetAddressOf());
        for (const auto& row : rows) (void)collection->Add(row.key);
        *keys = collection.Detach();
        return S_OK;
    }
    template <class Lookup>
    static HRESULT Answer(IPortableDeviceKeyCollection* keys, IPortableDeviceValues** values, Lookup lookup) {
        ComPtr<IPortableDeviceValues> out;
        (void)CreatePortableDeviceValues(out.ReleaseAndGetAddressOf());
        uint32_t count = 0;
        (void)keys->GetCount(&count);
        bool failed = false;
        for (uint32_t i = 0; i < count; ++i) {
            PROPERTYKEY key{};
            (void)keys->GetAt(i, &key);
            const PropValue value = lookup(key);
            failed = failed || std::holds_alternative<ErrorValue>(value);
            (void)out->SetValue(key, value);
        }
        *values = out.Detach();
        return failed ? S_FALSE : S_OK;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
};

}  // namespace geolumen::host::testing
