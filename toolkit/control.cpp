#include "toolkit/control.h"

#include "toolkit/twips.h"

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
    w_->move(twipsToPixels(left), twipsToPixels(t));
    if (sizing)
        w_->resize(std::max(0, twipsToPixels(wd) - extra.width()),
                   std::max(0, twipsToPixels(h) - extra.height()));
    return true;
}

void WindowGeometry::setClientSize(double widthTwips, double heightTwips) {
    w_->resize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
}

} // namespace tk
