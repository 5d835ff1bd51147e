#include "halyx/halyx_client.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "halyx/tlv_codec.h"
#include "platform/event.h"
#include "platform/trace.h"

namespace geolumen {

namespace {

// Delivery kinds of a pending request.
enum class Delivery { kSyncDecode = 0, kSyncRaw = 1, kAsyncDecode = 2, kAsyncRaw = 3 };

// Where a pending request stands. The receive path claims a record before it writes into its buffer and
// marks it delivered after; a waiter that gives up on a claimed record waits for the delivery, so no
// answer is ever written into a buffer its caller has already left.
enum class RecordState { kPending, kClaimed, kDelivered };

// Rounds of "count, allocate, list" in open before giving up on a count that keeps changing.
constexpr int kInstanceListRounds = 4;
// Bound of close's wait for its connections to report closed; the USB transport closes synchronously,
// so this only guards against a transport that never calls back.
constexpr DWORD kCloseWaitMs = 5000;
// Size of the buffer the debug lines are formatted into.
constexpr std::size_t kDebugLineSize = 1024;

}  // namespace

struct halyx_pending_request {
    Delivery delivery = Delivery::kSyncDecode;
    std::uint16_t transaction_id = 0;
    std::uint16_t message_id = 0;
    halyx_raw_cb raw_cb = nullptr;
    halyx_decode_cb decode_cb = nullptr;
    void* cb_data = nullptr;
    void* response = nullptr;
    std::uint32_t response_length = 0;
    std::uint32_t received_length = 0;
    int result = kHalyxErrTimeout;
    RecordState state = RecordState::kPending;  // under lock C
    std::condition_variable delivered;          // waits under lock C
};

using PendingPtr = std::shared_ptr<halyx_pending_request>;

struct halyx_client {
    const halyx_service_desc* desc = nullptr;
    std::uint32_t service = 0;
    std::uint32_t idl_version = 0;
    std::uint32_t max_message_length = 0;

    const halyx_transport_ops* ops = nullptr;
    void* transport_data = nullptr;
    halyx_usb_connection* connection = nullptr;
    std::size_t address_length = 0;

    std::mutex lock_a;
    int connection_count = 0;

    halyx_indication_cb indication = nullptr;
    void* indication_data = nullptr;

    std::mutex lock_b;
    halyx_error_cb error_cb = nullptr;
    void* error_data = nullptr;
    bool service_lost = false;

    std::uint8_t address[kHalyxMaxAddress] = {};

    std::mutex lock_c;
    std::list<PendingPtr> pending;
    std::size_t pending_count = 0;
    std::uint16_t next_transaction = 1;
    int active_calls = 0;  // requests in progress; close waits for them to leave
    bool closing = false;
    std::condition_variable calls_done;

