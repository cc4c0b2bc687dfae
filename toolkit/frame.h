#pragma once
// A frame: a bordered panel with its caption on the top edge, drawn within the caption's
// own glyphs so that controls placed a little below the edge leave it readable.
#include <QGroupBox>

namespace tk {

class Frame : public QGroupBox {
    Q_OBJECT
  public:
    using QGroupBox::QGroupBox;
    void setBackColor(const QColor& c);

  protected:
    void paintEvent(QPaintEvent* e) override;
};

} // namespace tk
