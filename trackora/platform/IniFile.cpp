#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// The section name of a "[NAME]" line, or nothing for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
    return Trim(t.substr(1, t.size() - 2));
}

// The key of a "KEY=VALUE" line, or nothing (comments and blank lines have none).
std::optional<std::string> KeyOf(const std::string& line) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string t = Trim(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    return Trim(line.substr(0, eq));
}

// Profile files are a few kilobytes; anything far larger is not one of ours and is not read.
constexpr size_t kMaxProfileBytes = 1 << 20;

// The whole file into `bytes`, or why it could not be read whole; a missing file reads as empty.
std::string ReadFile(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    // No file there (nor, with ENOTDIR, a folder for it): nothing to lose, and a save may make one.
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? std::string() : std::strerror(errno);
    std::string error;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = "not a plain file";
    } else {
        // One byte past the limit tells an oversized file from one of exactly the limit.
        bytes.resize(kMaxProfileBytes + 1);
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = std::strerror(errno);
                break;
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
        if (error.empty() && got > kMaxProfileBytes) error = "larger than 1 MiB";
    }
    ::close(fd);
    if (!error.empty()) bytes.clear();
    return error;
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    std::string bytes;
    readError_ = ReadFile(path_, bytes);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(std::move(line));
        start = end + 1;
    }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    bool inSection = false;
    for (const auto& line : lines_) {
        if (auto s = SectionOf(line)) {
            inSection = SameName(*s, section);
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(line); k && SameName(*k, key)) return Trim(line.substr(line.find('=') + 1));
    }
    return def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    // A line break inside a value would start a line of its own and could pose as another key.
    std::string flat = value;
    std::replace_if(
        flat.begin(), flat.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const std::string entry = key + "=" + flat;
    bool inSection = false;
    std::optional<size_t> sectionEnd;  // where a new key of the section goes
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (auto s = SectionOf(lines_[i])) {
            if (inSection) break;
            inSection = SameName(*s, section);
            if (inSection) sectionEnd = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (auto k = KeyOf(lines_[i]); k && SameName(*k, key)) {
            lines_[i] = entry;
            return;
        }
        if (!Trim(lines_[i]).empty()) sectionEnd = i + 1;
    }
    if (sectionEnd) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
        return;
    }
    lines_.push_back("[" + section + "]");
    lines_.push_back(entry);
}

IniSaveResult TIniFile::Save() const {
    if (!readError_.empty()) return {"not rewritten, it could not be read whole (" + readError_ + ")"};
    std::string bytes;
    for (const auto& line : lines_) bytes += line + "\r\n";
    return {ReplaceFile(path_, bytes)};
}
