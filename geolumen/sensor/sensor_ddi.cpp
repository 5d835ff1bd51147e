// The sensor object: creation, initialisation, the key and value stores, and the read callbacks.
#include "sensor/sensor_ddi.h"

#include <array>
#include <limits>
#include <system_error>

#include "driver/driver_globals.h"
#include "driver/main_device.h"
#include "platform/trace.h"
#include "sensor/sensor_busy.h"

namespace geolumen {

namespace {

constexpr const char* kFriendlyName = "Sarnovy Module Location Sensor";
constexpr const char* kManufacturer = "Sarnovy Incorporated";
constexpr const char* kSerialNumber = "A87A0A6B-0A67-4ACD-B275-83BEC68BEEF8";
constexpr const char* kModel = "Integrated Location Sensor";
// Both private properties read 1 whatever was set: setting them acts, it stores nothing.
constexpr uint32_t kPrivatePropertyValue = 1;

// A brace-enclosed identifier and its terminator, with room to spare for a longer (bad) value.
constexpr size_t kGuidTextBufferChars = 64;

bool IsNullKey(const PROPERTYKEY& key) { return key.pid == 0 || key.fmtid == GUID_NULL; }

std::unique_ptr<LocationSessionOps> MakeOps(const SensorDdiConfig& config) {
    if (config.createOps) {
        if (auto ops = config.createOps()) return ops;
    }
    return std::make_unique<LocationClientOps>();
}

}  // namespace

cSensorDDI::cSensorDDI(SensorDdiConfig config)
    : ops_(MakeOps(config)),
      session_(*ops_, *this, config.sessionStartDelay),
      createTimer_(config.createTimer ? std::move(config.createTimer) : TimerFactory(&CreateThreadTimer)),
      lastLatitude_(std::numeric_limits<double>::max()),
      lastLongitude_(std::numeric_limits<double>::max()),
      lastErrorRadius_(std::numeric_limits<float>::max()) {}

cSensorDDI::~cSensorDDI() {
    session_.Stop();
    // The timer goes first: its thread is joined before the state its callback touches is gone.
    std::unique_ptr<OneShotTimer> timer;
    {
        std::lock_guard idle(idleLock_);
        timer = std::move(idleTimer_);
        ++idleGeneration_;
    }
    timer.reset();
    std::lock_guard lock(mainLock_);
    ReleaseCollections();
    clients_.clear();
    device_.Reset();
}

// ---- initialisation ----

HRESULT cSensorDDI::InitializeSensorDdi(IWDFDevice* device, cMainDevice* owner) {
    if (!owner) return E_UNEXPECTED;
    return Initialize(device, &owner->Busy(), owner->DeviceInstanceId());
}

HRESULT cSensorDDI::Initialize(IWDFDevice* device, BusyState* busy, std::string instanceId) {
    if (!device) return E_UNEXPECTED;
    HRESULT hr = CreateCollections();
    if (FAILED(hr)) return hr;
    {
        std::lock_guard lock(mainLock_);
        busy_ = busy;
        instanceId_ = std::move(instanceId);
        device_ = ComPtr<IWDFDevice>(device);
    }
    if (FAILED(InitPersistentUniqueId())) {
        std::lock_guard lock(mainLock_);
        ReleaseCollections();
    }
    return RestoreRadioState();
}

HRESULT cSensorDDI::CreateCollections() {
    std::lock_guard lock(mainLock_);
    if (initialized_ || propertyKeys_ || properties_ || dataKeys_ || data_) return E_UNEXPECTED;
    HRESULT hr = CreatePortableDeviceKeyCollection(propertyKeys_.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = CreatePortableDeviceValues(properties_.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = CreatePortableDeviceKeyCollection(dataKeys_.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = CreatePortableDeviceValues(data_.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) hr = AddSupportedKeys();
    if (SUCCEEDED(hr)) hr = SetDefaultSensorProperties();
    if (SUCCEEDED(hr)) {
        std::lock_guard idle(idleLock_);
        try {
            idleTimer_ = createTimer_([this](uint64_t generation) { IdleTimerCallback(generation); });
        } catch (const std::system_error&) {
            // No thread for the timer.
            idleTimer_.reset();
        }
        if (!idleTimer_) hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        ReleaseCollections();
        return hr;
    }
    initialized_ = true;
    return S_OK;
}

void cSensorDDI::ReleaseCollections() {
    propertyKeys_.Reset();
    properties_.Reset();
    dataKeys_.Reset();
    data_.Reset();
}

HRESULT cSensorDDI::AddSupportedKeys() {
    for (const auto& row : kSensorPropertyKeys) {
        HRESULT hr = properties_->SetValue(row.key, PropValue{});
        if (SUCCEEDED(hr)) hr = propertyKeys_->Add(row.key);
        if (FAILED(hr)) return hr;
    }
    for (const auto& row : kSensorDataFieldKeys) {
        HRESULT hr = data_->SetValue(row.key, PropValue{});
        if (SUCCEEDED(hr)) hr = dataKeys_->Add(row.key);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT cSensorDDI::SetDefaultSensorProperties() {
    if (!properties_ || !data_) return E_UNEXPECTED;
    sensorState_ = SENSOR_STATE_INITIALIZING;
    const std::pair<PROPERTYKEY, PropValue> defaults[] = {
        {SENSOR_PROPERTY_FRIENDLY_NAME, std::string(kFriendlyName)},
        {SENSOR_PROPERTY_SERIAL_NUMBER, std::string(kSerialNumber)},
        {SENSOR_PROPERTY_MANUFACTURER, std::string(kManufacturer)},
        {SENSOR_PROPERTY_MODEL, std::string(kModel)},
        {WPD_OBJECT_ID, std::string(kSensorObjectId)},
        {SENSOR_PROPERTY_TYPE, SENSOR_TYPE_LOCATION_GPS},
        {SENSOR_PROPERTY_PRIVATE_NMEA, kPrivatePropertyValue},
        {WPD_FUNCTIONAL_OBJECT_CATEGORY, SENSOR_CATEGORY_LOCATION},
        {SENSOR_PROPERTY_STATE, uint32_t{SENSOR_STATE_INITIALIZING}},
        {SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, uint32_t{0}},
        {SENSOR_PROPERTY_MIN_REPORT_INTERVAL, kMinReportIntervalMs},
        {SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, kDefaultReportIntervalMs},
        {SENSOR_PROPERTY_PRIVATE_RESTART, kPrivatePropertyValue},
    };
    for (const auto& [key, value] : defaults) {
        const HRESULT hr = properties_->SetValue(key, value);
        if (FAILED(hr)) return hr;
    }
    for (const auto& row : kSensorDataFieldKeys) {
        if (row.key == SENSOR_DATA_TYPE_TIMESTAMP) continue;
        const HRESULT hr = data_->SetValue(row.key, uint32_t{0});
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT cSensorDDI::InitPersistentUniqueId() {
    ComPtr<IWDFDevice> device;
    {
        std::lock_guard lock(mainLock_);
        if (!device_ || !properties_) return E_UNEXPECTED;
        device = device_;
    }
    ComPtr<IWDFNamedPropertyStore> store;
    HRESULT hr =
        device->RetrieveDevicePropertyStore(WdfPropertyStoreCreateIfMissing, store.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !store) return FAILED(hr) ? hr : E_UNEXPECTED;

    std::array<char, kGuidTextBufferChars> text{};
    std::optional<GUID> id;
    if (SUCCEEDED(store->GetNamedValueText(kPersistentIdValueName, text.data(), text.size()))) {
        id = ParseGuid(text.data());
    }
    if (!id) {
        // Missing, or not an identifier: a stored value nobody can read would cost the sensor its
        // properties at every start, so it is replaced.
        id = NewGuid();
        const HRESULT stored = store->SetNamedValueText(kPersistentIdValueName, FormatGuid(*id).c_str());
        if (FAILED(stored)) {
            GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_SENSOR, "persistent id not stored: 0x%08X",
                           static_cast<unsigned>(stored));
        }
    }
    return SetPropertyValue(SENSOR_PROPERTY_PERSISTENT_UNIQUE_ID, *id);
}

void cSensorDDI::SetEventHandles(Event* dataReady, Event* stateChange) {
    std::lock_guard lock(mainLock_);
    dataReady_ = dataReady;
    stateChange_ = stateChange;
}

std::string cSensorDDI::GetDeviceInstanceId() {
    std::lock_guard lock(mainLock_);
    return instanceId_;
}

bool cSensorDDI::DeviceRemoved() { return DriverGlobals::Get().DeviceRemoved.load(); }

void cSensorDDI::StartLocationSession() {
    if (!session_.Start([this](uint32_t kind) { OnLocationReport(kind); })) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_SENSOR, "location session not started");
    }
}

void cSensorDDI::StopLocationSession() {
    // Never under the main lock: the worker's threads take it to report while they are being stopped.
    session_.Stop();
}

// ---- stores ----

HRESULT cSensorDDI::GetPropertyValue(const PROPERTYKEY& key, PropValue* value) {
    std::lock_guard lock(mainLock_);
    if (!properties_) return E_UNEXPECTED;
    return properties_->GetValue(key, value);
}

HRESULT cSensorDDI::SetPropertyValue(const PROPERTYKEY& key, const PropValue& value) {
    std::lock_guard lock(mainLock_);
    if (!properties_) return E_UNEXPECTED;
    return properties_->SetValue(key, value);
}

HRESULT cSensorDDI::GetDataValue(const PROPERTYKEY& key, PropValue* value) {
    std::lock_guard lock(mainLock_);
    if (!data_) return E_UNEXPECTED;
    return data_->GetValue(key, value);
}

HRESULT cSensorDDI::SetDataValue(const PROPERTYKEY& key, const PropValue& value) {
    std::lock_guard lock(mainLock_);
    if (!data_) return E_UNEXPECTED;
    return data_->SetValue(key, value);
}

HRESULT cSensorDDI::GetSupportedPropertyKeys(IPortableDeviceKeyCollection** keys) {
    std::lock_guard lock(mainLock_);
    if (!keys || !propertyKeys_ || !properties_) return E_UNEXPECTED;
    return propertyKeys_.CopyTo(keys);
}

HRESULT cSensorDDI::GetSupportedDataKeys(IPortableDeviceKeyCollection** keys) {
    std::lock_guard lock(mainLock_);
    if (!keys || !dataKeys_) return E_UNEXPECTED;
    return dataKeys_.CopyTo(keys);
}

HRESULT cSensorDDI::CopyDataValues(IPortableDeviceValues* target, uint64_t* report) {
    if (!target) return E_POINTER;
    std::lock_guard lock(mainLock_);
    if (!data_) return E_UNEXPECTED;
    if (report) *report = reportNumber_;
    uint32_t count = 0;
    HRESULT hr = data_->GetCount(&count);
    if (FAILED(hr)) return hr;
    // One scratch value per entry: each keeps its type from event to event, so its text or byte array
    // keeps its room and the copy allocates nothing.
    if (copyScratch_.size() < count) copyScratch_.resize(count);
    PROPERTYKEY key{};
    for (uint32_t i = 0; SUCCEEDED(hr) && i < count; ++i) {
        hr = data_->GetAt(i, &key, &copyScratch_[i]);
        if (SUCCEEDED(hr)) hr = target->SetValue(key, copyScratch_[i]);
    }
    return hr;
}

uint32_t cSensorDDI::GetSensorState() {
    std::lock_guard lock(mainLock_);
    return sensorState_;
}

// ---- read callbacks ----

HRESULT cSensorDDI::OnGetSupportedSensorObjects(IPortableDeviceValuesCollection** objects) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    if (!objects) return E_INVALIDARG;
    *objects = nullptr;
    ComPtr<IPortableDeviceValuesCollection> collection;
    HRESULT hr = CreatePortableDeviceValuesCollection(collection.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IPortableDeviceKeyCollection> keys;
    hr = OnGetSupportedProperties(kSensorObjectId, keys.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IPortableDeviceValues> values;
    hr = ReadKeys(keys.Get(), true, &cSensorDDI::GetPropertyValue, values.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) return E_UNEXPECTED;
    hr = collection->Add(values.Get());
    if (SUCCEEDED(hr)) *objects = collection.Detach();
    return hr;
}

namespace {

// A new key collection holding the keys of `table` in table order.
template <size_t N>
HRESULT CopyTableKeys(const std::array<SensorKeyRow, N>& table, IPortableDeviceKeyCollection** keys) {
    if (!keys) return E_INVALIDARG;
    *keys = nullptr;
    ComPtr<IPortableDeviceKeyCollection> copy;
    HRESULT hr = CreatePortableDeviceKeyCollection(copy.ReleaseAndGetAddressOf());
    for (size_t i = 0; SUCCEEDED(hr) && i < N; ++i) hr = copy->Add(table[i].key);
    if (SUCCEEDED(hr)) *keys = copy.Detach();
    return hr;
}

}  // namespace

HRESULT cSensorDDI::OnGetSupportedProperties(const char*, IPortableDeviceKeyCollection** keys) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    return CopyTableKeys(kSensorPropertyKeys, keys);
}

HRESULT cSensorDDI::OnGetSupportedDataFields(const char*, IPortableDeviceKeyCollection** keys) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    return CopyTableKeys(kSensorDataFieldKeys, keys);
}

HRESULT cSensorDDI::OnGetSupportedEvents(const char*, GUID** events, uint32_t* count) {
    if (events) *events = nullptr;
    if (count) *count = 0;
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    if (!events || !count) return E_INVALIDARG;
    auto* array = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * kSensorEvents.size()));
    if (!array) return E_OUTOFMEMORY;
    for (size_t i = 0; i < kSensorEvents.size(); ++i) array[i] = kSensorEvents[i];
    *events = array;
    *count = static_cast<uint32_t>(kSensorEvents.size());
    return S_OK;
}

HRESULT cSensorDDI::OnGetProperties(IWDFFile*, const char*, IPortableDeviceKeyCollection* keys,
                                    IPortableDeviceValues** values) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    return ReadKeys(keys, true, &cSensorDDI::GetPropertyValue, values);
}

HRESULT cSensorDDI::OnGetDataFields(IWDFFile*, const char*, IPortableDeviceKeyCollection* keys,
                                    IPortableDeviceValues** values) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    return ReadKeys(keys, false, &cSensorDDI::GetDataValue, values);
}

