#include "halyx/halyx_ctl.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <vector>

#include "halyx/halyx_mux.h"
#include "halyx/halyx_mux_state.h"
#include "halyx/halyx_usb_transport.h"
#include "platform/trace.h"

namespace geolumen {

namespace {

// Room of the TLV area of a control request: the largest request (release) needs 5 bytes.
constexpr std::size_t kCtlTlvRoom = 116;
// Version entries a version list may carry.
constexpr std::size_t kMaxVersionEntries = 100;

constexpr std::uint8_t kTlvClientInfo = 0x01;
constexpr std::uint8_t kTlvResult = 0x02;

std::atomic<unsigned> g_timeoutOverride{0};
std::atomic<halyx_device_removed_probe> g_deviceRemoved{nullptr};

unsigned CtlTimeoutMs() {
    const unsigned t = g_timeoutOverride.load();
    return t != 0 ? t : kHalyxCtlResponseTimeoutMs;
}

bool DeviceRemoved() {
    const halyx_device_removed_probe probe = g_deviceRemoved.load();
    return probe != nullptr && probe();
}

struct CtlTlv {
    std::uint8_t type;
    std::span<const std::uint8_t> value;
};

// Splits a TLV area; false when a TLV header or value runs past the end.
bool ParseTlvs(std::span<const std::uint8_t> area, std::vector<CtlTlv>& out) {
    std::size_t at = 0;
    while (at < area.size()) {
        if (area.size() - at < 3) return false;
        const std::size_t len = static_cast<std::size_t>(area[at + 1] | (area[at + 2] << 8));
        if (area.size() - at - 3 < len) return false;
        out.push_back(CtlTlv{area[at], area.subspan(at + 3, len)});
        at += 3 + len;
    }
    return true;
}

const CtlTlv* FindTlv(const std::vector<CtlTlv>& tlvs, std::uint8_t type) {
    for (const CtlTlv& t : tlvs) {
        if (t.type == type) return &t;
    }
    return nullptr;
}

// Writes one TLV when type, length and value fit in what is left of the room.
bool WriteTlv(std::uint8_t* area, std::size_t room, std::size_t& used, std::uint8_t type,
              std::span<const std::uint8_t> value) {
    if (room - used < 3 + value.size()) return false;
    area[used] = type;
    area[used + 1] = static_cast<std::uint8_t>(value.size() & 0xFF);
    area[used + 2] = static_cast<std::uint8_t>(value.size() >> 8);
    std::copy(value.begin(), value.end(), area + used + 3);
    used += 3 + value.size();
    return true;
}

void RegisterOwner(std::uint32_t owner) {
    HalyxMuxState& s = HalyxMux();
    std::lock_guard lock(s.owner_lock);
    if (std::find(s.owners.begin(), s.owners.end(), owner) == s.owners.end()) s.owners.push_back(owner);
}

void UnregisterOwner(std::uint32_t owner) {
    HalyxMuxState& s = HalyxMux();
    std::lock_guard lock(s.owner_lock);
    std::erase(s.owners, owner);
}

// Client-id list changes run under instance 0's receive lock.
void RemoveOwnerEntriesLocked(HalyxMuxInstance& inst, std::uint32_t owner) {
    for (auto& list : inst.client_ids) {
        std::erase_if(list, [owner](const HalyxClientIdEntry& e) { return e.owner == owner; });
    }
}

void RemoveClientIdLocked(HalyxMuxInstance& inst, std::uint32_t owner, std::uint8_t service,
                          std::uint8_t id) {
    if (service >= kHalyxServiceCount) return;
    auto& list = inst.client_ids[service];
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->owner != owner) continue;
        for (std::uint8_t& b : it->ids) {
            if (b == id) b = kHalyxFreeClientId;
        }
        if (std::all_of(it->ids.begin(), it->ids.end(),
                        [](std::uint8_t b) { return b == kHalyxFreeClientId; })) {
            list.erase(it);
        }
        return;
    }
}

