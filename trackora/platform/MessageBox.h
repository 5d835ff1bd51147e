// The one way the program asks or tells the user something in a box. Tests install a capture so nothing
// is shown and every box is recorded.
#pragma once

#include <QString>
#include <functional>

// The captions of the program's boxes: warnings of the port and the log, and the consoles' hints.
inline constexpr char kWarningCaption[] = "警告窗口";
inline constexpr char kHintCaption[] = "提示窗口";

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageBoxCall {
    QString text;
    QString caption;
    MsgIcon icon;
    MsgButtons buttons;
};

using MessageBoxHandler = std::function<MsgResult(const MessageBoxCall&)>;

MsgResult ShowMessageBox(const QString& text, const QString& caption, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::Ok);
// Replaces the modal box (nullptr restores it).
void SetMessageBoxHandler(MessageBoxHandler handler);
