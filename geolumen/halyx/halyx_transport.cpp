#include "halyx/halyx_transport.h"

#include <mutex>

namespace geolumen {

namespace {

struct Registry {
    std::mutex mutex;
    const halyx_transport_ops* ops = nullptr;
    void* data = nullptr;
};

Registry& TheRegistry() {
    static Registry r;
    return r;
}

}  // namespace

std::size_t halyx_transport_count() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return r.ops != nullptr ? 1 : 0;
}

const halyx_transport_ops* halyx_transport_at(std::size_t index, void** transport_data) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (index != 0 || r.ops == nullptr) return nullptr;
    if (transport_data != nullptr) *transport_data = r.data;
    return r.ops;
}

void halyx_transport_register(const halyx_transport_ops* ops, void* transport_data) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (r.ops != nullptr || ops == nullptr) return;
    r.ops = ops;
    r.data = transport_data;
}

void halyx_transport_unregister() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.ops = nullptr;
    r.data = nullptr;
}

}  // namespace geolumen
