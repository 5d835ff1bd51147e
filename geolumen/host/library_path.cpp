#include "host/library_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>

namespace geolumen::host {

namespace {

std::filesystem::path ProgramFolder() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    return std::filesystem::path(std::string(buffer.data(), static_cast<size_t>(n))).parent_path();
}

bool IsRegularFile(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string DefaultLibraryPath() {
    const auto folder = ProgramFolder();
    const std::filesystem::path installed = (folder / GEOLUMEN_LIBRARY_FROM_INSTALLED_BIN).lexically_normal();
    const std::filesystem::path built = (folder / GEOLUMEN_LIBRARY_FROM_BUILT_BIN).lexically_normal();
    if (IsRegularFile(installed)) return installed.string();
    if (IsRegularFile(built)) return built.string();
    return installed.string();
}

}  // namespace geolumen::host
