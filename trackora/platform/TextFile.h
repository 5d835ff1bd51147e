// Text files the program writes for the user (the output log, exported tables, samples): code page 936,
// each line followed by CR LF, an existing file replaced.
#pragma once

#include <QString>
#include <string>
#include <vector>

// Writes the UTF-8 lines; returns 0, or the system's error number of the step that failed, so that a
// failed save is never reported as saved and the log can say why.
[[nodiscard]] int WriteCp936Lines(const QString& path, const std::vector<std::string>& lines);
