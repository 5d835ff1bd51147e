#include "location/location_client.h"

#include <memory>
#include <thread>
#include <vector>

#include "halyx/halyx_mux.h"
#include "halyx/halyx_usb_transport.h"
#include "halyx/location_service.h"
#include "location/location_status.h"
#include "location/location_tables.h"
#include "platform/trace.h"

namespace geolumen {

namespace {

// The value the cookie points at, as the service client has always been given it.
constexpr int kCookieValue = 1;

constexpr uint16_t kServiceError1 = 1;
constexpr uint16_t kServiceError23 = 23;

const LocationServiceCallbacks kLocationServiceCallbacks = {
    kLocationCallbacksSize,
    &LocationClient::OnLocationEvent,
    &LocationClient::OnLocationResponse,
    &LocationClient::OnLocationServiceError,
};

// Sets a manual-reset event when the stop token fires, so waits on message-stack events can include it.
class StopEvent {
  public:
    explicit StopEvent(std::stop_token stop) : callback_(stop, [this] { event.Set(); }) {}
    Event event{Event::Reset::kManual};

  private:
    std::stop_callback<std::function<void()>> callback_;
};

bool IsSet(Event& event) { return event.IsSet(); }

}  // namespace

LocationClient::LocationClient(LocationClientConfig config)
    : config_(std::move(config)), reports_(config_.tickMs) {
    if (!config_.sleep) config_.sleep = [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
    if (!config_.random) config_.random = AssistanceRandom;
    if (!config_.now) config_.now = SystemFileTimeNow;
    // Without a reader of its own the client reads the device's settings where the driver keeps them;
    // with none at all no time or orbit request could ever reach a server, not even a built-in one.
    if (config_.parameters == nullptr) config_.parameters = &DeviceStoreParameters::Instance();
}

LocationClient::~LocationClient() {
    CloseLocationClient();
    slots_.Teardown();
}

bool LocationClient::IsOpen() const {
    std::lock_guard guard(recordLock_);
    return record_ != nullptr && record_->handle != nullptr;
}

halyx_client* LocationClient::Handle() const {
    std::lock_guard guard(recordLock_);
    return record_ ? record_->handle : nullptr;
}

int LocationClient::OpenLocationClient(bool flag, std::stop_token stop) {
    std::unique_lock lifecycle(lifecycle_);
    StopEvent stopped(stop);
    slots_.Init();
    for (;;) {
        // The device's teardown stops the stack; a client that outlives it starts it again.
        if (stackStarted_ && !halyx_mux_is_open(0)) stackStarted_ = false;
        if (!stackStarted_) {
            // The message stack is started once per driver load; a failure is retried with the open.
            if (halyx_mux_start() == kHalyxOk && halyx_usb_transport_start() == kHalyxOk)
                stackStarted_ = true;
        }
        if (stackStarted_ && OpenServiceClientLocked(static_cast<uint32_t>(kRegisteredEventMask), 0,
                                                     &kLocationServiceCallbacks, &kCookieValue,
                                                     stopped.event) == kLocStatusOk) {
            break;
        }
        if (IsSet(stopped.event)) {
            GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_LOCATION, "location client open stopped");
            return kLocStatusFailure;
        }
        if (stopped.event.Wait(kOpenRetryDelayMs) == WAIT_OBJECT_0) return kLocStatusFailure;
    }
    halyx_loc_request_54 r54{};
    r54.option_10_valid = 1;
    r54.option_10 = 1;
    (void)SendForResultLocked(kHalyxLocRequest54, &r54);
    halyx_loc_request_55 r55{};
    r55.value = 2;
    (void)SendForResultLocked(kHalyxLocRequest55, &r55);
    if (flag) {
        halyx_loc_request_4a r4a{};
        r4a.value = 2;
        (void)SendForResultLocked(kHalyxLocRequest4A, &r4a);
    }
    return kLocStatusOk;
}

int LocationClient::OpenLocationServiceClient(uint32_t maskLow, uint32_t maskHigh,
                                              const LocationServiceCallbacks* callbacks, const void* cookie,
                                              std::stop_token stop) {
    std::unique_lock lifecycle(lifecycle_);
    StopEvent stopped(stop);
    return OpenServiceClientLocked(maskLow, maskHigh, callbacks, cookie, stopped.event);
}

int LocationClient::OpenServiceClientLocked(uint32_t maskLow, uint32_t maskHigh,
                                            const LocationServiceCallbacks* callbacks, const void* cookie,
                                            Event& stopped) {
    if (callbacks == nullptr || callbacks->size != kLocationCallbacksSize || callbacks->response == nullptr) {
        return kLocStatusInvalid;
    }
    if (Handle() != nullptr) CloseLocked();
    auto record = std::make_unique<LocationServiceClient>();
    record->owner = this;
    const int connected = ConnectLocationService(*record, stopped);
    if (connected != kLocStatusOk) return connected;
    {
        std::lock_guard guard(recordLock_);
        record_ = std::move(record);
    }
    // Registration goes through the normal request path, so the record must be in place first; the
    // callbacks and mask follow only when it succeeded, so no event is delivered to a failed client.
    halyx_loc_register_events_req mask{};
    mask.event_mask = (static_cast<uint64_t>(maskHigh) << 32) | maskLow;
    if (SendLocked(kHalyxLocRegisterEvents, &mask) != kLocStatusOk) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_LOCATION, "event registration failed; client closed");
        CloseLocked();
        return kLocStatusFailure;
    }
    std::lock_guard guard(recordLock_);
    record_->cookie = cookie;
    record_->event = callbacks->event;
    record_->response = callbacks->response;
    record_->error = callbacks->error;
    record_->maskLow = maskLow;
    record_->maskHigh = maskHigh;
    return kLocStatusOk;
}

