#include "toolkit/control.h"

#include "toolkit/twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <xcb/xcb.h>

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
// _NET_FRAME_EXTENTS of the window, as the window manager last set it.
std::optional<QMargins> drawnMargins(const QWidget* w) {
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        !w->testAttribute(Qt::WA_WState_Created) || !w->windowHandle())
        return std::nullopt;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return std::nullopt;
    // An atom stays the same for as long as the display runs: asked for once.
    static const xcb_atom_t extents = [c] {
        static const char kName[] = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kName - 1, kName), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }();
    if (extents == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, xcb_window_t(w->winId()), extents, XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    std::optional<QMargins> m;
    if (reply && reply->format == 32 && reply->value_len == 4) {
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        m = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3])); // left, right, top, bottom
    }
    free(reply);
    return m;
}
} // namespace

QRect frameRect(const QWidget* w) {
    // Qt keeps the frame it reckoned at the window's last configure event; a window manager
    // that frames a window without moving it sends none once its frame is built, so what
    // the window manager itself says is taken where it says anything.
    if (const auto m = drawnMargins(w); m && w->isVisible())
        return w->geometry().marginsAdded(*m);
    return w->frameGeometry();
}

namespace {
QSize frameOf(const QWidget* w) {
    const QRect f = frameRect(w);
    const QRect g = w->geometry();
    return {f.width() - g.width(), f.height() - g.height()};
}

// The window whose frame stands for this one's. Before a window is shown it has none yet;
// the one it will get is taken from the window it opens over, whose frame the window
// system has already drawn, so that a window is placed by its outer size at once.
const QWidget* framedLike(const QWidget* w) {
    if (frameOf(w) != QSize(0, 0) || w->testAttribute(Qt::WA_WState_Visible))
        return w;
    const QWidget* over = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    return over && over->isVisible() ? over : w;
}

// The frame the window system adds around the window, and where the inner area lies in it.
QSize frameExtra(const QWidget* w) {
    return frameOf(framedLike(w));
}
QPoint frameOffset(const QWidget* w) {
    const QWidget* like = framedLike(w);
    return like->geometry().topLeft() - frameRect(like).topLeft();
}

// The origin is the frame's; before the window is shown it is the window's own.
QRect outer(const QWidget* w) {
    const QSize extra = frameExtra(w);
    const QRect f = frameRect(w);
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
    const QSize inner = sizing ? QSize(std::max(0, twipsToPixels(wd) - extra.width()),
                                       std::max(0, twipsToPixels(h) - extra.height()))
                               : w_->size();
    // One request, by the inner area: the window system takes it as it stands, whereas a
    // frame's place is reckoned by the frame as last known, which is none or a passing
    // one while the window manager is framing the window, and mixing the two kinds makes
    // the window manager take some requests by the wrong corner.
    w_->setGeometry(QRect(QPoint(twipsToPixels(left), twipsToPixels(t)) + frameOffset(w_), inner));
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
    const QRect around = over && over->isVisible() ? frameRect(over) : free;
    QPoint at(around.x() + (around.width() - own.width()) / 2,
              around.y() + (around.height() - own.height()) / 2);
    at.setX(std::max(free.left(), std::min(at.x(), free.right() + 1 - own.width())));
    at.setY(std::max(free.top(), std::min(at.y(), free.bottom() + 1 - own.height())));
    return at;
}

KeptPlace::KeptPlace(QWidget* window, std::function<void()> placeAgain)
    : QObject(window), w_(window), placeAgain_(std::move(placeAgain)), tick_(new QTimer(this)) {
    w_->installEventFilter(this);
    // The frame the window system reports may change without the window moving (its
    // margins become known late): looked at on a tick as well as on every move.
    tick_->setInterval(50);
    connect(tick_, &QTimer::timeout, this, &KeptPlace::check);
}

bool KeptPlace::place(double left, double top) {
    const auto before = placed_;
    placed_ = QPoint(twipsToPixels(left), twipsToPixels(top)); // the moves it reports are ours
    placing_ = true;
    const bool moved = WindowGeometry(w_).Move(left, top);
    placing_ = false;
    if (!moved)
        placed_ = before;
    return moved;
}

float KeptPlace::Left() const {
    return placed_ ? pixelsToTwips(placed_->x()) : WindowGeometry(w_).Left();
}

float KeptPlace::Top() const {
    return placed_ ? pixelsToTwips(placed_->y()) : WindowGeometry(w_).Top();
}

bool KeptPlace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_ && event->type() == QEvent::Show) {
        shown_.start();
        tick_->start();
    }
    if (watched == w_ && event->type() == QEvent::Move)
        check();
    return QObject::eventFilter(watched, event);
}

void KeptPlace::check() {
    if (placing_ || !placed_ || !w_->isVisible())
        return;
    if (!settled_ && shown_.isValid() && shown_.elapsed() > kGuardMs * 3)
        tick_->stop(); // no frame is coming: a window system that draws none
    // Framed once its frame is a real one: no narrower than the window, nor wider by more
    // than a frame's width.
    const QRect frame = frameRect(w_);
    const QSize extra = frame.size() - w_->size();
    if (extra.width() < 0 || extra.height() <= 0 || extra.width() >= 100 || extra.height() >= 200)
        return;
    if (!settled_) {
        settled_ = true;
        guard_.start();
        tick_->start();
        if (placeAgain_) {
            placing_ = true; // its own sizing moves the window too
            placeAgain_();
            placing_ = false;
        }
    } else if (guard_.elapsed() > kGuardMs) {
        placed_.reset(); // long framed: from now on the window's own place is kept
        tick_->stop();
    } else if (frame.topLeft() != *placed_ && corrections_ < 8) {
        // Reported elsewhere: a passing report, or a request the window manager took with
        // another frame in mind. Asked once more for the same place, which costs nothing
        // in the first case.
        ++corrections_;
        const QPoint at = *placed_;
        place(pixelsToTwips(at.x()), pixelsToTwips(at.y()));
    }
}

} // namespace tk
