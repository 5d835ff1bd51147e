// The buttons a window's border offers. By default a window gets the toolkit's full set (minimise,
// maximise, close); a window whose border gives fewer says so here, and the MDI frame it opens in takes
// the same set (see the window opener).
#pragma once

#include <QWidget>

enum class BorderIcons {
    SystemMenu,             // close only
    SystemMenuAndMinimize,  // close and minimise
};

inline void SetBorderIcons(QWidget* window, BorderIcons icons) {
    // The window's type stays (a window, or a widget about to go into an MDI frame); only the hints change.
    Qt::WindowFlags flags = (window->windowFlags() & Qt::WindowType_Mask) | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (icons == BorderIcons::SystemMenuAndMinimize) flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);
}