int AddClientIdLocked(HalyxMuxInstance& inst, std::uint32_t owner, std::uint8_t service, std::uint8_t id) {
    if (service == 0 || service >= kHalyxServiceCount) return kHalyxErrArgument;
    auto& list = inst.client_ids[service];
    for (HalyxClientIdEntry& e : list) {
        if (e.owner != owner) continue;
        for (std::uint8_t& b : e.ids) {
            if (b == kHalyxFreeClientId) {
                b = id;
                return kHalyxOk;
            }
        }
        return kHalyxErrArgument;
    }
    HalyxClientIdEntry e;
    e.owner = owner;
    e.ids.fill(kHalyxFreeClientId);
    e.ids[0] = id;
    list.push_back(e);
    return kHalyxOk;
}

// Sends one control message with its TLV area at `area` (12 free bytes in front of it). With `txn`, the
// exchange is linked into the pending list before the send, so that no answer can outrun it.
int CtlSend(const halyx_ctl_request_desc& desc, std::uint16_t message_id, std::uint8_t* area,
            std::size_t length, const std::shared_ptr<HalyxCtlTxn>& txn) {
    if (desc.instance != 0) return kHalyxErrArgument;
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    std::uint8_t transaction = 0;
    {
        std::lock_guard lock(inst.pending_lock);
        // Transaction ids run 1..255 and wrap to 1: a 0 in an answer never matches.
        inst.ctl_txn_counter =
            inst.ctl_txn_counter == 0xFF ? 1 : static_cast<std::uint8_t>(inst.ctl_txn_counter + 1);
        transaction = inst.ctl_txn_counter;
        if (txn) {
            txn->transaction_id = transaction;
            txn->message_id = message_id;
            inst.pending.push_front(txn);
        }
    }
    halyx_ctl_header h;
    h.kind = kHalyxCtlKindRequest;
    h.transaction_id = transaction;
    h.message_id = message_id;
    h.length = static_cast<std::uint16_t>(length);
    std::uint8_t* message = area - kHalyxCtlHeaderSize;
    h.Write(message);
    const int r =
        halyx_mux_send(desc.instance, kHalyxControlService, 0, message, length + kHalyxCtlHeaderSize);
    if (r < 0) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "control message 0x%x not sent (%d)", message_id, r);
        if (txn) {
            {
                std::lock_guard lock(inst.pending_lock);
                inst.pending.remove(txn);
            }
            txn->Complete(r);
        }
    }
    return r;
}

// Waits for the exchange's answer. When the time runs out while the answer is being handled, that
// handling is short and bounded, so its result is waited for and kept.
int WaitForAnswer(const std::shared_ptr<HalyxCtlTxn>& txn) {
    {
        std::unique_lock lock(txn->mutex);
        if (txn->cv.wait_for(lock, std::chrono::milliseconds(CtlTimeoutMs()), [&] { return txn->done; })) {
            return txn->result;
        }
    }
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    bool unlinked = false;
    {
        std::lock_guard lock(inst.pending_lock);
        const auto it = std::find(inst.pending.begin(), inst.pending.end(), txn);
        if (it != inst.pending.end()) {
            inst.pending.erase(it);
            unlinked = true;
        }
    }
    if (unlinked) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "control message 0x%x: no answer", txn->message_id);
        txn->Complete(kHalyxErrTimeout);
    }
    std::unique_lock lock(txn->mutex);
    txn->cv.wait(lock, [&] { return txn->done; });
    return txn->result;
}

// Finds and unlinks the exchange an answer belongs to; the caller then owns its completion.
std::shared_ptr<HalyxCtlTxn> ClaimPending(HalyxMuxInstance& inst, std::uint8_t transaction) {
    std::lock_guard lock(inst.pending_lock);
    for (auto it = inst.pending.begin(); it != inst.pending.end(); ++it) {
        if ((*it)->transaction_id == transaction) {
            std::shared_ptr<HalyxCtlTxn> txn = *it;
            inst.pending.erase(it);
            return txn;
        }
    }
    return nullptr;
}

