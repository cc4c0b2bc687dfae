#pragma once
// What screen readers are told of our controls beyond Qt's own interfaces.
#include <QComboBox>

namespace tk {

// An editable combo box that a screen reader hears by its accessible name, with its
// current text as its value. Qt's own interface on this platform gives the current text as
// the combo's name.
class ComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ComboBox(QWidget* parent = nullptr);
    // Names the box and its field alike.
    void setName(const QString& name);
};

} // namespace tk
