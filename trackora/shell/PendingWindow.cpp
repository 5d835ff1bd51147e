#include "shell/PendingWindow.h"

#include <QLabel>
#include <QVBoxLayout>
#include <map>

namespace {
constexpr int kWidth = 260;
constexpr int kHeight = 160;
}  // namespace

PendingWindow::PendingWindow(const std::string& formName, const QString& caption) {
    setObjectName(QString::fromStdString(formName));
    setWindowTitle(caption);
    resize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(caption, this), 0, Qt::AlignCenter);
}

void RegisterPendingWindow(const std::string& formName, const QString& caption, Placement placement,
                           bool fixed) {
    // The stand-ins' global pointers: one per form, alive for the whole run.
    static std::map<std::string, QWidget*> pointers;
    QWidget** slot = &pointers[formName];
    RegisterWindowKind(
        {formName, placement, fixed,
         [formName, caption] { return static_cast<QWidget*>(new PendingWindow(formName, caption)); },
         [slot] { return *slot; }, [slot](QWidget* w) { *slot = w; }});
}
