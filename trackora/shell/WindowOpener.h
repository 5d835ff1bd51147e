// How every window of the program is opened: one instance per window class, kept in its global
// pointer; a request for an open window brings it to the front; a window is placed by its placement
// class; closing a window clears its pointer and its reply input methods before it is freed, so the
// next request creates a new one and no reply reaches a window that is going away. A window freed by
// other means (its owner going away) lets go of its pointer too: the opener alone writes the pointers,
// the windows never do.
//
// Each window class is registered once (the catalog, WindowCatalog.h: one line per class) with its form
// name, global pointer and placement class; the main window registers the catalog when it is made, and
// its handlers and start-up tick open windows by form name. The opener knows no window class itself.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QMdiArea;
class QMdiSubWindow;

enum class Placement {
    Output,     // the output window: left column, top 0
    TopRow,     // right of the output window, top 0, after the earlier top-row windows; on every request
    TestRow,    // left = width of the output window, top = height of the port manager; on every request
    Recorders,  // left = width of the output window - 120, top = height of the port manager; when created
    Others,     // left = width of the output window, top = height of the port manager; when created
};

struct WindowKind {
    std::string formName;  // the window's objectName
    Placement placement;
    bool fixed;  // no close button: lives for the whole run
    std::function<QWidget*()> create;
    std::function<QWidget*()> current;    // reads the global pointer
    std::function<void(QWidget*)> store;  // writes the global pointer
};

void RegisterWindowKind(WindowKind kind);

// Registers a window class W (constructible with no arguments) kept in `pointer`.
template <class W>
void RegisterWindow(const std::string& formName, W*& pointer, Placement placement, bool fixed = false) {
    W** slot = &pointer;
    RegisterWindowKind({formName, placement, fixed, [] { return static_cast<QWidget*>(new W()); },
                        [slot] { return static_cast<QWidget*>(*slot); },
                        [slot](QWidget* w) { *slot = static_cast<W*>(w); }});
}

// The MDI client that windows open in (the main window's); without one windows open on their own.
void SetWindowHost(QMdiArea* host);

// Opens the window of a registered form: brings an open one to the front, else creates it, stores it
// in its global pointer and shows it; then places it by its class. nullptr for an unknown form.
QWidget* OpenWindow(const std::string& formName);
// The open window of a form (its global pointer), or nullptr.
[[nodiscard]] QWidget* OpenedWindow(const std::string& formName);
// The frame around an open window in the MDI client (nullptr when none).
[[nodiscard]] QMdiSubWindow* WindowFrame(const std::string& formName);
// Closes every open window and forgets the host (program end and tests).
void CloseAllWindows();
