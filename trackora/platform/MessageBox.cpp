#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxHandler g_handler;

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Error:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = std::move(handler); }

MsgResult ShowMessageBox(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons) {
    const MessageBoxCall call{text, caption, icon, buttons};
    if (g_handler) return g_handler(call);
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::NoButton, QApplication::activeWindow());
    switch (buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        default:
            return MsgResult::Ok;
    }
}
