// What the monitoring and test windows share: label texts computed by plain functions and written by
// name, and the times the windows stamp on what they show.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QWidget;

// One label's new text: the label's objectName and its caption (UTF-8).
struct LabelText {
    std::string name;
    std::string text;
    bool operator==(const LabelText&) const = default;
};
using LabelTexts = std::vector<LabelText>;

// Writes each text to the child label of that name; a name no label has is skipped.
void ApplyLabels(QWidget* form, const LabelTexts& texts);
// Makes each named label at least as wide as the given text, so it holds its longest value without the
// window growing (or cutting it) when that value arrives.
void ReserveLabelRoom(QWidget* form, const LabelTexts& widest);
// The text of the child label of that name (empty when there is none).
[[nodiscard]] std::string LabelCaption(const QWidget* form, const std::string& name);

// Saves lines through the save dialog and tells the user how it went: `saved` as the program's plain
// message, a failure as every failed save of the program is reported. A cancelled dialog says nothing.
void SaveLinesAndTell(QWidget* parent, const std::vector<std::string>& lines, const char* saved);

// The clock's time in a Qt date format ("yyyy-MM-dd hh:mm:ss"), so tests can fix it.
[[nodiscard]] std::string ClockText(const QString& format);
inline const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
