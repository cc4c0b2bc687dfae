#pragma once
// The shelf's page picker and the topic list's floating open button.
#include "toolkit/control.h"
#include "toolkit/listview.h"
#include "toolkit/timer.h"
#include "toolkit/window_state.h"

#include <QObject>
#include <functional>

class QComboBox;
class QLabel;

namespace catalogue {

struct PickerControls {
    QComboBox* combo1;
    tk::Control* Frame4;
    QLabel* label1;
    tk::ListView* listView2;
    tk::Control* Command8;
    tk::Timer* Timer3;
};

class VolumePicker : public QObject {
    Q_OBJECT
  public:
    VolumePicker(PickerControls controls, std::function<void(int, int)> showShelfPage,
                 const tk::WindowState& state);
    void Combo1_Click();
    void ListView2_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    PickerControls c_;
    bool typed_ = false; // the box's text was typed since the last choice
    std::function<void(int, int)> showShelfPage_;
    const tk::WindowState& state_;
};

} // namespace catalogue
