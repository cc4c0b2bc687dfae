#include "toolkit/focus_mark.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace tk {

// Two bands, light outside and dark inside, so that the ring shows on light controls and
// on the dark frames alike.
class FocusRing : public QWidget {
  public:
    explicit FocusRing(QWidget* window) : QWidget(window) {
        setObjectName(QStringLiteral("focusMark"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int b = FocusMark::kBand;
        const QRect outer = rect();
        const QRect inner = outer.adjusted(b, b, -b, -b);
        auto band = [&](const QRect& r, const QColor& c) {
            QPainterPath path;
            path.addRect(r);
            path.addRect(r.adjusted(b, b, -b, -b));
            path.setFillRule(Qt::OddEvenFill);
            p.fillPath(path, c);
        };
        band(outer, QColor(0xFF, 0xD0, 0x1A)); // amber
        band(inner, QColor(0x10, 0x2E, 0x8C)); // deep blue
    }
};

FocusMark::FocusMark(QObject* parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
    follow(QApplication::focusWidget());
}

FocusMark::~FocusMark() {
    delete ring_;
}

QWidget* FocusMark::ring() const {
    return ring_ && ring_->isVisible() ? ring_.data() : nullptr;
}

void FocusMark::follow(QWidget* focused) {
    for (const QPointer<QWidget>& w : watched_)
        if (w)
            w->removeEventFilter(this);
    watched_.clear();
    focused_ = focused;
    if (!focused || focused == ring_ || !focused->window()) {
        if (ring_)
            ring_->hide();
        return;
    }
    QWidget* window = focused->window();
    if (!ring_ || ring_->parentWidget() != window) {
        delete ring_;
        ring_ = new FocusRing(window);
    }
    for (QWidget* w = focused; w; w = w->parentWidget()) {
        w->installEventFilter(this);
        watched_ << w;
        if (w == window)
            break;
    }
    place();
}

void FocusMark::place() {
    if (!ring_)
        return;
    if (!focused_ || !focused_->isVisible()) {
        ring_->hide();
        return;
    }
    QWidget* window = ring_->parentWidget();
    const int b = 2 * kBand;
    const QRect at(focused_->mapTo(window, QPoint(0, 0)), focused_->size());
    ring_->setGeometry(at.adjusted(-b, -b, b, b));
    // A control as large as its window (the reader's page) carries the ring inside itself.
    if (!window->rect().contains(ring_->geometry()))
        ring_->setGeometry(at.intersected(window->rect()));
    ring_->show();
    ring_->raise();
}

bool FocusMark::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        place();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tk
