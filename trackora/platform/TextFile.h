// Saving a window's lines as a text file: the name rule the tools have always applied and a writer
// that reports whether every byte reached the file, so a failed save is never shown as a success.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QWidget;

// A name longer than 4 characters that does not end exactly in ".txt" gets ".txt" appended; shorter
// names stay as they are. The comparison is case-sensitive, as it always was.
[[nodiscard]] QString TextFileName(const QString& chosen);

// Writes every line (UTF-8) in code page 936, each followed by CR LF, replacing an existing file.
[[nodiscard]] bool WriteTextLines(const QString& path, const std::vector<std::string>& lines);

enum class SaveOutcome { Cancelled, Saved, Failed };

// Asks for a name (the file-dialog seam), applies TextFileName and writes the lines.
[[nodiscard]] SaveOutcome SaveLinesWithDialog(QWidget* parent, const std::vector<std::string>& lines);