int HandleClientIdAnswer(HalyxMuxInstance& inst, const HalyxCtlTxn& txn, const std::vector<CtlTlv>& tlvs) {
    const CtlTlv* info = FindTlv(tlvs, kTlvClientInfo);
    if (info == nullptr || info->value.size() < 2) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "client id answer without client id");
        return kHalyxErrArgument;
    }
    const std::uint8_t service = info->value[0];
    const std::uint8_t id = info->value[1];
    if (service != txn.desc.service) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "client id for service %u, asked for %u", service,
                       txn.desc.service);
        return kHalyxErrArgument;
    }
    // 0 is what "no client id held" reads as: stored, it could never be released, and every reopening
    // would leave one more entry behind until the owner's entry is full and no open succeeds any more.
    if (id == 0) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "client id 0 for service %u refused as no id",
                       service);
        return kHalyxErrArgument;
    }
    const int r = AddClientIdLocked(inst, txn.desc.owner, service, id);
    if (r != kHalyxOk) return r;
    if (service == kHalyxLocationService) HalyxMux().location_client_id = id;
    return kHalyxOk;
}

void HandleReleaseAnswer(HalyxMuxInstance& inst, const HalyxCtlTxn& txn, const std::vector<CtlTlv>& tlvs) {
    const CtlTlv* info = FindTlv(tlvs, kTlvClientInfo);
    if (txn.desc.owner == 0 || info == nullptr || info->value.size() < 2) return;
    RemoveClientIdLocked(inst, txn.desc.owner, info->value[0], info->value[1]);
}

// The version list is read to check the answer; nothing in the driver uses it.
bool ReadVersionList(const std::vector<CtlTlv>& tlvs) {
    const CtlTlv* list = FindTlv(tlvs, kTlvClientInfo);
    if (list == nullptr || list->value.empty()) return false;
    const std::size_t count = list->value[0];
    if (count > kMaxVersionEntries) return false;
    return list->value.size() >= 1 + count * 5;
}

}  // namespace

void HalyxCtlTxn::Complete(int value) {
    {
        std::lock_guard lock(mutex);
        if (done) return;
        done = true;
        result = value;
    }
    cv.notify_all();
}

void halyx_ctl_header::Write(std::uint8_t* out) const {
    out[0] = kind;
    out[1] = transaction_id;
    out[2] = static_cast<std::uint8_t>(message_id & 0xFF);
    out[3] = static_cast<std::uint8_t>(message_id >> 8);
    out[4] = static_cast<std::uint8_t>(length & 0xFF);
    out[5] = static_cast<std::uint8_t>(length >> 8);
}

std::optional<halyx_ctl_header> halyx_ctl_header::Read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHalyxCtlHeaderSize || bytes[0] > kHalyxCtlKindIndication) return std::nullopt;
    halyx_ctl_header h;
    h.kind = bytes[0];
    h.transaction_id = bytes[1];
    h.message_id = static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8));
    h.length = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    return h;
}

