#include "reader/result_steps.h"

#include "toolkit/fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace reader {

QString resultIndicatorText(long current, long count) {
    return QStringLiteral("ผลลัพธ์ %1 / %2").arg(current + 1).arg(count);
}

ResultIndicator::ResultIndicator(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("resultIndicator"));
    setAccessibleName(QStringLiteral("ผลการค้นหาที่กำลังอ่าน"));
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral(
        "#resultIndicator { background:#eef3fb; border:1px solid #7f95b8; border-radius:4px; }"));
    previous = new QToolButton(this);
    previous->setArrowType(Qt::UpArrow);
    previous->setAccessibleName(QStringLiteral("ผลลัพธ์ก่อน (Alt+PgUp)"));
    previous->setToolTip(previous->accessibleName());
    next = new QToolButton(this);
    next->setArrowType(Qt::DownArrow);
    next->setAccessibleName(QStringLiteral("ผลลัพธ์ถัดไป (Alt+PgDown)"));
    next->setToolTip(next->accessibleName());
    for (QToolButton* b : {previous, next}) {
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus); // the reading keeps the focus
    }
    label = new QLabel(this);
    label->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 1, 4, 1);
    row->setSpacing(2);
    row->addWidget(previous);
    row->addWidget(label);
    row->addWidget(next);
    connect(previous, &QToolButton::clicked, this, [this] { emit step(-1); });
    connect(next, &QToolButton::clicked, this, [this] { emit step(1); });
    hide();
}

void ResultIndicator::setPosition(long current, long count) {
    label->setText(resultIndicatorText(current, count));
    previous->setEnabled(current > 0);
    next->setEnabled(current + 1 < count);
    adjustSize();
}

void ResultIndicator::place(const QRect& textArea) {
    adjustSize();
    move(textArea.left() + 8, textArea.bottom() - height() - 8);
}

} // namespace reader
