#include "shell/WindowOpener.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <map>
#include <vector>

#include "link/ReplyTable.h"

namespace {

// Recorders sit this far left of the others so their wide plots fit beside the output window.
constexpr int kRecorderShift = 120;
constexpr char kOutputForm[] = "TfOutPut";
constexpr char kPortForm[] = "TfComManage";

struct Registry {
    std::map<std::string, WindowKind> kinds;
    std::vector<std::string> topRow;  // top-row forms in registration order, left to right
    QPointer<QMdiArea> host;
};

Registry& Windows() {
    static Registry registry;
    return registry;
}

// Clears the form's global pointer and input methods when `window` is still the one it holds.
void Forget(const std::string& formName, QWidget* window) {
    auto it = Windows().kinds.find(formName);
    if (it == Windows().kinds.end() || it->second.current() != window) return;
    it->second.store(nullptr);
    ClearReplyInput(formName);
}

// The frame of an MDI child: a closable window forgets itself as soon as its close is accepted and is
// then freed; a fixed window refuses to close.
class ChildFrame : public QMdiSubWindow {
  public:
    ChildFrame(std::string formName, bool fixed) : formName_(std::move(formName)), fixed_(fixed) {
        setAttribute(Qt::WA_DeleteOnClose);
        if (fixed_) setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (fixed_) {
            event->ignore();
            return;
        }
        QMdiSubWindow::closeEvent(event);
        if (event->isAccepted()) Forget(formName_, widget());
    }

  private:
    std::string formName_;
    bool fixed_;
};

// Without an MDI client a closable window has no frame of ours: it forgets itself when it is asked to
// close, as a framed one does, and is freed by its own delete-on-close.
class CloseWatch : public QObject {
  public:
    CloseWatch(std::string formName, QWidget* window) : QObject(window), formName_(std::move(formName)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) Forget(formName_, static_cast<QWidget*>(watched));
        return false;
    }

  private:
    std::string formName_;
};

int FrameWidth(const char* formName) {
    QMdiSubWindow* frame = WindowFrame(formName);
    if (frame != nullptr) return frame->width();
    QWidget* window = OpenedWindow(formName);
    return window != nullptr ? window->frameGeometry().width() : 0;
}

int FrameHeight(const char* formName) {
    QMdiSubWindow* frame = WindowFrame(formName);
    if (frame != nullptr) return frame->height();
    QWidget* window = OpenedWindow(formName);
    return window != nullptr ? window->frameGeometry().height() : 0;
}

QPoint PlaceOf(const WindowKind& kind) {
    const int outputWidth = FrameWidth(kOutputForm);
    const int portHeight = FrameHeight(kPortForm);
    switch (kind.placement) {
        case Placement::Output:
            return {0, 0};
        case Placement::TopRow: {
            int left = outputWidth;
            for (const std::string& earlier : Windows().topRow) {
                if (earlier == kind.formName) break;
                left += FrameWidth(earlier.c_str());
            }
            return {left, 0};
        }
        case Placement::Recorders:
            return {outputWidth - kRecorderShift, portHeight};
        case Placement::TestRow:
        case Placement::Others:
            break;
    }
    return {outputWidth, portHeight};
}

bool PlacedOnEveryRequest(Placement placement) {
    return placement == Placement::TopRow || placement == Placement::TestRow ||
           placement == Placement::Output;
}

void Place(const WindowKind& kind, QWidget* window) {
    QWidget* target = WindowFrame(kind.formName);
    if (target == nullptr) target = window;
    target->move(PlaceOf(kind));
}

}  // namespace

void RegisterWindowKind(WindowKind kind) {
    Registry& registry = Windows();
    if (kind.placement == Placement::TopRow && !registry.kinds.contains(kind.formName))
        registry.topRow.push_back(kind.formName);
    const std::string name = kind.formName;
    registry.kinds.insert_or_assign(name, std::move(kind));
}

void SetWindowHost(QMdiArea* host) { Windows().host = host; }

QWidget* OpenedWindow(const std::string& formName) {
    auto it = Windows().kinds.find(formName);
    return it == Windows().kinds.end() ? nullptr : it->second.current();
}

QMdiSubWindow* WindowFrame(const std::string& formName) {
    QWidget* window = OpenedWindow(formName);
    return window != nullptr ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

QWidget* OpenWindow(const std::string& formName) {
    auto it = Windows().kinds.find(formName);
    if (it == Windows().kinds.end()) return nullptr;
    const WindowKind& kind = it->second;
    if (QWidget* open = kind.current()) {
        QMdiSubWindow* frame = WindowFrame(formName);
        if (frame != nullptr && Windows().host) Windows().host->setActiveSubWindow(frame);
        (frame != nullptr ? static_cast<QWidget*>(frame) : open)->raise();
        open->activateWindow();
        if (PlacedOnEveryRequest(kind.placement)) Place(kind, open);
        return open;
    }
    QWidget* window = kind.create();
    kind.store(window);
    // A window freed by other means (its owner going away) must not leave its pointer set.
    QObject::connect(window, &QObject::destroyed, [name = kind.formName, window] { Forget(name, window); });
    if (QMdiArea* host = Windows().host) {
        // The window keeps the size its class gave it; the frame adds its title bar and border.
        // A size set by the class grows where the controls need more room at the fonts in use.
        // A window the class did not size opens at its preferred size as far as the main window's area
        // holds it, never below what its controls need.
        auto* frame = new ChildFrame(kind.formName, kind.fixed);
        // A window that chose its border buttons keeps them in its frame.
        if (!kind.fixed && window->windowFlags().testFlag(Qt::CustomizeWindowHint))
            frame->setWindowFlags(Qt::SubWindow | (window->windowFlags() & ~Qt::WindowType_Mask));
        frame->setWidget(window);
        host->addSubWindow(frame);
        const QSize border = frame->sizeHint() - window->sizeHint();
        const QSize wanted = window->testAttribute(Qt::WA_Resized)
                                 ? window->size().expandedTo(window->minimumSizeHint())
                                 : window->sizeHint()
                                       .boundedTo(host->viewport()->size() - border)
                                       .expandedTo(window->minimumSizeHint());
        // A closable window opens no larger than the room left right of and below its place, so that one
        // placed under the top row does not run off the main window; its layout takes what it needs less.
        QSize framed = wanted + border;
        if (!kind.fixed) {
            const QPoint at = PlaceOf(kind);
            const QSize room(host->viewport()->width() - at.x(), host->viewport()->height() - at.y());
            framed = framed.boundedTo(room).expandedTo(window->minimumSizeHint() + border);
        }
        if (kind.fixed)
            frame->setFixedSize(framed);
        else
            frame->resize(framed);
        frame->show();
    } else {
        if (!kind.fixed) {
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->installEventFilter(new CloseWatch(kind.formName, window));
        }
        window->show();
    }
    Place(kind, window);
    return window;
}

void CloseAllWindows() {
    for (auto& [name, kind] : Windows().kinds) {
        QWidget* window = kind.current();
        if (window == nullptr) continue;
        QWidget* frame = WindowFrame(name);
        Forget(name, window);
        delete (frame != nullptr ? frame : window);
    }
    Windows().host = nullptr;
}