HRESULT cSensorDDI::ReadKeys(IPortableDeviceKeyCollection* keys, bool skipNullKeys,
                             HRESULT (cSensorDDI::*read)(const PROPERTYKEY&, PropValue*),
                             IPortableDeviceValues** out) {
    if (!keys || !out) return E_INVALIDARG;
    *out = nullptr;
    ComPtr<IPortableDeviceValues> values;
    HRESULT hr = CreatePortableDeviceValues(values.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    uint32_t count = 0;
    hr = keys->GetCount(&count);
    if (FAILED(hr)) return hr;
    bool marked = false;
    // All keys are read under one hold of the main lock, so the answer never mixes two reports.
    std::lock_guard lock(mainLock_);
    for (uint32_t i = 0; i < count; ++i) {
        PROPERTYKEY key{};
        hr = keys->GetAt(i, &key);
        if (FAILED(hr)) break;
        if (skipNullKeys && IsNullKey(key)) continue;
        (void)values->SetValue(key, ErrorValue{HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)});
        PropValue value;
        hr = (this->*read)(key, &value);
        if (SUCCEEDED(hr)) {
            hr = values->SetValue(key, value);
        } else {
            (void)values->SetValue(key, ErrorValue{hr});
            marked = true;
        }
    }
    *out = values.Detach();
    return marked ? S_FALSE : hr;
}

}  // namespace geolumen
