#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cctype>
#include <fstream>
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

std::string g_programFolder;

// Profile files are a few kilobytes; anything far larger is not one of ours and is not read.
constexpr std::streamoff kMaxProfileBytes = 1 << 20;

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() > kMaxProfileBytes) return;
    in.seekg(0);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
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

bool TIniFile::Save() const {
    const QString path = QString::fromStdString(path_);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (const auto& line : lines_) {
        const std::string out = line + "\r\n";
        if (file.write(out.data(), static_cast<qint64>(out.size())) != static_cast<qint64>(out.size())) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}

std::string ProgramFolder() {
    if (!g_programFolder.empty()) return g_programFolder;
    return QCoreApplication::applicationDirPath().toStdString() + "/";
}

void SetProgramFolder(const std::string& folder) {
    g_programFolder = folder;
    if (!g_programFolder.empty() && g_programFolder.back() != '/') g_programFolder += '/';
}
