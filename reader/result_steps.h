#pragma once
// The results of a canon search as a reader opened from one of them steps through them:
// the list stays the search window's (it may still grow while the search runs); the reader
// asks for a result by its place in the list and tells which one it shows.
#include <QFrame>
#include <QString>
#include <functional>
#include <optional>

class QLabel;
class QToolButton;

namespace reader {

struct ResultPlace {
    int volume = 0;
    QString file; // a host path
    QString page; // the page anchor; empty for the file's top
};

struct ResultSteps {
    std::function<long()> count;
    std::function<std::optional<ResultPlace>(long)> at;
    long current = -1; // the result shown, from 0
};

// "ผลลัพธ์ 12 / 340".
QString resultIndicatorText(long current, long count);

// A floating box over the view's bottom left corner: the result shown of how many, with an
// arrow to the previous result and one to the next.
class ResultIndicator : public QFrame {
    Q_OBJECT
  public:
    explicit ResultIndicator(QWidget* parent);
    void setPosition(long current, long count);
    void place(const QRect& textArea);

    QLabel* label = nullptr;
    QToolButton* previous = nullptr;
    QToolButton* next = nullptr;

  signals:
    void step(int by);
};

} // namespace reader
