#include "toolkit/frame.h"

#include <QPainter>

namespace tk {

void Frame::setBackColor(const QColor& c) {
    QPalette p = palette();
    p.setColor(QPalette::Window, c);
    setPalette(p);
    setAutoFillBackground(true);
}

void Frame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QString caption = title();
    const QFontMetrics fm(font());
    // The caption's own height (its marks included), not the font's line height.
    const QRect ink = caption.isEmpty() ? QRect() : fm.tightBoundingRect(caption);
    const int baseline = caption.isEmpty() ? 0 : -ink.top() + 1;
    const int edge = caption.isEmpty() ? 0 : baseline / 2;
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, edge, -1, -1));
    if (caption.isEmpty())
        return;
    const int left = 8, pad = 3;
    p.fillRect(QRect(left, 0, fm.horizontalAdvance(caption) + 2 * pad, baseline + 2),
               palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(QPoint(left + pad, baseline), caption);
}

} // namespace tk
