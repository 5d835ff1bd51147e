// Profile files in the Windows way: "[SECTION]" headers and "KEY=VALUE" lines. Section and key names
// match without regard to case; a read of a missing key gives the caller's default; a write replaces the
// key's line where it stands, or adds it at the end of its section (the section at the end of the file).
//
// The file is read once when the object is made and written back whole by Save(), through a temporary
// file renamed over the old one, so a failed save never leaves half a file behind. Every line is kept,
// so keys and sections that the writer does not own survive a save. A file that could not be read whole
// (a read error, or over 1 MiB) is never written back: a save would lose everything in it. Values are
// bytes as they stand in the file (the program's files hold code page 936 text).
#pragma once

#include <string>
#include <vector>

#include "platform/DataFolder.h"

// The outcome of a save: true, or false with the system's reason.
struct IniSaveResult {
    std::string error;
    explicit operator bool() const { return error.empty(); }
};

class TIniFile {
  public:
    // Reads the file if it exists; a missing, unreadable or oversized (over 1 MiB) file reads as empty.
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return path_; }
    // True when the file was read whole or did not exist; otherwise ReadError() says why not.
    bool ReadWhole() const { return readError_.empty(); }
    const std::string& ReadError() const { return readError_; }
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Line breaks in the value are written as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Writes the file, making its folder (0700) when missing. Refused when the file was not read whole.
    [[nodiscard]] IniSaveResult Save() const;

  private:
    std::string path_;
    std::vector<std::string> lines_;
    std::string readError_;
};
