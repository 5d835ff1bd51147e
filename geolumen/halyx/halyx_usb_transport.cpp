#include "halyx/halyx_usb_transport.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "halyx/halyx_client.h"
#include "halyx/halyx_ctl.h"
#include "halyx/halyx_mux.h"
#include "platform/event.h"
#include "platform/immortal.h"
#include "platform/semaphore.h"
#include "platform/trace.h"

namespace geolumen {

struct halyx_usb_connection {
    halyx_client* client = nullptr;
    std::uint8_t service = 0;
    std::uint32_t transport_word = 0;
    std::uintptr_t slot = 0;  // 0 when no slot was opened
};

namespace {

using MessageBuffer = std::shared_ptr<std::vector<std::uint8_t>>;

// The one-message hand-off between the reader thread and the slot threads. Its state lives under the
// shared wait lock, so that the reader waits for it together with its exit event and each slot thread
// together with its own exit event. As a waitable it is signalled once the offered message was handled.
class HandOffChannel final : public Waitable {
  public:
    // Offers one message; false (dropped) when no slot thread waits.
    bool Offer(MessageBuffer buffer, std::size_t offset, std::size_t length) {
        WaitLock lock;
        if (waiting_ == 0) return false;
        buffer_ = std::move(buffer);
        offset_ = offset;
        length_ = length;
        ++sequence_;
        offered_ = true;
        taken_ = false;
        handled_ = false;
        lock.Wake(inboxes_);
        return true;
    }
    // Ends the offer: a message no slot took is withdrawn, one being handled stays with its slot.
    void Finish() {
        WaitLock lock;
        if (offered_ && !taken_) WithdrawLocked();
        offered_ = false;
        buffer_.reset();
    }
    // Whether an offer is still out (the reader settles it before it fetches the next response).
    [[nodiscard]] bool Outstanding() {
        WaitLock lock;
        return offered_;
    }

  private:
    friend class SlotInbox;

    void WithdrawLocked() {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "message of %zu bytes dropped: no slot took it",
                       length_);
        offered_ = false;
        buffer_.reset();  // the reader holds the buffer too: nothing is freed under the lock
    }

    // Settled: nothing is on offer, the message was handled, or no slot is left that could take it (the
    // last one closed meanwhile).
    [[nodiscard]] bool IsSignalledLocked() const override {
        return !offered_ || (taken_ && handled_) || (!taken_ && waiting_ == 0);
    }
    void ConsumeLocked() override {}

    MessageBuffer buffer_;
    std::size_t offset_ = 0;
    std::size_t length_ = 0;
    std::uint64_t sequence_ = 0;
    bool offered_ = false;
    bool taken_ = false;
    bool handled_ = false;
    int waiting_ = 0;  // slot threads that can take a message
    // Every slot inbox is signalled by the one offer, so their waiters queue together.
    WaitQueue inboxes_;
};

// Never destroyed: the reader and slot threads that the static teardown stops still pass through it.
HandOffChannel& Channel() { return Immortal<HandOffChannel>(); }

// A slot thread's side of the hand-off: signalled while a message is offered and not taken; reporting it
// takes the message for this slot.
class SlotInbox final : public Waitable {
  public:
    void Join() {
        WaitLock lock;
        ++Channel().waiting_;
    }
    void Leave() {
        WaitLock lock;
        HandOffChannel& ch = Channel();
        --ch.waiting_;
        // The last slot gone: a message nobody took is withdrawn at once, so that a slot opened later
        // (a reopened client) cannot take a message meant for the one that closed.
        if (ch.waiting_ == 0 && ch.offered_ && !ch.taken_) ch.WithdrawLocked();
        lock.Wake(ch);
    }
    // The taken message was handled: the reader may fetch the next response.
    void Handled() {
        WaitLock lock;
        HandOffChannel& ch = Channel();
        if (ch.sequence_ == sequence_) ch.handled_ = true;
        // The reader holds the buffer too, so this frees nothing under the lock, and the reader finds its
        // buffer free again for the next message.
        buffer_.reset();
        lock.Wake(ch);
    }
    [[nodiscard]] const std::uint8_t* Data() const { return buffer_->data() + offset_; }
    [[nodiscard]] std::size_t Length() const { return length_; }

