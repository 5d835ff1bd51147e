#include "platform/FileDialog.h"

#include <QFileDialog>

namespace {
SaveDialogHandler& SaveHandler() {
    static SaveDialogHandler handler;
    return handler;
}
SaveDialogHandler& OpenHandler() {
    static SaveDialogHandler handler;
    return handler;
}
std::optional<QString> Chosen(const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    return name;
}
}  // namespace

std::optional<QString> RunSaveDialog(QWidget* parent) {
    if (SaveHandler()) return SaveHandler()();
    return Chosen(QFileDialog::getSaveFileName(parent));
}

std::optional<QString> RunOpenDialog(QWidget* parent) {
    if (OpenHandler()) return OpenHandler()();
    return Chosen(QFileDialog::getOpenFileName(parent));
}

void SetSaveDialogHandler(SaveDialogHandler handler) { SaveHandler() = std::move(handler); }
void SetOpenDialogHandler(SaveDialogHandler handler) { OpenHandler() = std::move(handler); }
