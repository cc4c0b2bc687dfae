#pragma once
// A ring around whichever control has the keyboard focus, in every window of the program:
// the style's own focus marks are a thin dotted line or none at all (covers, an empty
// list), and vanish on the dark frames.
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tk {

class FocusRing;

class FocusMark : public QObject {
    Q_OBJECT
  public:
    // Follows the focus for the whole application while it lives.
    explicit FocusMark(QObject* parent = nullptr);
    ~FocusMark() override;
    // The ring on show, or null.
    QWidget* ring() const;
    // Its width in logical pixels, each of its two colours.
    static constexpr int kBand = 2;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void follow(QWidget* focused);
    void place();
    QPointer<QWidget> focused_;
    QPointer<FocusRing> ring_;
    QList<QPointer<QWidget>> watched_; // the focused control and its containers
};

} // namespace tk
