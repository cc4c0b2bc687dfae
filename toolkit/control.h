#pragma once
// A control placed in twips. The twips values are kept exactly as the program computes
// them; the widget's pixel geometry is derived from them.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <QWidget>
#include <optional>

namespace tk {

class Control {
  public:
    Control() = default;
    Control(QWidget* widget, float left, float top, float width, float height);

    QWidget* widget() const { return w_; }

    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    bool Visible() const;
    void setVisible(bool v);

    // Places the control; every value left out keeps its current value. A placement whose
    // width or height is negative, or whose value is not finite or too large for the
    // window system, fails as a whole: nothing changes and false is returned.
    bool Move(double left, std::optional<double> top = {}, std::optional<double> width = {},
              std::optional<double> height = {});
    bool setWidth(double v) { return Move(Left(), {}, v); }

    // Re-derives pixels, e.g. after a change of screen scale.
    void applyGeometry();

  private:
    QPointer<QWidget> w_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

// A top-level window measured by its outer size (frame and title bar included), as the
// window system reports it.
class WindowGeometry {
  public:
    explicit WindowGeometry(QWidget* window) : w_(window) {}
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    bool Minimized() const;
    bool Move(double left, std::optional<double> top = {}, std::optional<double> width = {},
              std::optional<double> height = {});
    bool setWidth(double v) { return Move(Left(), {}, v); }
    bool setHeight(double v) { return Move(Left(), {}, {}, v); }
    // Client area, for the design size.
    void setClientSize(double widthTwips, double heightTwips);

  private:
    QWidget* w_;
};

// Where the program put a top-level window, kept while the window manager frames it. While
// a window is being reparented into its frame, the positions and frame sizes the window
// system reports are passing ones (it is briefly seen at the screen's corner, or with a
// frame narrower than the window), and sizing or placing the window by them pins it there.
// So the window is sized where it was put; once it is seen with a real frame it is placed
// once more, by that frame, and for a second after that any other place reported is
// answered by asking for the same place again (looked at on every move and on a short
// tick). From then on its own position is kept, so a window the user has dragged stays
// where it was dragged.
class KeptPlace : public QObject {
  public:
    // placeAgain: places the window by its framed outer size, through place().
    KeptPlace(QWidget* window, std::function<void()> placeAgain);
    // Moves the window's outer top-left, in twips.
    bool place(double left, double top);
    // The outer top-left to keep when the window is sized, in twips.
    float Left() const;
    float Top() const;
    // Placed once more by the frame the window really has.
    bool settled() const { return settled_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* w_;
    std::function<void()> placeAgain_;
    std::optional<QPoint> placed_; // outer top-left in pixels
    bool settled_ = false;
    bool placing_ = false;
    int corrections_ = 0;
    // While framing, the window manager may still act on an earlier request after the
    // window has been seen in place; for this long after framing, the place is held.
    static constexpr int kGuardMs = 1000;
    QElapsedTimer guard_, shown_;
    QTimer* tick_;
    void check();
};

// The window's outer rectangle, frame and title bar included, as the window manager drew it.
QRect frameRect(const QWidget* window);

// The outer top-left, in pixels, that centres the window's outer size over the window it
// opens over (or over its screen), kept whole on the screen's free area where it fits.
QPoint centredOver(const QWidget* window);

// A value is placeable when finite and no larger than the window system allows.
bool placeable(double twips);

} // namespace tk
