// Stands in for a window whose class is not part of the program yet, so that its menu item, its place
// and the opening convention already work. A window class replaces it with one line in the catalog.
#pragma once

#include <QWidget>
#include <string>

#include "shell/WindowOpener.h"

class PendingWindow : public QWidget {
    Q_OBJECT
  public:
    PendingWindow(const std::string& formName, const QString& caption);
};

// Registers a stand-in for a form, kept in a pointer of its own.
void RegisterPendingWindow(const std::string& formName, const QString& caption, Placement placement,
                           bool fixed);
