#pragma once
// A control placed in twips. The twips values are kept exactly as the program computes
// them; the widget's pixel geometry is derived from them.
#include <QPointer>
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

// A value is placeable when finite and no larger than the window system allows.
bool placeable(double twips);

} // namespace tk