    Event event{Event::Reset::kManual};
    std::atomic<bool> timed_out{false};
    halyx_signal* signal = nullptr;
};

namespace {

void WriteDebugLine(const char* direction, std::uint8_t type, unsigned transaction, unsigned message_id,
                    int length) {
    char line[kDebugLineSize];
    std::snprintf(line, sizeof line, "Zorvic %s: %s txn: 0x%x msg_id: 0x%x len: %d\n", direction,
                  halyx_kind_name(type), transaction, message_id, length);
    OutputDebugStringA(line);
}

// Reads the description's facts into a new client; the caller owns it.
int NewClient(const halyx_service_desc* desc, std::unique_ptr<halyx_client>& out) {
    auto client = std::make_unique<halyx_client>();
    int r = halyx_service_number(desc, &client->service);
    if (r == 0) r = halyx_idl_version(desc, &client->idl_version);
    if (r == 0) r = halyx_max_message_length(desc, &client->max_message_length);
    if (r != 0) return r;
    if (client->service > 0xFF || client->idl_version > 0xFF) return kHalyxErrArgument;
    client->desc = desc;
    out = std::move(client);
    return kHalyxOk;
}

// Takes the next transaction id (1..65535, 0 skipped) and links the record, unless the client is closing.
PendingPtr PendingAdd(halyx_client* client, Delivery delivery, std::uint16_t message_id, void* response,
                      std::uint32_t response_length) {
    auto rec = std::make_shared<halyx_pending_request>();
    rec->delivery = delivery;
    rec->message_id = message_id;
    rec->response = response;
    rec->response_length = response_length;
    std::lock_guard lock(client->lock_c);
    if (client->closing) return nullptr;
    if (client->next_transaction == 0) client->next_transaction = 1;
    rec->transaction_id = client->next_transaction++;
    client->pending.push_back(rec);
    ++client->pending_count;
    return rec;
}

// Unlinks a record still pending (lock C held); false when the receive path has it.
bool PendingRemoveLocked(halyx_client* client, const PendingPtr& rec) {
    const auto it = std::find(client->pending.begin(), client->pending.end(), rec);
    if (it == client->pending.end()) return false;
    client->pending.erase(it);
    --client->pending_count;
    return true;
}

void Deliver(halyx_client* client, const PendingPtr& rec, int result) {
    {
        std::lock_guard lock(client->lock_c);
        rec->result = result;
        rec->state = RecordState::kDelivered;
    }
    rec->delivered.notify_all();
}

// Counts a request in progress, so that close does not free the client under it.
bool EnterCall(halyx_client* client) {
    std::lock_guard lock(client->lock_c);
    if (client->closing) return false;
    ++client->active_calls;
    return true;
}

void LeaveCall(halyx_client* client) {
    // Notified under the lock: once close sees no call left it frees the client, condition included.
    std::lock_guard lock(client->lock_c);
    --client->active_calls;
    client->calls_done.notify_all();
}

int EncodeAndSend(halyx_client* client, std::uint32_t kind, std::uint16_t transaction,
                  std::uint16_t message_id, const void* structure, std::uint32_t structure_length) {
    std::uint32_t size = 0;
    int r = halyx_message_struct_size(client->desc, kind, message_id, &size);
    if (r != 0) return r;
    if (size != structure_length || (structure == nullptr && structure_length != 0)) return kHalyxErrArgument;
    std::uint32_t max_length = 0;
    if (structure != nullptr && structure_length != 0) {
        r = halyx_max_encoded_length(client->desc, kind, message_id, &max_length);
        if (r != 0) return r;
    }
    std::vector<std::uint8_t> message(kHalyxMessageHeaderSize + max_length, 0);
    std::uint32_t encoded = 0;
    if (max_length != 0) {
        r = halyx_encode_tlvs(client->desc, kind, message_id, structure,
                              message.data() + kHalyxMessageHeaderSize, max_length, &encoded);
        if (r != 0) return r;
    }
    halyx_message_header h;
    h.type = static_cast<std::uint8_t>(2 * kind);
    h.transaction_id = transaction;
    h.message_id = message_id;
    h.length = static_cast<std::uint16_t>(encoded);
    h.Write(message.data());
    WriteDebugLine("TX", h.type, h.transaction_id, h.message_id, static_cast<int>(h.length));
    const int sent = client->ops->send(client->connection, client->address, message.data(),
                                       kHalyxMessageHeaderSize + encoded);
    return sent != 0 ? kHalyxErrSend : kHalyxOk;
}

int StartRequest(halyx_client* client, Delivery delivery, std::uint16_t message_id, const void* request,
                 std::uint32_t request_length, void* response, std::uint32_t response_length,
                 PendingPtr& rec) {
    rec = PendingAdd(client, delivery, message_id, response, response_length);
    if (!rec) return kHalyxErrArgument;
    const int r =
        EncodeAndSend(client, kHalyxKindRequest, rec->transaction_id, message_id, request, request_length);
    if (r != kHalyxOk) {
        std::lock_guard lock(client->lock_c);
        PendingRemoveLocked(client, rec);
    }
    return r;
}

int AsyncRequest(halyx_client* client, Delivery delivery, std::uint16_t message_id, const void* request,
                 std::uint32_t request_length, void* response, std::uint32_t response_length,
                 halyx_decode_cb decode, halyx_raw_cb raw, void* data) {
    if (client == nullptr || response == nullptr || client->ops == nullptr || client->connection == nullptr) {
        return kHalyxErrArgument;
    }
    if (!EnterCall(client)) return kHalyxErrArgument;
    auto rec = PendingAdd(client, delivery, message_id, response, response_length);
    int r = kHalyxErrArgument;
    if (rec) {
        rec->decode_cb = decode;
        rec->raw_cb = raw;
        rec->cb_data = data;
        r = EncodeAndSend(client, kHalyxKindRequest, rec->transaction_id, message_id, request,
                          request_length);
        if (r != kHalyxOk) {
            std::lock_guard lock(client->lock_c);
            PendingRemoveLocked(client, rec);
        }
    }
    LeaveCall(client);
    return r;
}

void DeliverResponse(halyx_client* client, const PendingPtr& rec, const std::uint8_t* payload,
                     std::uint32_t length) {
    const std::uint32_t copied = std::min(length, rec->response_length);
    switch (rec->delivery) {
        case Delivery::kSyncDecode:
            Deliver(client, rec,
                    halyx_decode_tlvs(client->desc, kHalyxKindResponse, rec->message_id, payload, length,
                                      rec->response, rec->response_length));
            break;
        case Delivery::kSyncRaw:
            if (copied != 0) std::memcpy(rec->response, payload, copied);
            rec->received_length = copied;
            Deliver(client, rec, kHalyxOk);
            break;
        case Delivery::kAsyncDecode: {
            const int r = halyx_decode_tlvs(client->desc, kHalyxKindResponse, rec->message_id, payload,
                                            length, rec->response, rec->response_length);
            if (rec->decode_cb)
                rec->decode_cb(client, rec->message_id, rec->response, rec->response_length, rec->cb_data, r);
            break;
        }
        case Delivery::kAsyncRaw:
            if (copied != 0) std::memcpy(rec->response, payload, copied);
            if (rec->raw_cb)
                rec->raw_cb(client, rec->message_id, rec->response, copied, rec->cb_data, kHalyxOk);
            break;
    }
}

void DeliverWrongMessage(halyx_client* client, const PendingPtr& rec) {
    switch (rec->delivery) {
        case Delivery::kSyncDecode:
        case Delivery::kSyncRaw:
            Deliver(client, rec, kHalyxErrWrongMessage);
            break;
        case Delivery::kAsyncDecode:
            if (rec->decode_cb)
                rec->decode_cb(client, rec->message_id, rec->response, 0, rec->cb_data,
                               kHalyxErrWrongMessage);
            break;
        case Delivery::kAsyncRaw:
            if (rec->raw_cb)
                rec->raw_cb(client, rec->message_id, rec->response, 0, rec->cb_data, kHalyxErrWrongMessage);
            break;
    }
}

}  // namespace

void halyx_message_header::Write(std::uint8_t* out) const {
    out[0] = type;
    out[1] = static_cast<std::uint8_t>(transaction_id & 0xFF);
    out[2] = static_cast<std::uint8_t>(transaction_id >> 8);
    out[3] = static_cast<std::uint8_t>(message_id & 0xFF);
    out[4] = static_cast<std::uint8_t>(message_id >> 8);
    out[5] = static_cast<std::uint8_t>(length & 0xFF);
    out[6] = static_cast<std::uint8_t>(length >> 8);
}

std::optional<halyx_message_header> halyx_message_header::Read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHalyxMessageHeaderSize) return std::nullopt;
    halyx_message_header h;
    h.type = bytes[0];
    h.transaction_id = static_cast<std::uint16_t>(bytes[1] | (bytes[2] << 8));
    h.message_id = static_cast<std::uint16_t>(bytes[3] | (bytes[4] << 8));
    h.length = static_cast<std::uint16_t>(bytes[5] | (bytes[6] << 8));
    return h;
}

