#include "tools/Shape.h"

#include <QPainter>
#include <algorithm>

namespace {
constexpr int kBarWidth = 25;
}

TShape::TShape(QWidget* parent) : QWidget(parent) { setFixedSize(kBarWidth, kBarFullHeight); }

void TShape::SetBar(const GpsBar& bar) {
    bar_ = bar;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = std::clamp(bar_.top, 0, kBarFullHeight);
    const int height = std::clamp(bar_.height, 0, kBarFullHeight - top);
    const QRect body(0, top, width(), height);
    painter.fillRect(body, QColor::fromRgb(bar_.rgb));
    painter.setPen(Qt::black);
    if (height > 0) painter.drawRect(body.adjusted(0, 0, -1, -1));
}
