#include "toolkit/listview.h"

#include "toolkit/twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tk {

ListView::ListView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setTextElideMode(Qt::ElideRight); // a cut header ends in "…"
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void ListView::setColumnWidthsTwips(const std::vector<int>& twips) {
    for (size_t i = 0; i < twips.size(); ++i) {
        const int c = int(i);
        if (twips[i] <= 0) {
            setColumnHidden(c, true);
        } else {
            setColumnHidden(c, false);
            setColumnWidth(c, twipsToPixels(twips[i]));
        }
    }
}

int ListView::rowCount() const {
    return model() ? model()->rowCount() : 0;
}

int ListView::selectedRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void ListView::selectRow0IfNone() {
    if (rowCount() > 0 && selectedRow() < 0)
        setCurrentIndex(model()->index(0, 0));
}

float ListView::rowTop(int row) const {
    if (!model() || row < 0)
        return 0;
    const QRect r = visualRect(model()->index(row, 0));
    const int y = viewport()->mapTo(this, r.topLeft()).y();
    return float(pixelsToTwips(y));
}

void ListView::mousePressEvent(QMouseEvent* e) {
    // When the double-click opened a modal window, its release went there: a new press
    // starts a new click either way.
    suppressRelease_ = false;
    QTableView::mousePressEvent(e);
}

void ListView::mouseReleaseEvent(QMouseEvent* e) {
    QTableView::mouseReleaseEvent(e);
    if (suppressRelease_) {
        suppressRelease_ = false;
        return;
    }
    if (e->button() == Qt::LeftButton)
        emit listClick();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* e) {
    QTableView::mouseDoubleClickEvent(e);
    suppressRelease_ = true; // the release that ends a double-click is not another click
    if (e->button() == Qt::LeftButton)
        emit listDblClick();
}

void ListView::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && selectedRow() >= 0) {
        e->accept();
        // As the mouse's double-click: its first click selects, the second acts.
        emit listClick();
        emit listDblClick();
        return;
    }
    // Without a row, Enter goes on to the window (its default button).
    QTableView::keyPressEvent(e);
}

} // namespace tk
