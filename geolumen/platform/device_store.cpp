#include "platform/device_store.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>

namespace geolumen {

std::filesystem::path DeviceStoreRoot() {
    if (const char* dir = std::getenv("GEOLUMEN_STATE_DIR"); dir && *dir) return dir;
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::filesystem::path(home) / ".local" / "state" / "geolumen";
    }
    return "/tmp/geolumen";
}

std::filesystem::path DeviceStoreFolder(std::string_view instanceId) {
    std::string name;
    for (char c : instanceId.substr(0, kMaxStoreNameLength)) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '_' || c == '-';
        name.push_back(keep ? c : '_');
    }
    // "." and ".." would name the root or its parent.
    if (name.empty() || name.find_first_not_of('.') == std::string::npos) name.insert(0, "_");
    return DeviceStoreRoot() / name;
}

namespace {

// Every store of the process takes this one lock around its read-modify-write: several stores may stand
// for one file (each request for a device's property store makes one), and a lock of each store's own
// would let one store's write drop another's value.
std::mutex& StoreFilesLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

FileValueStore::FileValueStore(std::filesystem::path file) : file_(std::move(file)) {}

bool FileValueStore::ValidName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxStoreNameLength &&
           name.find_first_of("=\n\r") == std::string_view::npos;
}

bool FileValueStore::ValidValue(std::string_view value) {
    return value.size() <= kMaxStoreValueLength && value.find_first_of("\n\r") == std::string_view::npos;
}

std::map<std::string, std::string> FileValueStore::Load() const {
    std::map<std::string, std::string> values;
    std::ifstream in(file_, std::ios::binary);
    if (!in) return values;
    std::string text(kMaxStoreFileBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (!ValidName(name) || !ValidValue(value)) continue;
        values[std::string(name)] = std::string(value);
    }
    return values;
}

std::optional<std::string> FileValueStore::Get(std::string_view name) const {
    if (!ValidName(name)) return std::nullopt;
    std::lock_guard lock(StoreFilesLock());
    auto values = Load();
    auto it = values.find(std::string(name));
    if (it == values.end()) return std::nullopt;
    return it->second;
}

bool FileValueStore::Set(std::string_view name, std::string_view value) {
    if (!ValidName(name) || !ValidValue(value)) return false;
    std::lock_guard lock(StoreFilesLock());
    auto values = Load();
    values[std::string(name)] = std::string(value);
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    if (ec) return false;
    auto temp = file_;
    temp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& [n, v] : values) out << n << '=' << v << '\n';
        out.flush();
        if (!out) {
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, file_, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

std::optional<std::string> ReadDeviceSetting(std::string_view instanceId, std::string_view name) {
    return FileValueStore(DeviceStoreFolder(instanceId) / "settings").Get(name);
}

}  // namespace geolumen