  private:
    [[nodiscard]] bool IsSignalledLocked() const override {
        const HandOffChannel& ch = Channel();
        return ch.offered_ && !ch.taken_;
    }
    [[nodiscard]] WaitQueue& QueueLocked() override { return Channel().inboxes_; }
    void ConsumeLocked() override {
        HandOffChannel& ch = Channel();
        ch.taken_ = true;
        buffer_ = ch.buffer_;
        offset_ = ch.offset_;
        length_ = ch.length_;
        sequence_ = ch.sequence_;
    }

    MessageBuffer buffer_;
    std::size_t offset_ = 0;
    std::size_t length_ = 0;
    std::uint64_t sequence_ = 0;
};

struct halyx_usb_slot {
    std::uintptr_t handle = 0;
    halyx_slot_receive callback = nullptr;
    void* data = nullptr;
    halyx_usb_connection* connection = nullptr;
    std::thread thread;
    Event stopped{Event::Reset::kAuto};
    Event exit{Event::Reset::kAuto};
    SlotInbox inbox;
};

struct SlotTable {
    std::mutex mutex;
    std::array<std::unique_ptr<halyx_usb_slot>, kHalyxMaxSlots> slots;
    std::size_t count = 0;
    // Slots closed from their own callback: their threads end by themselves once the callback returns,
    // and are joined and freed by the next slot operation on another thread or by the reader's stop.
    std::vector<std::unique_ptr<halyx_usb_slot>> orphans;

    // A process that exits, or a library that is unloaded, with a client still open: every slot thread is
    // stopped and joined here, since a thread object destroyed while joinable ends the process, and a
    // thread left running would run on in unmapped code after an unload.
    ~SlotTable() {
        for (auto& slot : slots) {
            if (slot) slot->exit.Set();
        }
        for (auto& slot : orphans) slot->exit.Set();
        for (auto& slot : slots) StopAtExit(slot);
        for (auto& slot : orphans) StopAtExit(slot);
    }

    static void StopAtExit(std::unique_ptr<halyx_usb_slot>& slot) {
        if (!slot || !slot->thread.joinable()) return;
        if (slot->thread.get_id() == std::this_thread::get_id()) {
            // Exiting from the slot's own callback: it cannot join itself, and its record must outlive it.
            slot->thread.detach();
            (void)slot.release();
            return;
        }
        slot->thread.join();
    }
};

SlotTable& Slots() {
    static SlotTable table;
    return table;
}

// An orphan's thread only finishes its callback and leaves, so the join is short.
void JoinOrphans() {
    std::vector<std::unique_ptr<halyx_usb_slot>> done;
    {
        SlotTable& table = Slots();
        std::lock_guard lock(table.mutex);
        for (auto it = table.orphans.begin(); it != table.orphans.end();) {
            if ((*it)->thread.get_id() == std::this_thread::get_id()) {
                ++it;
                continue;
            }
            done.push_back(std::move(*it));
            it = table.orphans.erase(it);
        }
    }
    for (auto& slot : done) {
        if (slot->thread.joinable()) slot->thread.join();
    }
}

std::atomic<bool> g_readerRunning{false};

// The transport's data; its first byte goes into every service instance it reports.
std::uint32_t g_transportData = 0;

void halyx_usb_slot_thread(halyx_usb_slot* slot) {
    for (;;) {
        const DWORD r = WaitForAny({&slot->inbox, &slot->exit}, INFINITE);
        if (r != WAIT_OBJECT_0) break;
        slot->callback(slot->data, slot->inbox.Data(), slot->inbox.Length());
        slot->inbox.Handled();
    }
    slot->inbox.Leave();
    slot->stopped.Set();
}

void halyx_usb_transport_receive(void* data, const std::uint8_t* message, std::size_t length) {
    auto* connection = static_cast<halyx_usb_connection*>(data);
    halyx_client_receive(connection->client, message, length);
}

halyx_usb_connection* halyx_usb_transport_open(void* transport_data, halyx_client* client,
                                               std::uint8_t service, const std::uint8_t* /*address*/,
                                               bool wants_receive) {
    auto connection = std::make_unique<halyx_usb_connection>();
    connection->client = client;
    connection->service = service;
    if (transport_data != nullptr)
        std::memcpy(&connection->transport_word, transport_data, sizeof(std::uint32_t));
    if (wants_receive) {
        connection->slot =
            halyx_usb_slot_open(&halyx_usb_transport_receive, connection.get(), connection.get());
        if (connection->slot == 0) return nullptr;
        // halyx_usb_slot_start: the slot is of no use without a client id, so a refused or unreadable
        // answer fails the open.
        const int r = halyx_ctl_get_client_id_sync(kHalyxLocationOwner, service);
        if (r != kHalyxOk) {
            GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "no client id for service 0x%x (%d)", service, r);
            (void)halyx_usb_slot_close(connection->slot);
            return nullptr;
        }
    }
    return connection.release();
}