const char* halyx_kind_name(int type) {
    switch (type) {
        case kHalyxMsgRequest:
            return "REQ";
        case kHalyxMsgResponse:
            return "RESP";
        case kHalyxMsgIndication:
            return "IND";
        default:
            return "UNKNOWN";
    }
}

int halyx_find_service_instances(const halyx_service_desc* desc, halyx_service_instance* instances,
                                 std::uint32_t* capacity, std::uint32_t* count) {
    if (desc == nullptr || count == nullptr) return kHalyxErrArgument;
    std::uint32_t service = 0;
    std::uint32_t version = 0;
    int r = halyx_service_number(desc, &service);
    if (r == 0) r = halyx_idl_version(desc, &version);
    if (r != 0) return r;
    const std::uint32_t room = (capacity != nullptr && instances != nullptr) ? *capacity : 0;
    std::uint32_t written = 0;
    std::uint32_t total = 0;
    for (std::size_t t = 0; t < halyx_transport_count(); ++t) {
        void* data = nullptr;
        const halyx_transport_ops* ops = halyx_transport_at(t, &data);
        if (ops == nullptr) continue;
        std::uint32_t left = room - written;
        const std::uint32_t found =
            ops->query_services(data, static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(service),
                                static_cast<std::uint8_t>(version), room != 0 ? &left : nullptr,
                                room != 0 ? instances + written : nullptr);
        total += found;
        written += std::min(found, room - written);
    }
    *count = total;
    if (capacity != nullptr) *capacity = written;
    return total > 0 ? kHalyxOk : kHalyxErrSend;
}