int halyx_ctl_request(const halyx_ctl_request_desc& desc) {
    std::uint16_t message_id = 0;
    switch (desc.kind) {
        case kHalyxCtlRequestGetVersion:
            message_id = kHalyxCtlGetVersionInfo;
            break;
        case kHalyxCtlRequestGetClientId:
            message_id = kHalyxCtlGetClientId;
            break;
        case kHalyxCtlRequestReleaseClientId:
            message_id = kHalyxCtlReleaseClientId;
            break;
        default:
            return kHalyxErrArgument;
    }
    if (desc.instance != 0) return kHalyxErrArgument;
    std::array<std::uint8_t, kHalyxMuxHeaderSize + kHalyxCtlHeaderSize + kCtlTlvRoom> work{};
    std::uint8_t* area = work.data() + kHalyxMuxHeaderSize + kHalyxCtlHeaderSize;
    std::size_t used = 0;
    bool fits = true;
    if (desc.kind == kHalyxCtlRequestGetClientId) {
        const std::uint8_t v[] = {desc.service};
        fits = WriteTlv(area, kCtlTlvRoom, used, kTlvClientInfo, v);
    } else if (desc.kind == kHalyxCtlRequestReleaseClientId) {
        const std::uint8_t v[] = {desc.service, desc.client_id};
        fits = WriteTlv(area, kCtlTlvRoom, used, kTlvClientInfo, v);
    }
    if (!fits) return kHalyxErrArgument;

    auto txn = std::make_shared<HalyxCtlTxn>();
    txn->desc = desc;
    const int sent = CtlSend(desc, message_id, area, used, txn);
    if (sent < 0) return sent;
    // Checked after the exchange was linked: a reader stopping now either cancels it or is seen here.
    if (!halyx_usb_reader_running()) {
        HalyxMuxInstance& inst = HalyxMux().instances[0];
        {
            std::lock_guard lock(inst.pending_lock);
            inst.pending.remove(txn);
        }
        txn->Complete(kHalyxErrSend);
    }
    const int r = WaitForAnswer(txn);
    if (r != kHalyxOk)
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "control request 0x%x failed (%d)", message_id, r);
    return r;
}

int halyx_ctl_get_version_sync() {
    halyx_ctl_request_desc d;
    d.kind = kHalyxCtlRequestGetVersion;
    return halyx_ctl_request(d);
}

int halyx_ctl_get_client_id_sync(std::uint32_t owner, std::uint8_t service) {
    RegisterOwner(owner);
    halyx_ctl_request_desc d;
    d.kind = kHalyxCtlRequestGetClientId;
    d.owner = owner;
    d.service = service;
    return halyx_ctl_request(d);
}

int halyx_ctl_release_client_id_sync(std::uint32_t owner, std::uint8_t service, std::uint8_t client_id) {
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    UnregisterOwner(owner);
    {
        std::lock_guard lock(inst.receive_lock);
        RemoveOwnerEntriesLocked(inst, owner);
    }
    // A removed device cannot answer: the release is local only.
    if (DeviceRemoved()) return kHalyxOk;
    halyx_ctl_request_desc d;
    d.kind = kHalyxCtlRequestReleaseClientId;
    d.owner = owner;
    d.service = service;
    d.client_id = client_id;
    return halyx_ctl_request(d);
}

void halyx_release_location_client_id() {
    const std::uint8_t id = HalyxMux().location_client_id.exchange(0);
    if (id == 0) return;
    const int r = halyx_ctl_release_client_id_sync(kHalyxLocationOwner, kHalyxLocationService, id);
    if (r != kHalyxOk)
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "client id %u released locally (%d)", id, r);
}

std::uint8_t halyx_location_client_id() { return HalyxMux().location_client_id; }

int halyx_ctl_send_sync_ind(int instance) {
    std::array<std::uint8_t, kHalyxMuxHeaderSize + kHalyxCtlHeaderSize> work{};
    halyx_ctl_request_desc d;
    d.instance = instance;
    return CtlSend(d, kHalyxCtlSync, work.data() + work.size(), 0, nullptr);
}

