#include "catalogue/volume_picker.h"

#include "catalogue/shelf_labels.h"

#include <QComboBox>
#include <QLabel>

namespace catalogue {

VolumePicker::VolumePicker(PickerControls controls, std::function<void(int, int)> showShelfPage,
                           const int16_t& rowButtonLeft)
    : c_(controls), showShelfPage_(std::move(showShelfPage)), rowButtonLeft_(rowButtonLeft) {
    // Only choosing an entry runs the handler; typing into the box does not.
    connect(c_.combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(c_.listView2, &tk::ListView::listClick, this, [this] { ListView2_Click(); });
}

void VolumePicker::Combo1_Click() {
    if (const auto range = readLabel(c_.combo1->currentText()))
        showShelfPage_(range->first, range->second);
    c_.Frame4->setVisible(false);
    c_.label1->setText(QString());
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