int LocationClient::ConnectLocationService(LocationServiceClient& record, Event& stopped) {
    const halyx_service_desc* desc =
        halyx_location_service_desc(kHalyxLocIdlMajor, kHalyxLocIdlMinor, kHalyxLocLibraryVersion);
    if (desc == nullptr) return kLocStatusFailure;
    halyx_signal signal;
    halyx_client* watcher = nullptr;
    if (halyx_watch_service(desc, &signal, &watcher) != kHalyxOk) return kLocStatusFailure;
    const DWORD waited = WaitForAny({signal.event, &stopped}, kServiceWaitMs);
    (void)halyx_close_client(watcher);
    if (waited == WAIT_OBJECT_0 + 1) return kLocStatusFailure;
    if (waited != WAIT_OBJECT_0) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_LOCATION, "location service not found in %u ms",
                       kServiceWaitMs);
        return kLocStatusTimeout;
    }
    halyx_service_instance instances[kMaxServiceInstances];
    uint32_t capacity = kMaxServiceInstances;
    uint32_t count = 0;
    if (halyx_find_service_instances(desc, instances, &capacity, &count) != kHalyxOk || capacity == 0) {
        return kLocStatusFailure;
    }
    halyx_client* handle = nullptr;
    if (halyx_open_client(&instances[0], desc, &LocationClient::OnHalyxIndication, this, &handle) !=
            kHalyxOk ||
        handle == nullptr) {
        return kLocStatusFailure;
    }
    if (halyx_set_error_handler(handle, &LocationClient::OnHalyxClientError, this) != kHalyxOk) {
        (void)halyx_close_client(handle);
        return kLocStatusFailure;
    }
    record.handle = handle;
    return kLocStatusOk;
}

int LocationClient::CloseLocationClient() {
    std::unique_lock lifecycle(lifecycle_);
    const int status = CloseLocked();
    // The slots live as long as this object: closing only ends what waits on them.
    slots_.Teardown();
    return status;
}

int LocationClient::CloseLocked() {
    std::unique_ptr<LocationServiceClient> record;
    {
        std::lock_guard guard(recordLock_);
        record = std::move(record_);
    }
    if (!record || record->handle == nullptr) return kLocStatusNoClient;
    // The indication path no longer finds the record; closing waits for calls still inside the stack.
    return halyx_close_client(record->handle) == kHalyxOk ? kLocStatusOk : kLocStatusFailure;
}

int LocationClient::SendLocationRequest(uint16_t id, const void* payload) {
    std::shared_lock lifecycle(lifecycle_);
    return SendLocked(id, payload);
}

int LocationClient::SendLocked(uint16_t id, const void* payload) {
    halyx_client* handle = Handle();
    if (handle == nullptr) return kLocStatusNoClient;
    const auto size = LocationRequestPayloadSize(id);
    if (!size || (*size > 0 && payload == nullptr)) return kLocStatusInvalid;
    halyx_result result{};
    const int r =
        halyx_request_and_wait(handle, id, payload, *size, &result, sizeof result, kRequestTimeoutMs);
    if (r != kHalyxOk) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_LOCATION, "request 0x%x failed in the message stack (%d)", id,
                       r);
        return kLocStatusFailure;
    }
    if (result.result == 0) return kLocStatusOk;
    GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_LOCATION, "request 0x%x refused: result %d error %d", id,
                   result.result, result.error);
    if (result.error == kServiceError1) return kLocStatusInvalid;
    if (result.error == kServiceError23) return kLocStatusServiceError23;
    return kLocStatusFailure;
}

int LocationClient::SendLocationRequestAndWait(uint16_t id, const void* payload, uint32_t timeoutMs,
                                               uint16_t expectedId, void* buffer, size_t bufferSize) {
    std::shared_lock lifecycle(lifecycle_);
    return SendAndWaitLocked(id, payload, timeoutMs, expectedId, buffer, bufferSize);
}

