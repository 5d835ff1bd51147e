#include "halyx/halyx_mux.h"

#include <atomic>

#include "halyx/halyx_ctl.h"
#include "halyx/halyx_mux_state.h"
#include "platform/trace.h"

namespace geolumen {

HalyxMuxState& HalyxMux() {
    static HalyxMuxState state;
    return state;
}

namespace {

// Read by the reader and the senders, replaced by the driver as devices come and go.
std::atomic<const halyx_usb_port*> g_port{nullptr};

}  // namespace

void halyx_set_usb_port(const halyx_usb_port* port) { g_port = port; }

int halyx_usb_port_send(const std::uint8_t* buffer, std::size_t length) {
    const halyx_usb_port* port = g_port.load();
    if (port == nullptr || port->send == nullptr) return 0;
    return port->send(buffer, length) == 1 ? 1 : 0;
}

std::size_t halyx_usb_port_receive(std::uint8_t* buffer, std::size_t length) {
    const halyx_usb_port* port = g_port.load();
    std::size_t n = 0;
    if (port == nullptr || port->receive == nullptr || port->receive(buffer, length, &n) != 1) return 0;
    return n;
}

void halyx_mux_header::Write(std::uint8_t* out) const {
    out[0] = interface_type;
    out[1] = static_cast<std::uint8_t>(length & 0xFF);
    out[2] = static_cast<std::uint8_t>(length >> 8);
    out[3] = control_flags;
    out[4] = service;
    out[5] = client_id;
}

std::optional<halyx_mux_header> halyx_mux_header::Read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHalyxMuxHeaderSize) return std::nullopt;
    halyx_mux_header h;
    h.interface_type = bytes[0];
    h.length = static_cast<std::uint16_t>(bytes[1] | (bytes[2] << 8));
    h.control_flags = bytes[3];
    h.service = bytes[4];
    h.client_id = bytes[5];
    return h;
}

namespace {

bool ValidInstance(int index) { return index >= 0 && index < kHalyxMuxInstanceCount; }

// Binds the instance's receive buffer to the port: only instance 0, once, with a handler registered.
int BindPort(int index) {
    HalyxMuxState& s = HalyxMux();
    std::lock_guard lock(s.port_lock);
    if (index != 0 || s.handler == nullptr || s.bound) return kHalyxErrArgument;
    s.bound_buffer.assign(kHalyxMaxReceive, 0);
    s.bound = true;
    return kHalyxOk;
}

void halyx_mux_init() {
    HalyxMuxState& s = HalyxMux();
    for (HalyxMuxInstance& inst : s.instances) inst.open = false;
    halyx_ctl_reset();
    std::lock_guard lock(s.port_lock);
    s.handler = &halyx_mux_receive;
}

}  // namespace

int halyx_mux_start() {
    halyx_mux_init();
    const int r = halyx_mux_open_instance(0);
    if (r != kHalyxOk)
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "multiplexer instance 0 not opened (%d)", r);
    return r;
}

int halyx_mux_open_instance(int index) {
    if (!ValidInstance(index)) return kHalyxErrArgument;
    HalyxMuxInstance& inst = HalyxMux().instances[static_cast<std::size_t>(index)];
    int result = kHalyxOk;
    {
        std::lock_guard lock(inst.receive_lock);
        if (inst.open) return kHalyxErrArgument;
        inst.open = true;
        result = BindPort(index);
        if (result != kHalyxOk) inst.open = false;
    }
    if (inst.open) {
        const int r = halyx_ctl_send_sync_ind(index);
        if (r < 0) GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "sync message not sent (%d)", r);
    }
    return result;
}

void halyx_mux_stop() {
    HalyxMuxState& s = HalyxMux();
    for (HalyxMuxInstance& inst : s.instances) {
        std::scoped_lock lock(inst.receive_lock, inst.send_lock);
        inst.open = false;
    }
    // Waiters of control exchanges end now instead of at their time-out.
    halyx_ctl_cancel_pending(kHalyxErrSend);
    halyx_ctl_reset();
    std::lock_guard lock(s.port_lock);
    s.bound = false;
    s.bound_buffer.clear();
    s.current_buffer = nullptr;
}

bool halyx_mux_is_open(int index) { return ValidInstance(index) && HalyxMux().instances[index].open; }

int halyx_mux_send(int instance, std::uint8_t service, std::uint8_t client_id, std::uint8_t* message,
                   std::size_t length) {
    if (!ValidInstance(instance) || message == nullptr) return kHalyxErrArgument;
    // The length field counts the 5 header bytes after the interface byte and must fit 16 bits.
    if (length > 0xFFFF - 5) return kHalyxErrArgument;
    std::uint8_t* frame = message - kHalyxMuxHeaderSize;
    halyx_mux_header h;
    h.length = static_cast<std::uint16_t>(length + 5);
    h.service = service;
    h.client_id = client_id;
    h.Write(frame);

    HalyxMuxInstance& inst = HalyxMux().instances[static_cast<std::size_t>(instance)];
    std::lock_guard lock(inst.send_lock);
    if (!inst.open) return kHalyxErrNotOpen;
    if (halyx_usb_port_send(frame, length + kHalyxMuxHeaderSize) != 1) return kHalyxErrSend;
    return kHalyxOk;
}

int halyx_mux_receive(int instance, std::uint8_t* buffer, std::size_t count) {
    if (!ValidInstance(instance) || buffer == nullptr) return 0;
    HalyxMuxInstance& inst = HalyxMux().instances[static_cast<std::size_t>(instance)];
    if (!inst.open) return 0;
    const auto header = halyx_mux_header::Read({buffer, count});
    if (!header) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX,
                       "frame of %zu bytes dropped: shorter than its header", count);
        return 0;
    }
    if (header->interface_type != 0x01 || header->length != count - 1) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_HALYX, "frame dropped: type %u, length %u for %zu bytes",
                       header->interface_type, header->length, count);
        return 0;
    }
    if (header->service >= kHalyxServiceCount) return 0;

    std::lock_guard lock(inst.receive_lock);
    if (header->client_id == kHalyxBroadcastClient) return 0;
    if (header->service != kHalyxControlService) return 1;
    halyx_ctl_receive(
        instance, std::span<const std::uint8_t>(buffer + kHalyxMuxHeaderSize, count - kHalyxMuxHeaderSize));
    return 0;
}

int halyx_port_receive(std::uint8_t* buffer, std::size_t count, int index) {
    if (index != 0) return -1;
    HalyxMuxState& s = HalyxMux();
    halyx_port_receive_handler handler = nullptr;
    {
        std::lock_guard lock(s.port_lock);
        s.current_buffer = buffer;
        handler = s.handler;
    }
    if (handler == nullptr) return 0;
    return handler(index, buffer, count) == 1 ? 1 : 0;
}

}  // namespace geolumen