int halyx_usb_transport_send(halyx_usb_connection* connection, const std::uint8_t* /*address*/,
                             const std::uint8_t* message, std::size_t length) {
    if (connection == nullptr) return -1;
    return halyx_usb_slot_send(message, length) == 1 ? 0 : -1;
}

void halyx_usb_transport_close(halyx_usb_connection* connection) {
    if (connection == nullptr) return;
    // Only a connection with a receive path holds a client id; a service watcher has none to release.
    if (connection->slot != 0) {
        halyx_release_location_client_id();
        (void)halyx_usb_slot_close(connection->slot);
    }
    halyx_client* client = connection->client;
    delete connection;
    if (client != nullptr) halyx_client_connection_closed(client);
}

std::uint32_t halyx_usb_transport_query_services(void* transport_data, std::uint8_t transport_index,
                                                 std::uint8_t /*service*/, std::uint8_t version,
                                                 std::uint32_t* capacity, halyx_service_instance* entries) {
    const std::uint32_t found = halyx_ctl_get_version_sync() == kHalyxOk ? 1 : 0;
    if (capacity == nullptr) return found;
    const std::uint32_t room = *capacity;
    *capacity = found;
    if (entries == nullptr) return found;
    std::uint8_t first = 0;
    if (transport_data != nullptr) std::memcpy(&first, transport_data, 1);
    for (std::uint32_t i = 0; i < std::min(room, found); ++i) {
        entries[i] = halyx_service_instance{};
        entries[i].transport_index = transport_index;
        entries[i].version = version;
        entries[i].transport_data = first;
    }
    return found;
}

std::size_t halyx_usb_transport_address_size() { return 0; }

const halyx_transport_ops kUsbTransportOps{
    &halyx_usb_transport_open,           &halyx_usb_transport_send,         &halyx_usb_transport_close,
    &halyx_usb_transport_query_services, &halyx_usb_transport_address_size,
};

}  // namespace

const halyx_transport_ops& halyx_usb_transport_ops() { return kUsbTransportOps; }

void halyx_usb_set_reader_running(bool running) {
    g_readerRunning = running;
    if (!running) {
        halyx_ctl_cancel_pending(kHalyxErrSend);
        JoinOrphans();
    }
}

bool halyx_usb_reader_running() { return g_readerRunning; }

int halyx_usb_transport_start() {
    // halyx_usb_port_init: the registration keeps the first one. Slots need no buffer of their own: each
    // holds a reference to the reader's buffer of the message it handles.
    halyx_transport_register(&kUsbTransportOps, &g_transportData);
    return kHalyxOk;
}

std::uintptr_t halyx_usb_slot_open(halyx_slot_receive callback, void* data,
                                   halyx_usb_connection* connection) {
    if (callback == nullptr) return 0;
    JoinOrphans();
    SlotTable& table = Slots();
    std::lock_guard lock(table.mutex);
    const auto free = std::find(table.slots.begin(), table.slots.end(), nullptr);
    if (free == table.slots.end()) return 0;
    auto slot = std::make_unique<halyx_usb_slot>();
    slot->handle = static_cast<std::uintptr_t>(free - table.slots.begin()) + 1;
    slot->callback = callback;
    slot->data = data;
    slot->connection = connection;
    // Counted as waiting from here, not from when its thread first runs: a message that arrives before
    // then is kept for it instead of dropped.
    slot->inbox.Join();
    try {
        slot->thread = std::thread(&halyx_usb_slot_thread, slot.get());
    } catch (const std::system_error&) {
        slot->inbox.Leave();
        return 0;
    }
    const std::uintptr_t handle = slot->handle;
    *free = std::move(slot);
    ++table.count;
    return handle;
}

