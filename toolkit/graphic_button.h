#pragma once
// A push button that carries a picture, drawn as graphical buttons were on the design's
// platform: the picture centred above the caption, the caption centred below. When the
// caption does not fit the button at its design font, the font is made smaller just enough
// (never below 8 pixels); past that the caption is elided and shown whole in the tool tip.
#include <QPushButton>

namespace tk {

class GraphicButton : public QPushButton {
    Q_OBJECT
  public:
    GraphicButton(const QString& caption, QWidget* parent = nullptr);

    // The design font; the button draws with it or a smaller size of it.
    void setDesignFont(const QFont& font);
    // The font the caption is drawn with at the button's present size.
    QFont captionFont();
    // Whether the caption is drawn whole.
    bool captionFits();
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    // Fits the caption to the button's present size, once for each size.
    void fit();
    QSize fittedFor_;
    QRect captionRect() const;
    QFont design_, caption_;
    QSize wantedIcon_; // the picture's size when the caption leaves room for it
    bool fits_ = true;
};

} // namespace tk
