// How a window registers the input methods the reply rows forward to: one call per method, tied to the
// window's life. The entry calls the method only while the window exists, and the window's entries go
// when it is destroyed, unless a newer window of its form has registered over them meanwhile (a window
// freed after the user opened its successor must not take the successor's inputs with it).
#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "link/ReplyTable.h"

// Registers `input` of `window` as "<objectName>.<method>".
template <class W>
void AddReplyInput(W* window, const char* method, void (W::*input)()) {
    const void* owner = window;
    SetReplyInput(
        window->objectName().toStdString() + "." + method,
        [w = QPointer<W>(window), input] {
            if (w) (w.data()->*input)();
        },
        owner);
    // Connected once per method; clearing twice is harmless.
    QObject::connect(window, &QObject::destroyed, [owner] { ClearReplyInputsOf(owner); });
}