int halyx_usb_slot_close(std::uintptr_t handle) {
    if (handle == 0 || handle > kHalyxMaxSlots) return 0;
    SlotTable& table = Slots();
    std::unique_ptr<halyx_usb_slot> slot;
    {
        std::lock_guard lock(table.mutex);
        slot = std::move(table.slots[handle - 1]);
        if (!slot) return 0;
        --table.count;
    }
    slot->exit.Set();
    if (slot->thread.get_id() == std::this_thread::get_id()) {
        // Closed from its own callback: the thread ends by itself once the callback returns.
        std::lock_guard lock(table.mutex);
        table.orphans.push_back(std::move(slot));
        return 1;
    }
    JoinOrphans();
    (void)slot->stopped.Wait(INFINITE);
    slot->thread.join();
    return 1;
}

int halyx_usb_slot_send(const std::uint8_t* message, std::size_t length) {
    // The multiplex length field has 16 bits.
    if (message == nullptr || length > 0xFFFF - kHalyxMuxHeaderSize) return 0;
    std::vector<std::uint8_t> frame(length + kHalyxMuxHeaderSize, 0);
    std::memcpy(frame.data() + kHalyxMuxHeaderSize, message, length);
    const int r = halyx_mux_send(0, kHalyxLocationService, halyx_location_client_id(),
                                 frame.data() + kHalyxMuxHeaderSize, length);
    if (r < 0) GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "message not sent (%d)", r);
    return r == kHalyxOk ? 1 : 0;
}

int halyx_usb_read_one(std::uint8_t* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    std::size_t n = halyx_usb_port_receive(buffer, size);
    if (n == 0) return 0;
    n = std::min(n, size);
    // The modem's own sync message (control service, message id 0x27) is of no use to the driver.
    if (n > 8 && buffer[4] == kHalyxControlService && buffer[8] == kHalyxCtlSync) return 0;
    if (halyx_port_receive(buffer, n, 0) != 1) return 0;
    // A user-service message must at least hold its message header.
    if (n < kHalyxMuxHeaderSize + kHalyxMessageHeaderSize) return 0;
    count = n;
    return 1;
}

namespace {

// Waits until the message offered last is handled (or can no longer be taken), at most until `deadline`,
// and ends the offer. False when the exit event came first. A handled message's slot has let go of the
// buffer, so the next response is read into it again; a slot that is still at it (the hand-off gave up)
// keeps it, and the next read gets a new one.
bool SettleOffer(Event& exit, std::chrono::steady_clock::time_point deadline,
                 std::shared_ptr<std::vector<std::uint8_t>>& buffer) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    const DWORD handed =
        WaitForAny({&Channel(), &exit}, static_cast<DWORD>(std::max<decltype(left)>(0, left)));
    Channel().Finish();
    if (handed != WAIT_OBJECT_0) buffer.reset();
    return handed != WAIT_OBJECT_0 + 1;
}

}  // namespace

void halyx_usb_reader_thread(Semaphore& responses, Event& exit) {
    MessageBuffer buffer;
    // The reader does not stay awake for the slot to finish a message: it goes back to waiting for the
    // next response, and only before fetching that one does it make sure the last offer is settled (it
    // nearly always is by then). So a message costs the reader one wake-up, and the slot's "handled"
    // wakes nobody.
    std::chrono::steady_clock::time_point offerDeadline{};
    for (;;) {
        // The exit event comes first so that a stop is not held up by notifications counted up before it.
        const DWORD r = WaitForAny({&exit, &responses}, INFINITE);
        if (r != WAIT_OBJECT_0 + 1) break;
        if (Channel().Outstanding() && !SettleOffer(exit, offerDeadline, buffer)) return;
        if (!buffer) buffer = std::make_shared<std::vector<std::uint8_t>>(kHalyxReaderBufferSize, 0);
        std::size_t count = 0;
        if (halyx_usb_read_one(buffer->data(), kHalyxUsbReadSize, count) != 1) continue;
        if (!Channel().Offer(buffer, kHalyxMuxHeaderSize, count - kHalyxMuxHeaderSize)) {
            GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "message dropped: no slot thread waits");
            continue;
        }
        offerDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHalyxHandOffTimeoutMs);
    }
    Channel().Finish();
}

}  // namespace geolumen