int LocationClient::SendAndWaitLocked(uint16_t id, const void* payload, uint32_t timeoutMs,
                                      uint16_t expectedId, void* buffer, size_t bufferSize) {
    LocationServiceClient* record;
    {
        std::lock_guard guard(recordLock_);
        record = record_.get();
    }
    return slots_.SendAndWait(record, id, expectedId, buffer, bufferSize, timeoutMs,
                              [&] { return SendLocked(id, payload); });
}

int LocationClient::SendForResultLocked(uint16_t id, const void* payload) {
    halyx_loc_result_ind result{};
    const int status = SendAndWaitLocked(id, payload, kResultWaitMs, id, &result, sizeof result);
    if (status != kLocStatusOk) return status;
    if (result.status != 0) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_LOCATION, "request 0x%x: result status %u", id,
                       result.status);
        return kLocStatusFailure;
    }
    return kLocStatusOk;
}

void LocationClient::OnHalyxIndication(halyx_client* client, uint16_t id, const void* payload,
                                       uint32_t length, void* data) {
    auto* self = static_cast<LocationClient*>(data);
    if (self == nullptr) return;
    // Held for the whole delivery: closing takes the record under this lock, so it can never be freed
    // while an indication is being handed to it.
    std::lock_guard guard(self->recordLock_);
    LocationServiceClient* record = self->record_.get();
    if (record == nullptr || record->handle != client) return;

    bool isEvent = false;
    if (const LocationEventEntry* event = FindLocationEvent(id)) {
        const uint64_t mask = (static_cast<uint64_t>(record->maskHigh) << 32) | record->maskLow;
        if (record->event == nullptr || (mask & event->mask) == 0) return;
        isEvent = true;
    } else if (!IsLocationResponse(id)) {
        return;
    }
    const auto described = LocationIndicationSize(id);
    if (!described) return;
    const uint32_t size = *described;
    // 8-byte units keep the decoded structure aligned for its doubles and 64-bit fields.
    std::vector<uint64_t>& decoded = self->decodeScratch_;
    decoded.assign((size + 7) / 8, 0);
    const int r =
        halyx_decode_message(client, kHalyxKindIndication, id, payload, length, decoded.data(), size);
    if (r != kHalyxOk) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_LOCATION, "indication 0x%x dropped: decode error %d", id,
                       r);
        return;
    }
    if (isEvent) {
        record->event(record, id, decoded.data(), record->cookie);
    } else if (IsLocationResultAccepted(id) && record->response != nullptr) {
        record->response(record, id, decoded.data(), record->cookie);
    }
}

void LocationClient::OnLocationEvent(LocationServiceClient* client, uint16_t id, const void* payload,
                                     const void*) {
    LocationClient& self = *client->owner;
    switch (id) {
        case kHalyxLocPositionReport:
            self.reports_.StorePositionReport(*static_cast<const halyx_loc_position_report*>(payload));
            self.events_.positionReport.Set();
            break;
        case kHalyxLocSatelliteReport:
            self.reports_.StoreSatelliteReport(*static_cast<const halyx_loc_satellite_report*>(payload));
            self.events_.satelliteReport.Set();
            break;
        case kHalyxLocNmeaReport:
            self.events_.nmeaReport.Set();
            break;
        case kHalyxLocTimeRequest:
            self.events_.timeRequest.Set();
            break;
        case kHalyxLocOrbitRequest:
            self.events_.orbitRequest.Set();
            break;
        case kHalyxLocPositionRequest:
            self.events_.positionRequest.Set();
            break;
        default:
            break;
    }
}

void LocationClient::OnLocationResponse(LocationServiceClient* client, uint16_t id, const void* payload,
                                        const void*) {
    const auto size = LocationIndicationSize(id);
    if (!IsLocationResponse(id) || !size) return;
    client->owner->slots_.Match(client, id, payload, *size);
}

void LocationClient::OnHalyxClientError(halyx_client* client, int error, void* data) {
    auto* self = static_cast<LocationClient*>(data);
    if (self == nullptr) return;
    GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_LOCATION, "location client error %d", error);
    std::lock_guard guard(self->recordLock_);
    LocationServiceClient* record = self->record_.get();
    if (record == nullptr || record->handle != client || record->error == nullptr) return;
    record->error(record, 1, record->cookie);
}

void LocationClient::OnLocationServiceError(LocationServiceClient* client, int, const void*) {
    LocationClient& self = *client->owner;
    // Called with the record lock held, so the client is the open one.
    if (client->handle != nullptr && self.sessionStarted_) self.events_.serviceLost.Set();
}

}  // namespace geolumen
