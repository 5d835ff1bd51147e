// Sensor clients: their records, their settings, and the one report interval and accuracy the session
// runs with.
#include <limits>

#include "platform/trace.h"
#include "sensor/sensor_busy.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {

namespace {

constexpr HRESULT kNoClientRecord = HRESULT_FROM_WIN32(ERROR_INTERNAL_ERROR);
constexpr HRESULT kUnknownProperty = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
constexpr uint32_t kNoIntervalAsked = std::numeric_limits<uint32_t>::max();

const uint32_t* AsUi4(const PropValue& value) { return std::get_if<uint32_t>(&value); }

// Desired accuracy as a 32-bit number of either signedness; nothing for other types.
std::optional<int64_t> AsAccuracy(const PropValue& value) {
    if (const auto* u = std::get_if<uint32_t>(&value)) return *u;
    if (const auto* i = std::get_if<int32_t>(&value)) return *i;
    return std::nullopt;
}

}  // namespace

cSensorDDI::sClientProperties* cSensorDDI::FindClient(IWDFFile* client) {
    auto it = clients_.find(client);
    return it == clients_.end() ? nullptr : &it->second;
}

uint32_t cSensorDDI::ConnectedClientCount() {
    std::lock_guard lock(mainLock_);
    return static_cast<uint32_t>(clients_.size());
}

uint32_t cSensorDDI::SubscriberCount() {
    std::lock_guard lock(mainLock_);
    return subscriberCount_;
}

HRESULT cSensorDDI::OnClientConnect(IWDFFile* client, const char*) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    std::lock_guard lock(mainLock_);
    if (!client) return S_FALSE;
    if (FindClient(client)) return S_OK;
    sClientProperties record;
    record.file = ComPtr<IWDFFile>(client);
    clients_.emplace(client, std::move(record));
    // Only the connect that made the first record keeps the device awake: a second connect of the same
    // client would take a second reference that no disconnect gives back.
    if (clients_.size() == 1) (void)KeepDeviceAwake();
    return S_OK;
}

HRESULT cSensorDDI::OnClientDisconnect(IWDFFile* client, const char*) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    std::lock_guard lock(mainLock_);
    if (!client) return S_FALSE;
    if (clients_.empty()) return E_UNEXPECTED;
    // A client without a record still leaves the others' settings to be arbitrated again; the disconnect
    // itself has succeeded.
    if (auto it = clients_.find(client); it != clients_.end()) clients_.erase(it);
    if (clients_.empty()) {
        (void)AllowDeviceIdle();
    } else {
        ArbitrateClientSettings();
    }
    return S_OK;
}

HRESULT cSensorDDI::OnClientSubscribeToEvents(IWDFFile* client, const char*) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    std::lock_guard lock(mainLock_);
    // Counted whether or not the client connected first, so that its events flow and its later
    // unsubscribe finds something to take back.
    if (subscriberCount_ < UINT32_MAX) ++subscriberCount_;
    if (sClientProperties* record = FindClient(client)) {
        record->subscribed = 1;
        ArbitrateClientSettings();
    }
    return S_OK;
}

HRESULT cSensorDDI::OnClientUnsubscribeFromEvents(IWDFFile* client, const char*) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    std::lock_guard lock(mainLock_);
    if (subscriberCount_ == 0) return E_UNEXPECTED;
    --subscriberCount_;
    if (sClientProperties* record = FindClient(client)) {
        record->subscribed = 0;
        ArbitrateClientSettings();
    }
    return S_OK;
}

HRESULT cSensorDDI::OnSetProperties(IWDFFile* client, const char*, IPortableDeviceValues* values,
                                    IPortableDeviceValues** results) {
    SensorBusyScope busy(busy_);
    if (!busy.ok()) return busy.result();
    if (!values || !results) return E_INVALIDARG;
    *results = nullptr;
    ComPtr<IPortableDeviceValues> out;
    HRESULT hr = CreatePortableDeviceValues(out.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    uint32_t count = 0;
    hr = values->GetCount(&count);
    if (FAILED(hr)) return hr;
    // Set by a refusal only: whether the call failed in part must not depend on the order of the keys.
    bool refused = false;
    for (uint32_t i = 0; i < count; ++i) {
        PROPERTYKEY key{};
        PropValue value;
        if (FAILED(values->GetAt(i, &key, &value))) continue;
        const HRESULT set = SetOneProperty(client, key, value);
        if (FAILED(set)) {
            (void)out->SetValue(key, ErrorValue{set});
            refused = true;
        }
    }
    *results = out.Detach();
    return refused ? S_FALSE : S_OK;
}

HRESULT cSensorDDI::SetOneProperty(IWDFFile* client, const PROPERTYKEY& key, const PropValue& value) {
    if (key == SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL) {
        if (std::holds_alternative<std::monostate>(value)) return E_ACCESSDENIED;
        const uint32_t* interval = AsUi4(value);
        if (!interval || (*interval != 0 && *interval < kMinReportIntervalMs)) return E_INVALIDARG;
        std::lock_guard lock(mainLock_);
        sClientProperties* record = FindClient(client);
        if (!record) return kNoClientRecord;
        record->reportInterval = *interval;
        ArbitrateClientSettings();
        return S_OK;
    }
    if (key == SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY) {
        const auto accuracy = AsAccuracy(value);
        if (!accuracy || (*accuracy != 0 && *accuracy != 1)) return E_INVALIDARG;
        std::lock_guard lock(mainLock_);
        sClientProperties* record = FindClient(client);
        if (!record) return kNoClientRecord;
        record->desiredAccuracy = static_cast<int32_t>(*accuracy);
        ArbitrateClientSettings();
        return S_OK;
    }
    if (key == SENSOR_PROPERTY_PRIVATE_NMEA) {
        const uint32_t* on = AsUi4(value);
        if (!on) return E_INVALIDARG;
        if (*on == 1 || *on == 0) nmeaEnabled_ = *on == 1;
        return S_OK;
    }
    if (key == SENSOR_PROPERTY_PRIVATE_RESTART) {
        const uint32_t* restart = AsUi4(value);
        if (!restart) return E_INVALIDARG;
        // Outside the main lock: with the worker stopped the restart talks to the module right here.
        if (*restart == 1) session_.RestartSession();
        return S_OK;
    }
    return kUnknownProperty;
}

void cSensorDDI::ArbitrateClientSettings() {
    std::lock_guard lock(mainLock_);
    uint32_t interval = kNoIntervalAsked;
    int32_t accuracy = 0;
    for (const auto& [file, record] : clients_) {
        if (record.reportInterval != 0 && record.reportInterval < interval) interval = record.reportInterval;
        if (record.desiredAccuracy > accuracy) accuracy = record.desiredAccuracy;
    }
    (void)ApplyRadioState();
    // With nobody connected the session keeps the criteria it has.
    if (clients_.empty()) return;
    if (interval == kNoIntervalAsked) interval = kDefaultReportIntervalMs;
    if (!session_.SetCriteria(interval, static_cast<uint32_t>(accuracy))) return;
    GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_SENSOR, "session criteria: %u ms, accuracy %d", interval,
                   accuracy);
    (void)SetPropertyValue(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, interval);
    (void)SetPropertyValue(SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY, static_cast<uint32_t>(accuracy));
    UpdateIdlePolicy();
}

}  // namespace geolumen
