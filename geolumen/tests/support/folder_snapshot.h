#pragma once
// What a folder holds, to show that an attack wrote nothing there: every entry below it (links not
// followed) with its kind, mode, owner and, for files, content. Two snapshots compare equal when nothing
// was added, removed, changed or chmod'ed.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace geolumen::testing {

[[nodiscard]] inline std::string DescribeEntry(const std::filesystem::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "missing";
    std::string text = std::to_string(st.st_mode) + " uid " + std::to_string(st.st_uid);
    if (S_ISREG(st.st_mode)) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        text += " [" + content.str() + "]";
    } else if (S_ISLNK(st.st_mode)) {
        text += " -> " + std::filesystem::read_symlink(path).string();
    }
    return text;
}

[[nodiscard]] inline std::map<std::string, std::string> SnapshotFolder(const std::filesystem::path& root) {
    std::map<std::string, std::string> entries;
    entries["."] = DescribeEntry(root);
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end;
         it.increment(ec)) {
        entries[std::filesystem::relative(it->path(), root).string()] = DescribeEntry(it->path());
    }
    return entries;
}

}  // namespace geolumen::testing