int halyx_open_client(const halyx_service_instance* instance, const halyx_service_desc* desc,
                      halyx_indication_cb indication, void* indication_data, halyx_client** out) {
    if (instance == nullptr || out == nullptr) return kHalyxErrArgument;
    *out = nullptr;
    void* data = nullptr;
    const halyx_transport_ops* ops = halyx_transport_at(instance->transport_index, &data);
    if (ops == nullptr) return kHalyxErrArgument;
    std::unique_ptr<halyx_client> client;
    const int r = NewClient(desc, client);
    if (r != kHalyxOk) return r;
    client->indication = indication;
    client->indication_data = indication_data;
    client->ops = ops;
    client->transport_data = data;
    client->address_length = std::min(ops->address_size(), kHalyxMaxAddress);
    std::memcpy(client->address, instance->address, client->address_length);

    client->connection =
        ops->open(data, client.get(), static_cast<std::uint8_t>(client->service), client->address, true);
    if (client->connection == nullptr) return kHalyxErrArgument;
    // Counted now, so that a close of this connection below brings the count back to 0.
    {
        std::lock_guard lock(client->lock_a);
        ++client->connection_count;
    }

    std::vector<halyx_service_instance> found;
    std::uint32_t listed = 0;
    for (int round = 0; round < kInstanceListRounds; ++round) {
        std::uint32_t n = 0;
        if (halyx_find_service_instances(desc, nullptr, nullptr, &n) != kHalyxOk) break;
        found.assign(n, halyx_service_instance{});
        std::uint32_t capacity = n;
        std::uint32_t again = 0;
        if (halyx_find_service_instances(desc, found.data(), &capacity, &again) != kHalyxOk) break;
        if (again == n) {
            listed = capacity;
            break;
        }
    }
    for (std::uint32_t i = 0; i < listed; ++i) {
        if (std::memcmp(found[i].address, client->address, client->address_length) == 0) {
            *out = client.release();
            return kHalyxOk;
        }
    }
    GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "service 0x%x: no instance", client->service);
    ops->close(client->connection);
    client->connection = nullptr;
    return kHalyxErrSend;
}

