#pragma once
// The find box at the reader's top-right corner, in a band the page is kept below: every
// place of the typed word is highlighted as it is typed, Enter and F3 go to the next, Shift
// with them to the previous, Esc closes the box and clears the highlights.
#include <QWidget>

class QLabel;
class QLineEdit;

namespace reader {

class PageView;

class FindBar : public QWidget {
    Q_OBJECT
  public:
    FindBar(PageView* view, QWidget* parent);

    // Shows the box with its word selected, ready to type.
    void open();
    // Marks the words (all of a search's words at once) and shows them in the box, closed;
    // F3 steps through the places of all of them.
    void setWords(const QStringList& words);
    void close();
    // The next (or previous) place, round past the end with a note.
    void step(bool backwards);
    QLineEdit* edit() const { return edit_; }
    QString status() const;
    // Keeps the box in the view's top-right corner.
    void place();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void typed();
    void showCount(const QString& extra = {});

    PageView* view_;
    QLineEdit* edit_;
    QLabel* count_;
};

} // namespace reader
