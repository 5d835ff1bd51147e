// Text files the program writes for the user (the output log, exported tables, samples): code page 936,
// each line followed by CR LF, an existing file replaced.
#pragma once

#include <QString>
#include <string>
#include <vector>

// Writes the UTF-8 lines; returns 0, or the system's error number of the step that failed, so that a
// failed save is never reported as saved and the log can say why.
[[nodiscard]] int WriteCp936Lines(const QString& path, const std::vector<std::string>& lines);

class QWidget;

// The name a text is saved under: a name longer than 4 characters that does not end exactly in ".txt"
// gets ".txt" appended; shorter names stay as they are. The comparison is case-sensitive.
[[nodiscard]] QString TextFileName(const QString& chosen);

enum class SaveOutcome { Cancelled, Saved, Failed };
struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Cancelled;
    QString path;   // the name written to (after TextFileName)
    int error = 0;  // errno of the failed step
};
// Asks for a name through the file-dialog seam, applies TextFileName and writes the lines.
[[nodiscard]] SaveResult SaveLinesWithDialog(QWidget* parent, const std::vector<std::string>& lines);
