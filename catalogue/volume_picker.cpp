#include "catalogue/volume_picker.h"

#include "catalogue/shelf_labels.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <utility>
#include <QLabel>

namespace catalogue {

VolumePicker::VolumePicker(PickerControls controls, std::function<void(int, int)> showShelfPage,
                           const int16_t& rowButtonLeft)
    : c_(controls), showShelfPage_(std::move(showShelfPage)), rowButtonLeft_(rowButtonLeft) {
    // Only choosing an entry runs the handler: from the open list, or by stepping through
    // the entries with the arrow keys or the wheel. The box also activates an entry when
    // typed text matches it and Enter is pressed or the focus leaves; that is typing.
    for (QObject* o : {static_cast<QObject*>(c_.combo1), static_cast<QObject*>(c_.combo1->view()),
                       static_cast<QObject*>(c_.combo1->view()->viewport())})
        o->installEventFilter(this);
    if (c_.combo1->lineEdit())
        c_.combo1->lineEdit()->installEventFilter(this);
    connect(c_.combo1, &QComboBox::activated, this, [this] {
        if (std::exchange(chosen_, false))
            Combo1_Click();
    });
    connect(c_.listView2, &tk::ListView::listClick, this, [this] { ListView2_Click(); });
}

void VolumePicker::Combo1_Click() {
    if (const auto range = readLabel(c_.combo1->currentText()))
        showShelfPage_(range->first, range->second);
    c_.Frame4->setVisible(false);
    c_.label1->setText(QString());
}

bool VolumePicker::eventFilter(QObject* watched, QEvent* event) {
    auto key = [&] { return static_cast<QKeyEvent*>(event)->key(); };
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        chosen_ = watched == c_.combo1->view()->viewport();
        break;
    case QEvent::KeyPress:
        if (watched == c_.combo1 && (key() == Qt::Key_Return || key() == Qt::Key_Enter)) {
            // The box keeps Enter for itself; the window's default button is what it presses.
            chosen_ = false;
            QCoreApplication::sendEvent(c_.combo1->window(), event);
            return true;
        }
        if (watched == c_.combo1->view())
            chosen_ = key() == Qt::Key_Return || key() == Qt::Key_Enter;
        else
            chosen_ = key() == Qt::Key_Up || key() == Qt::Key_Down;
        break;
    case QEvent::Wheel:
        chosen_ = watched == c_.combo1;
        break;
    case QEvent::FocusOut:
        // Closing the list moves the focus too, before the choice is reported.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            chosen_ = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void VolumePicker::ListView2_Click() {
    if (c_.listView2->rowCount() == 0)
        return;
    c_.Timer3->setEnabled(true);
    c_.Command8->setVisible(true);
    c_.Command8->Move(rowButtonLeft_,
                      double(c_.listView2->rowTop(c_.listView2->selectedRow())) + 200);
    if (c_.Command8->widget())
        c_.Command8->widget()->raise();
}

} // namespace catalogue
