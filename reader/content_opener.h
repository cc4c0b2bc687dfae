#pragma once
// Turns a chosen topic or volume into a page location and opens the reader window on it.
#include "reader/frm_browser.h"
#include "reader/locations.h"
#include "toolkit/platform.h"

#include <QString>
#include <functional>

namespace reader {

// What the opener reads of the topic list.
struct TopicListAccess {
    std::function<int()> rowCount;
    std::function<int()> selectedRow;
    std::function<QString(int row, int subItem)> subItem;
};

class ContentOpener {
  public:
    ContentOpener(tk::Platform& platform, tk::WindowState& state, TopicListAccess list,
                  std::function<void(int16_t)> listVolumeTopics, std::function<void()> showReader);

    void ListView2_DblClick();
    void cmdBook_Click(int index);

    QString BookFolder;
    QString BookPagePath;
    // What the reader windows keep while the program runs.
    ReaderSession session;
    // The word the topic list was found by, if it was: marked on the topic's page.
    std::function<QString()> searchWord;

  private:
    void notAvailable(const QString& why);

    tk::Platform& platform_;
    tk::WindowState& state_; // the hand-off values are written there
    TopicListAccess list_;
    std::function<void(int16_t)> listVolumeTopics_;
    std::function<void()> showReader_;
};

} // namespace reader
