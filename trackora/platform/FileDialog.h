// The one way the program asks the user for a file name to save to or to open. Tests install handlers so
// no dialog is shown and the answer is theirs.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The chosen file name as typed or picked (no filter, no default extension), or nothing when the
// user cancelled.
[[nodiscard]] std::optional<QString> RunSaveDialog(QWidget* parent);
// The existing file the user picked to open, or nothing when the user cancelled.
[[nodiscard]] std::optional<QString> RunOpenDialog(QWidget* parent);

using SaveDialogHandler = std::function<std::optional<QString>()>;
// Replaces the dialog (nullptr restores it).
void SetSaveDialogHandler(SaveDialogHandler handler);
void SetOpenDialogHandler(SaveDialogHandler handler);
