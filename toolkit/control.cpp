#include "toolkit/control.h"

#include "toolkit/twips.h"

#include <QEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace tk {

bool placeable(double twips) {
    if (!std::isfinite(twips))
        return false;
    return std::fabs(twips / twipsPerPixel()) <= QWIDGETSIZE_MAX;
}

Control::Control(QWidget* widget, float left, float top, float width, float height)
    : w_(widget), left_(left), top_(top), width_(width), height_(height) {
    applyGeometry();
}

float Control::Left() const {
    return left_;
}
float Control::Top() const {
    return top_;
}
float Control::Width() const {
    return width_;
}
float Control::Height() const {
    return height_;
}
bool Control::Visible() const {
    return visible_;
}

void Control::setVisible(bool v) {
    visible_ = v;
    if (w_)
        w_->setVisible(v);
}

bool Control::Move(double left, std::optional<double> top, std::optional<double> width,
                   std::optional<double> height) {
    const double t = top.value_or(top_), wd = width.value_or(width_), h = height.value_or(height_);
    if (!placeable(left) || !placeable(t) || !placeable(wd) || !placeable(h))
        return false;
    if (wd < 0 || h < 0)
        return false;
    left_ = static_cast<float>(left);
    top_ = static_cast<float>(t);
    width_ = static_cast<float>(wd);
    height_ = static_cast<float>(h);
    applyGeometry();
    return true;
}

void Control::applyGeometry() {
    if (!w_)
        return;
    w_->setGeometry(twipsToPixels(left_), twipsToPixels(top_), twipsToPixels(width_),
                    twipsToPixels(height_));
}

namespace {
QSize frameOf(const QWidget* w) {
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return {f.width() - g.width(), f.height() - g.height()};
}

// The frame the window system adds around the window. Before a window is shown it has
// none yet; the one it will get is taken from the window it opens over, whose frame the
// window system has already drawn, so that a window is placed by its outer size at once.
QSize frameExtra(const QWidget* w) {
    const QSize own = frameOf(w);
    if (own != QSize(0, 0) || w->testAttribute(Qt::WA_WState_Visible))
        return own;
    const QWidget* over = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    return over && over->isVisible() ? frameOf(over) : own;
}

// The origin is the frame's; before the window is shown it is the window's own.
QRect outer(const QWidget* w) {
    const QSize extra = frameExtra(w);
    const QRect f = w->frameGeometry();
    return {f.topLeft(), QSize(w->width() + extra.width(), w->height() + extra.height())};
}
} // namespace

float WindowGeometry::Left() const {
    return pixelsToTwips(outer(w_).x());
}
float WindowGeometry::Top() const {
    return pixelsToTwips(outer(w_).y());
}
float WindowGeometry::Width() const {
    return pixelsToTwips(outer(w_).width());
}
float WindowGeometry::Height() const {
    return pixelsToTwips(outer(w_).height());
}
bool WindowGeometry::Minimized() const {
    return w_->isMinimized();
}

bool WindowGeometry::Move(double left, std::optional<double> top, std::optional<double> width,
                          std::optional<double> height) {
    const double t = top.value_or(Top()), wd = width.value_or(Width()),
                 h = height.value_or(Height());
    if (!placeable(left) || !placeable(t) || !placeable(wd) || !placeable(h))
        return false;
    if (wd < 0 || h < 0)
        return false;
    // The window system refuses to size a maximised or full-screen window.
    const bool sizing = width || height;
    if (sizing && (w_->isMaximized() || w_->isFullScreen()))
        return false;
    const QSize extra = frameExtra(w_);
    // Sized first: the window system takes a size at the window's own origin, and the move
    // that follows puts the frame where it belongs, whatever the size left it at.
    if (sizing)
        w_->resize(std::max(0, twipsToPixels(wd) - extra.width()),
                   std::max(0, twipsToPixels(h) - extra.height()));
    const QPoint at(twipsToPixels(left), twipsToPixels(t));
    // Once the window exists in the window system, its frame is placed as such: a move by
    // the inner position would be reckoned with the frame as last known, which is none or a
    // passing one while the window manager is framing the window.
    if (QWindow* handle = w_->windowHandle(); handle && w_->testAttribute(Qt::WA_WState_Created))
        handle->setFramePosition(at);
    else
        w_->move(at);
    return true;
}

void WindowGeometry::setClientSize(double widthTwips, double heightTwips) {
    w_->resize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
}

QPoint centredOver(const QWidget* window) {
    const QRect own = outer(window);
    const QWidget* over = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    const QScreen* screen = over ? over->screen() : window->screen();
    const QRect free = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect around = over && over->isVisible() ? over->frameGeometry() : free;
    QPoint at(around.x() + (around.width() - own.width()) / 2,
              around.y() + (around.height() - own.height()) / 2);
    at.setX(std::max(free.left(), std::min(at.x(), free.right() + 1 - own.width())));
    at.setY(std::max(free.top(), std::min(at.y(), free.bottom() + 1 - own.height())));
    return at;
}

KeptPlace::KeptPlace(QWidget* window, std::function<void()> placeAgain)
    : QObject(window), w_(window), placeAgain_(std::move(placeAgain)) {
    w_->installEventFilter(this);
}

bool KeptPlace::place(double left, double top) {
    WindowGeometry g(w_);
    if (!g.Move(left, top))
        return false;
    placed_ = QPoint(twipsToPixels(left), twipsToPixels(top));
    return true;
}

float KeptPlace::Left() const {
    return placed_ ? pixelsToTwips(placed_->x()) : WindowGeometry(w_).Left();
}

float KeptPlace::Top() const {
    return placed_ ? pixelsToTwips(placed_->y()) : WindowGeometry(w_).Top();
}

bool KeptPlace::eventFilter(QObject* watched, QEvent* event) {
    if (watched != w_ || !placed_ || event->type() != QEvent::Move || !w_->isVisible())
        return QObject::eventFilter(watched, event);
    // Framed once its frame is a real one: no narrower than the window, nor wider by more
    // than a frame's width.
    const QSize extra = w_->frameGeometry().size() - w_->size();
    if (extra.width() < 0 || extra.height() <= 0 || extra.width() >= 100 || extra.height() >= 200)
        return QObject::eventFilter(watched, event);
    if (!settled_) {
        settled_ = true;
        guard_.start();
        if (placeAgain_)
            placeAgain_();
    } else if (guard_.elapsed() > kGuardMs) {
        placed_.reset(); // long framed: from now on the window's own place is kept
    } else if (w_->frameGeometry().topLeft() != *placed_ && corrections_ < 8) {
        // Reported elsewhere: a passing report, or a request the window manager took with
        // another frame in mind. Asked once more for the same place, which costs nothing
        // in the first case.
        ++corrections_;
        const QPoint at = *placed_;
        WindowGeometry(w_).Move(pixelsToTwips(at.x()), pixelsToTwips(at.y()));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tk
