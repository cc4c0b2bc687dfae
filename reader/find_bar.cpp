#include "reader/find_bar.h"

#include "reader/page_view.h"
#include "toolkit/fonts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace reader {

FindBar::FindBar(PageView* view, QWidget* parent)
    : QWidget(parent), view_(view), edit_(new QLineEdit(this)), count_(new QLabel(this)) {
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 6, 4);
    edit_->setObjectName(QStringLiteral("findEdit"));
    edit_->setPlaceholderText(QStringLiteral("ค้นหาในหน้านี้"));
    edit_->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    edit_->setMinimumWidth(200);
    edit_->setAccessibleName(QStringLiteral("คำที่ค้นหาในหน้านี้"));
    count_->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 10));
    count_->setMinimumWidth(110);
    row->addWidget(edit_);
    row->addWidget(count_);
    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::textChanged, this, &FindBar::typed);
    // Places in parts that arrive later are counted as they come.
    connect(view_, &PageView::hitsChanged, this, [this] { showCount(); });
    hide();
}

void FindBar::place() {
    adjustSize();
    // In a band of its own across the top of the view, inside its frame: the page lies
    // below it, so neither a page's heading nor a place found is ever under the box.
    view_->setTopBand(height());
    const QRect v = view_->geometry();
    const int frame = view_->frameWidth();
    move(v.right() - frame - width() - 20, v.top() + frame);
}

void FindBar::open() {
    place();
    show();
    raise();
    edit_->setFocus();
    edit_->selectAll();
    if (!edit_->text().isEmpty() && view_->markedWord() != edit_->text())
        typed();
}

void FindBar::setWords(const QStringList& words) {
    view_->setMarkedWords(words);
    {
        const QSignalBlocker quiet(edit_); // the words as they are, not the line as one word
        edit_->setText(view_->markedWord());
    }
    view_->firstHitFromView();
    showCount();
}

void FindBar::close() {
    hide();
    view_->setTopBand(0);
    view_->setMarkedWord(QString());
    view_->setFocus();
}

void FindBar::typed() {
    view_->setMarkedWord(edit_->text());
    view_->firstHitFromView();
    showCount();
}

void FindBar::step(bool backwards) {
    if (edit_->text().isEmpty() && !view_->markedWord().isEmpty())
        edit_->setText(view_->markedWord());
    if (view_->hitCount() == 0) {
        showCount();
        return;
    }
    const bool round = view_->stepHit(backwards);
    showCount(round ? (backwards ? QStringLiteral(" (วนกลับไปท้ายหน้า)")
                                 : QStringLiteral(" (วนกลับไปต้นหน้า)"))
                    : QString());
}

void FindBar::showCount(const QString& extra) {
    if (edit_->text().isEmpty())
        count_->setText(QString());
    else if (view_->hitCount() == 0)
        count_->setText(QStringLiteral("ไม่พบ"));
    else
        count_->setText(QStringLiteral("ตำแหน่ง %1 / %2")
                            .arg(std::max(view_->currentHit(), 0) + 1)
                            .arg(view_->hitCount()) +
                        extra);
    if (isVisible())
        place();
}

QString FindBar::status() const {
    return count_->text();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        const bool shift = k->modifiers() & Qt::ShiftModifier;
        switch (k->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            step(shift);
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace reader
