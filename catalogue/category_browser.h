#pragma once
// The left pane: the collection buttons in their accordion arrangement, the group list
// and its floating open button, and the topic pane's back and open buttons.
#include "catalogue/collections.h"
#include "toolkit/dbfunction.h"
#include "toolkit/control.h"
#include "toolkit/listview.h"
#include "toolkit/picture.h"
#include "toolkit/platform.h"
#include "toolkit/timer.h"
#include "toolkit/window_state.h"

#include <QObject>
#include <array>
#include <functional>

class QLabel;

namespace catalogue {

using tk::SavedLayout;

struct BrowserControls {
    std::array<tk::Control*, 4> Command;
    std::array<tk::Control*, 4> Picture;
    std::array<QLabel*, 4> pictures;
    tk::Control* ListView1;
    tk::ListView* listView1;
    tk::Control* Command6;
    tk::Timer* Timer2;
    tk::Control* Frame4;
    QLabel* label1;
};

class CategoryBrowser : public QObject {
    Q_OBJECT
  public:
    CategoryBrowser(tk::Platform& platform, tk::DBFunction& db, tk::PictureLoader& pictures,
                    BrowserControls controls, tk::WindowState& state,
                    std::function<void(const QString&)> listGroupTopics,
                    std::function<void()> listView2DblClick);

    void CommandN_Click(int k); // k = 1 .. 4
    void ListView1_Click();
    void ListView1_DblClick();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();

    QString SelectedGroupCode;
    GroupModel& model() { return model_; }

  private:
    void arrangeAccordion(int k);

    tk::Platform& platform_;
    tk::DBFunction& db_;
    tk::PictureLoader& pictures_;
    BrowserControls c_;
    tk::WindowState& state_;
    std::function<void(const QString&)> listGroupTopics_;
    std::function<void()> listView2DblClick_;
    GroupModel model_;
};

} // namespace catalogue
