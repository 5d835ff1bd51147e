#include "platform/FileDialog.h"

#include <QFileDialog>

namespace {
SaveDialogHandler& Handler() {
    static SaveDialogHandler handler;
    return handler;
}
}  // namespace

std::optional<QString> RunSaveDialog(QWidget* parent) {
    if (Handler()) return Handler()();
    const QString name = QFileDialog::getSaveFileName(parent);
    if (name.isEmpty()) return std::nullopt;
    return name;
}

void SetSaveDialogHandler(SaveDialogHandler handler) { Handler() = std::move(handler); }
