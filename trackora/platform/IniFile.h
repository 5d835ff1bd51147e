// Profile files in the Windows way: "[SECTION]" headers and "KEY=VALUE" lines. Section and key names
// match without regard to case; a read of a missing key gives the caller's default; a write replaces the
// key's line where it stands, or adds it at the end of its section (the section at the end of the file).
//
// The file is read once when the object is made and written back whole by Save(), through a temporary
// file renamed over the old one, so a failed save never leaves half a file behind. Values are bytes as
// they stand in the file (the program's files hold code page 936 text).
#pragma once

#include <string>
#include <vector>

class TIniFile {
  public:
    // Reads the file if it exists; a missing, unreadable or oversized (over 1 MiB) file reads as empty.
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return path_; }
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Line breaks in the value are written as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Writes the file, making its folder when missing; false when the file cannot be written.
    [[nodiscard]] bool Save() const;

  private:
    std::string path_;
    std::vector<std::string> lines_;
};

// The folder of the program's own files (Config/, DB/), with a trailing '/': the executable's folder,
// unless a test has redirected it.
std::string ProgramFolder();
// Redirects ProgramFolder() (an empty text restores the executable's folder).
void SetProgramFolder(const std::string& folder);