int halyx_watch_service(const halyx_service_desc* desc, halyx_signal* signal, halyx_client** out) {
    if (signal == nullptr || out == nullptr) return kHalyxErrArgument;
    *out = nullptr;
    std::unique_ptr<halyx_client> client;
    if (NewClient(desc, client) != kHalyxOk) return kHalyxErrArgument;
    client->signal = signal;
    signal->event = new Event(Event::Reset::kManual);
    int opened = 0;
    for (std::size_t t = 0; t < halyx_transport_count() && opened == 0; ++t) {
        void* data = nullptr;
        const halyx_transport_ops* ops = halyx_transport_at(t, &data);
        if (ops == nullptr) continue;
        halyx_usb_connection* connection =
            ops->open(data, client.get(), static_cast<std::uint8_t>(client->service), client->address, false);
        if (connection == nullptr) continue;
        client->ops = ops;
        client->transport_data = data;
        client->connection = connection;
        {
            std::lock_guard lock(client->lock_a);
            ++client->connection_count;
        }
        ++opened;
        if (ops->query_services(data, static_cast<std::uint8_t>(t),
                                static_cast<std::uint8_t>(client->service),
                                static_cast<std::uint8_t>(client->idl_version), nullptr, nullptr) > 0) {
            signal->event->Set();
        }
    }
    if (opened == 0) {
        delete signal->event;
        signal->event = nullptr;
        return kHalyxErrArgument;
    }
    *out = client.release();
    return kHalyxOk;
}

int halyx_set_error_handler(halyx_client* client, halyx_error_cb callback, void* data) {
    if (client == nullptr || callback == nullptr) return kHalyxErrArgument;
    bool lost = false;
    {
        std::lock_guard lock(client->lock_b);
        client->error_cb = callback;
        client->error_data = data;
        lost = client->service_lost;
    }
    if (!lost) return kHalyxOk;
    callback(client, kHalyxErrSend, data);
    return kHalyxErrSend;
}

void halyx_client_service_lost(halyx_client* client) {
    if (client == nullptr) return;
    halyx_error_cb callback = nullptr;
    void* data = nullptr;
    {
        std::lock_guard lock(client->lock_b);
        client->service_lost = true;
        callback = client->error_cb;
        data = client->error_data;
    }
    if (callback != nullptr) callback(client, kHalyxErrSend, data);
}

int halyx_request_and_wait(halyx_client* client, std::uint16_t message_id, const void* request,
                           std::uint32_t request_length, void* response, std::uint32_t response_length,
                           std::uint32_t timeout_ms) {
    if (client == nullptr || response == nullptr || client->ops == nullptr || client->connection == nullptr) {
        return kHalyxErrArgument;
    }
    if (!EnterCall(client)) return kHalyxErrArgument;
    PendingPtr rec;
    int r = StartRequest(client, Delivery::kSyncDecode, message_id, request, request_length, response,
                         response_length, rec);
    if (r == kHalyxOk) {
        std::unique_lock lock(client->lock_c);
        const auto delivered = [&] { return rec->state == RecordState::kDelivered; };
        bool in_time = true;
        if (timeout_ms == 0) {
            rec->delivered.wait(lock, delivered);
        } else {
            in_time = rec->delivered.wait_for(lock, std::chrono::milliseconds(timeout_ms), delivered);
        }
        if (!in_time && PendingRemoveLocked(client, rec)) {
            client->timed_out = true;
            r = kHalyxErrTimeout;
        } else {
            // Claimed as the time ran out: the answer is being written now, so wait for it to finish.
            rec->delivered.wait(lock, delivered);
            client->timed_out = false;
            // Still -3 means the record ended without its answer (the client closing).
            r = rec->result == kHalyxErrTimeout ? kHalyxErrArgument : rec->result;
        }
    }
    LeaveCall(client);
    return r;
}

int halyx_request_async(halyx_client* client, std::uint16_t message_id, const void* request,
                        std::uint32_t request_length, void* response, std::uint32_t response_length,
                        halyx_decode_cb callback, void* data) {
    return AsyncRequest(client, Delivery::kAsyncDecode, message_id, request, request_length, response,
                        response_length, callback, nullptr, data);
}

int halyx_request_raw_async(halyx_client* client, std::uint16_t message_id, const void* request,
                            std::uint32_t request_length, void* response, std::uint32_t response_length,
                            halyx_raw_cb callback, void* data) {
    return AsyncRequest(client, Delivery::kAsyncRaw, message_id, request, request_length, response,
                        response_length, nullptr, callback, data);
}

