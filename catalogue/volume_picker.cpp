#include "catalogue/volume_picker.h"

#include "catalogue/shelf_labels.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <utility>
#include <QLabel>

namespace catalogue {

VolumePicker::VolumePicker(PickerControls controls, std::function<void(int, int)> showShelfPage,
                           const tk::WindowState& state)
    : c_(controls), showShelfPage_(std::move(showShelfPage)), state_(state) {
    // Only choosing an entry runs the handler: from the open list (by mouse or keys), or by
    // stepping through the entries with the arrow keys or the wheel on the closed box. The
    // box also activates an entry when typed text matches it and Enter is pressed or the
    // focus leaves; that is typing, and changes nothing.
    c_.combo1->installEventFilter(this);
    c_.combo1->view()->installEventFilter(this);
    if (QLineEdit* edit = c_.combo1->lineEdit())
        connect(edit, &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(c_.combo1, &QComboBox::activated, this, [this] {
        if (!typed_)
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
    switch (event->type()) {
    case QEvent::Show:
        // The list opened: what comes from it is a choice, whatever was typed before.
        if (watched == c_.combo1->view())
            typed_ = false;
        break;
    case QEvent::KeyPress:
        if (watched == c_.combo1) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // The box keeps Enter for itself; the window's default button is what it
                // presses.
                QCoreApplication::sendEvent(c_.combo1->window(), event);
                return true;
            }
            if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End)
                typed_ = false;
        }
        break;
    case QEvent::Wheel:
        if (watched == c_.combo1)
            typed_ = false;
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
    c_.Command8->Move(state_.RowButtonLeft,
                      double(c_.listView2->rowTop(c_.listView2->selectedRow())) + 200);
    if (c_.Command8->widget())
        c_.Command8->widget()->raise();
}

} // namespace catalogue
