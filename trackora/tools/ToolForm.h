// What the monitoring and test windows share: label texts computed by plain functions and written by
// name, input methods that the reply dispatcher reaches only while their window exists, and the times
// the windows stamp on what they show.
#pragma once

#include <QPointer>
#include <QString>
#include <string>
#include <vector>

#include "link/ReplyTable.h"

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

// Registers a window's input method as "Form.Method". The entry calls the method only while the window
// exists, so a window freed after a newer one registered cannot be reached through a stale entry.
template <class W>
void AddReplyInput(W* window, const char* method, void (W::*input)()) {
    SetReplyInput(window->objectName().toStdString() + "." + method, [w = QPointer<W>(window), input] {
        if (w) (w.data()->*input)();
    });
}
// Removes the window's input methods unless another window of its form is the open one now (a window
// freed after the user opened a new one must not take the new one's inputs with it).
void ReleaseReplyInputs(const QWidget* window, const QWidget* open);
// A closing or freed window lets go of its input methods and of its global pointer, if it still holds it.
template <class W>
void LetGoOfWindow(W* window, W*& pointer) {
    ReleaseReplyInputs(window, pointer);
    if (pointer == window) pointer = nullptr;
}

// Saves lines through the save dialog and tells the user how it went: `saved` as the program's plain
// message, a failure as every failed save of the program is reported. A cancelled dialog says nothing.
void SaveLinesAndTell(QWidget* parent, const std::vector<std::string>& lines, const char* saved);

// The clock's time in a Qt date format ("yyyy-MM-dd hh:mm:ss"), so tests can fix it.
[[nodiscard]] std::string ClockText(const QString& format);
inline const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
