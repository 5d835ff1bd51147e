#include "link/LogMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
// Left margin of the text inside the view, in pixels.
constexpr int kTextMargin = 4;
}  // namespace

LogMemo::LogMemo(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    UpdateScrollRanges();
}

void LogMemo::StoreLine(std::string line) {
    longestLine_ = std::max(longestLine_, line.size());
    lines_.push_back(std::move(line));
}

void LogMemo::AppendLine(std::string_view utf8) {
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    size_t start = 0;
    while (true) {
        const size_t lf = utf8.find('\n', start);
        if (lf == std::string_view::npos) {
            if (start < utf8.size() || start == 0) StoreLine(std::string(utf8.substr(start)));
            break;
        }
        size_t end = lf;
        if (end > start && utf8[end - 1] == '\r') --end;
        StoreLine(std::string(utf8.substr(start, end - start)));
        start = lf + 1;
        if (start == utf8.size()) break;
    }
    UpdateScrollRanges();
    if (following) bar->setValue(bar->maximum());
    viewport()->update();
}

void LogMemo::Clear() {
    lines_.clear();
    longestLine_ = 0;
    selectionAnchor_ = selectionEnd_ = -1;
    UpdateScrollRanges();
    viewport()->update();
}

QString LogMemo::SelectedText() const {
    if (selectionAnchor_ < 0 || lines_.empty()) return {};
    const int last = static_cast<int>(lines_.size()) - 1;
    const int from = std::clamp(std::min(selectionAnchor_, selectionEnd_), 0, last);
    const int to = std::clamp(std::max(selectionAnchor_, selectionEnd_), 0, last);
    QStringList picked;
    for (int i = from; i <= to; ++i) picked << QString::fromStdString(lines_[static_cast<size_t>(i)]);
    return picked.join('\n');
}

int LogMemo::LineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int LogMemo::VisibleLineCount() const { return std::max(1, viewport()->height() / LineHeight()); }

int LogMemo::LineAt(int y) const { return verticalScrollBar()->value() + std::max(0, y) / LineHeight(); }

void LogMemo::UpdateScrollRanges() {
    const int count = static_cast<int>(std::min<size_t>(lines_.size(), INT32_MAX));
    verticalScrollBar()->setRange(0, std::max(0, count - VisibleLineCount()));
    verticalScrollBar()->setPageStep(VisibleLineCount());
    const int width =
        static_cast<int>(std::min<size_t>(longestLine_, 100000)) * fontMetrics().averageCharWidth();
    horizontalScrollBar()->setRange(0, std::max(0, width + 2 * kTextMargin - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void LogMemo::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    const int height = LineHeight();
    const int first = verticalScrollBar()->value();
    const int last = std::min(static_cast<int>(lines_.size()), first + VisibleLineCount() + 1);
    const int left = kTextMargin - horizontalScrollBar()->value();
    const int selFrom = std::min(selectionAnchor_, selectionEnd_);
    const int selTo = std::max(selectionAnchor_, selectionEnd_);
    for (int i = first; i < last; ++i) {
        const int top = (i - first) * height;
        const bool selected = selectionAnchor_ >= 0 && i >= selFrom && i <= selTo;
        if (selected) painter.fillRect(0, top, viewport()->width(), height, palette().highlight());
        painter.setPen(selected ? palette().highlightedText().color() : palette().text().color());
        painter.drawText(left, top + fontMetrics().ascent(),
                         QString::fromStdString(lines_[static_cast<size_t>(i)]));
    }
}

void LogMemo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void LogMemo::mousePressEvent(QMouseEvent* event) {
    selectionAnchor_ = selectionEnd_ = LineAt(event->position().toPoint().y());
    viewport()->update();
}

void LogMemo::mouseMoveEvent(QMouseEvent* event) {
    if (selectionAnchor_ < 0) return;
    selectionEnd_ = LineAt(event->position().toPoint().y());
    viewport()->update();
}

void LogMemo::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(SelectedText());
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectionAnchor_ = 0;
        selectionEnd_ = static_cast<int>(lines_.size()) - 1;
        viewport()->update();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}
