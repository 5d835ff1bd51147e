#include "platform/device_store.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace geolumen {

std::filesystem::path ChooseDeviceStoreRoot(const std::function<const char*(const char*)>& env,
                                            std::string* why) {
    auto set = [&](const char* name) -> std::string {
        const char* value = env ? env(name) : nullptr;
        return value ? value : "";
    };
    if (std::string dir = set("GEOLUMEN_STATE_DIR"); !dir.empty()) return dir;
    // A service manager may hand over several folders, separated by ':'; the first is ours.
    if (std::string dir = set("STATE_DIRECTORY"); !dir.empty()) {
        dir = dir.substr(0, dir.find(':'));
        if (!dir.empty()) return dir;
    }
    // A relative user folder would land wherever the host was started.
    if (std::filesystem::path dir = set("XDG_STATE_HOME"); dir.is_absolute()) return dir / "geolumen";
    if (std::filesystem::path home = set("HOME"); home.is_absolute()) {
        return home / ".local" / "state" / "geolumen";
    }
    if (why) *why = "no state folder: GEOLUMEN_STATE_DIR, STATE_DIRECTORY and HOME are all unset";
    return {};
}

std::filesystem::path DeviceStoreRoot(std::string* why) {
    return ChooseDeviceStoreRoot([](const char* name) { return std::getenv(name); }, why);
}

CheckedFolder OpenDeviceStoreRoot() {
    std::string why;
    const std::filesystem::path root = DeviceStoreRoot(&why);
    if (root.empty()) {
        CheckedFolder none;
        none.error = -ENOENT;
        none.text = why;
        return none;
    }
    return OpenCheckedFolder(root, StateFolderRules());
}

namespace {

[[nodiscard]] std::string InstanceFolderName(std::string_view instanceId) {
    std::string name;
    for (char c : instanceId.substr(0, kMaxStoreNameLength)) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '_' || c == '-';
        name.push_back(keep ? c : '_');
    }
    // "." and ".." would name the root or its parent.
    if (name.empty() || name.find_first_not_of('.') == std::string::npos) name.insert(0, "_");
    return name;
}

}  // namespace

std::filesystem::path DeviceStoreFolder(std::string_view instanceId) {
    const std::filesystem::path root = DeviceStoreRoot();
    if (root.empty()) return {};
    return root / InstanceFolderName(instanceId);
}

CheckedFolder OpenDeviceStoreFolder(std::string_view instanceId, bool create) {
    CheckedFolder root = OpenDeviceStoreRoot();
    if (!root.Valid()) return root;
    FolderRules rules = StateFolderRules();
    rules.create = create;
    return OpenCheckedSubfolder(root, InstanceFolderName(instanceId), rules);
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

FileValueStore::FileValueStore(std::filesystem::path file, std::filesystem::path root)
    : file_(std::move(file)), root_(std::move(root)) {}

CheckedFolder FileValueStore::OpenFolder(bool create) const {
    FolderRules rules = StateFolderRules();
    rules.create = create;
    const std::filesystem::path folder = file_.parent_path();
    if (!root_.empty()) {
        const std::filesystem::path below = folder.lexically_relative(root_);
        if (!below.empty() && *below.begin() != "..") return OpenCheckedFolderBelow(root_, below, rules);
    }
    return OpenCheckedFolder(folder, rules);
}

bool FileValueStore::ValidName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxStoreNameLength &&
           name.find_first_of("=\n\r") == std::string_view::npos;
}

bool FileValueStore::ValidValue(std::string_view value) {
    return value.size() <= kMaxStoreValueLength && value.find_first_of("\n\r") == std::string_view::npos;
}

std::map<std::string, std::string> FileValueStore::Load(const CheckedFolder& folder) const {
    std::map<std::string, std::string> values;
    std::string text;
    if (ReadFolderFile(folder, file_.filename().string(), kMaxStoreFileBytes, &text) != 0) return values;
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
    auto values = Load(OpenFolder(false));
    auto it = values.find(std::string(name));
    if (it == values.end()) return std::nullopt;
    return it->second;
}

bool FileValueStore::Set(std::string_view name, std::string_view value) {
    if (!ValidName(name) || !ValidValue(value)) return false;
    std::lock_guard lock(StoreFilesLock());
    const CheckedFolder folder = OpenFolder(true);
    if (!folder.Valid()) return false;
    auto values = Load(folder);
    values[std::string(name)] = std::string(value);
    std::string text;
    for (const auto& [n, v] : values) text += n + '=' + v + '\n';
    return ReplaceFolderFile(folder, file_.filename().string(), text) == 0;
}

std::optional<std::string> ReadDeviceSetting(std::string_view instanceId, std::string_view name) {
    const std::filesystem::path folder = DeviceStoreFolder(instanceId);
    if (folder.empty()) return std::nullopt;
    return FileValueStore(folder / "settings", DeviceStoreRoot()).Get(name);
}

}  // namespace geolumen