void halyx_ctl_receive(int instance, std::span<const std::uint8_t> message) {
    if (instance != 0) return;
    const auto header = halyx_ctl_header::Read(message);
    if (!header || header->length != message.size() - kHalyxCtlHeaderSize) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "control message of %zu bytes dropped",
                       message.size());
        return;
    }
    if (header->kind != kHalyxCtlKindResponse) return;  // indications (and stray requests) are not used

    HalyxMuxInstance& inst = HalyxMux().instances[0];
    std::shared_ptr<HalyxCtlTxn> txn = ClaimPending(inst, header->transaction_id);
    if (!txn) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "control answer with unknown transaction %u",
                       header->transaction_id);
        return;
    }
    std::vector<CtlTlv> tlvs;
    if (!ParseTlvs(message.subspan(kHalyxCtlHeaderSize), tlvs) || header->message_id != txn->message_id) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "control answer 0x%x unreadable", header->message_id);
        txn->Complete(kHalyxErrArgument);
        return;
    }
    // TLV 0x02: u16 result (0 success, 1 failure), u16 error.
    bool refused = false;
    if (const CtlTlv* r = FindTlv(tlvs, kTlvResult); r != nullptr && r->value.size() >= 4) {
        const unsigned code = static_cast<unsigned>(r->value[0] | (r->value[1] << 8));
        const unsigned error = static_cast<unsigned>(r->value[2] | (r->value[3] << 8));
        if (code != 0) {
            refused = true;
            GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "control answer 0x%x: result %u, error %u",
                           header->message_id, code, error);
        }
    }
    int result = kHalyxOk;
    switch (header->message_id) {
        case kHalyxCtlGetVersionInfo:
            if (!ReadVersionList(tlvs))
                GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "version list unreadable");
            break;
        case kHalyxCtlGetClientId:
            result = refused ? kHalyxErrArgument : HandleClientIdAnswer(inst, *txn, tlvs);
            break;
        case kHalyxCtlReleaseClientId:
            HandleReleaseAnswer(inst, *txn, tlvs);
            if (refused) result = kHalyxErrArgument;
            break;
        default:
            result = kHalyxErrArgument;
            break;
    }
    txn->Complete(result);
}

void halyx_set_device_removed_probe(halyx_device_removed_probe probe) { g_deviceRemoved = probe; }

bool halyx_client_id_held(std::uint32_t owner, std::uint8_t service, std::uint8_t client_id) {
    if (service >= kHalyxServiceCount) return false;
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    std::lock_guard lock(inst.receive_lock);
    for (const HalyxClientIdEntry& e : inst.client_ids[service]) {
        if (e.owner == owner && std::find(e.ids.begin(), e.ids.end(), client_id) != e.ids.end()) return true;
    }
    return false;
}

std::size_t halyx_client_id_count(std::uint32_t owner, std::uint8_t service) {
    if (service >= kHalyxServiceCount) return 0;
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    std::lock_guard lock(inst.receive_lock);
    std::size_t count = 0;
    for (const HalyxClientIdEntry& e : inst.client_ids[service]) {
        if (e.owner == owner)
            count += static_cast<std::size_t>(std::count_if(
                e.ids.begin(), e.ids.end(), [](std::uint8_t b) { return b != kHalyxFreeClientId; }));
    }
    return count;
}

bool halyx_owner_registered(std::uint32_t owner) {
    HalyxMuxState& s = HalyxMux();
    std::lock_guard lock(s.owner_lock);
    return std::find(s.owners.begin(), s.owners.end(), owner) != s.owners.end();
}

int halyx_client_id_add(std::uint32_t owner, std::uint8_t service, std::uint8_t client_id) {
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    std::lock_guard lock(inst.receive_lock);
    return AddClientIdLocked(inst, owner, service, client_id);
}

void halyx_ctl_set_timeout_for_test(unsigned timeoutMs) { g_timeoutOverride = timeoutMs; }

void halyx_ctl_cancel_pending(int result) {
    std::list<std::shared_ptr<HalyxCtlTxn>> cancelled;
    HalyxMuxInstance& inst = HalyxMux().instances[0];
    {
        std::lock_guard lock(inst.pending_lock);
        cancelled.swap(inst.pending);
    }
    for (const auto& txn : cancelled) txn->Complete(result);
}

void halyx_ctl_reset() {
    HalyxMuxState& s = HalyxMux();
    halyx_ctl_cancel_pending(kHalyxErrSend);
    for (HalyxMuxInstance& inst : s.instances) {
        {
            std::lock_guard lock(inst.receive_lock);
            for (auto& list : inst.client_ids) list.clear();
        }
        std::lock_guard lock(inst.pending_lock);
        inst.pending.clear();
        inst.ctl_txn_counter = 0;
    }
    {
        std::lock_guard lock(s.owner_lock);
        s.owners.clear();
    }
    s.location_client_id = 0;
}

}  // namespace geolumen