int halyx_decode_message(halyx_client* client, int kind, std::uint16_t message_id, const void* payload,
                         std::uint32_t length, void* output, std::uint32_t output_length) {
    if (client == nullptr) return kHalyxErrArgument;
    return halyx_decode_tlvs(client->desc, static_cast<std::uint32_t>(kind), message_id,
                             static_cast<const std::uint8_t*>(payload), length, output, output_length);
}

int halyx_client_receive(halyx_client* client, const std::uint8_t* message, std::size_t length) {
    if (client == nullptr || message == nullptr) return kHalyxErrArgument;
    const auto header = halyx_message_header::Read({message, length});
    if (!header) return kHalyxErrArgument;
    WriteDebugLine("RX", header->type, header->transaction_id, header->message_id,
                   static_cast<int>(header->length));
    const std::size_t payload_length = length - kHalyxMessageHeaderSize;
    if (header->length != payload_length) {
        // The multiplexer has already checked the frame against its own length, so the received bytes are
        // the message: it goes on with them, and never with more than arrived.
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "msg_len == len: header %u, received %zu",
                       header->length, payload_length);
    }
    const std::uint8_t* payload = message + kHalyxMessageHeaderSize;
    const auto plen = static_cast<std::uint32_t>(payload_length);

    if (header->type == kHalyxMsgResponse) {
        PendingPtr rec;
        {
            std::lock_guard lock(client->lock_c);
            for (const PendingPtr& p : client->pending) {
                if (p->transaction_id == header->transaction_id) {
                    rec = p;
                    break;
                }
            }
            if (rec) {
                PendingRemoveLocked(client, rec);
                rec->state = RecordState::kClaimed;
            }
        }
        if (!rec) {
            GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "response txn 0x%x: no request waits",
                           header->transaction_id);
            return kHalyxErrArgument;
        }
        if (header->message_id != rec->message_id) {
            DeliverWrongMessage(client, rec);
            return kHalyxErrArgument;
        }
        DeliverResponse(client, rec, payload, plen);
        return kHalyxOk;
    }
    if (header->type == kHalyxMsgIndication) {
        if (client->indication != nullptr) {
            client->indication(client, header->message_id, plen != 0 ? payload : nullptr, plen,
                               client->indication_data);
        }
        return kHalyxOk;
    }
    return kHalyxErrArgument;
}

void halyx_client_connection_closed(halyx_client* client) {
    if (client == nullptr) return;
    bool last = false;
    {
        std::lock_guard lock(client->lock_a);
        last = --client->connection_count <= 0;
    }
    if (last) client->event.Set();
}

bool halyx_client_timed_out(const halyx_client* client) { return client != nullptr && client->timed_out; }

int halyx_close_client(halyx_client* client) {
    if (client == nullptr) return kHalyxErrArgument;
    std::list<PendingPtr> cancelled;
    {
        std::unique_lock lock(client->lock_c);
        client->closing = true;
        cancelled.swap(client->pending);
        client->pending_count = 0;
        // Waiters end with "no answer" (their result is still -3); asynchronous records are dropped.
        for (const PendingPtr& rec : cancelled) rec->state = RecordState::kDelivered;
        for (const PendingPtr& rec : cancelled) rec->delivered.notify_all();
        client->calls_done.wait(lock, [client] { return client->active_calls == 0; });
    }
    client->event.ResetEvent();
    bool any = false;
    if (client->ops != nullptr && client->connection != nullptr) {
        any = true;
        client->ops->close(client->connection);
        client->connection = nullptr;
    }
    if (any) client->timed_out = client->event.Wait(kCloseWaitMs) == WAIT_TIMEOUT;
    if (client->signal != nullptr) {
        delete client->signal->event;
        client->signal->event = nullptr;
    }
    delete client;
    return kHalyxOk;
}

}  // namespace geolumen
