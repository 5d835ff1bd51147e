// The one way the program asks the user for a file name to save to. Tests install a handler so no
// dialog is shown and the answer is theirs.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The chosen file name as typed or picked (no filter, no default extension), or nothing when the
// user cancelled.
[[nodiscard]] std::optional<QString> RunSaveDialog(QWidget* parent);

using SaveDialogHandler = std::function<std::optional<QString>()>;
// Replaces the dialog (nullptr restores it).
void SetSaveDialogHandler(SaveDialogHandler handler);
