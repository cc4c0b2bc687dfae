#pragma once
// The volume shelf: the 91 covers as buttons, a page at a time, in a grid that follows
// the panel's size.
#include "toolkit/control.h"
#include "toolkit/picture.h"
#include "toolkit/platform.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace shell {

struct ShelfState {
    long ShelfRows = 0;
    int16_t ShelfColumns = 0;
    long ShelfPageSize = 0;
    long ShelfPageCount = 0;
    int16_t ShelfRowLength = 0;
    int16_t ShelfFirstRowTop = 0;
};

struct ShelfControls {
    tk::Control* Frame3;
    tk::Control* ImageBox;
    QLabel* imageBox;
    QComboBox* combo1;
    std::vector<tk::Control>* cmdBook;
    std::vector<QPushButton*>* cmdBookButtons;
};

class Shelf {
  public:
    // createButton makes button `index` as a copy of button 0 (the platform's Load).
    Shelf(tk::Platform& platform, tk::PictureLoader& pictures, ShelfControls controls,
          std::function<void(int index)> createButton);

    void RebuildShelf();
    // The pictures the shelf's first page shows at the window's design size: the
    // background of two rows and the first covers. Only those are worth decoding ahead;
    // any other is decoded when it is shown.
    static QStringList firstPagePictures(const QString& appPath);
    void ShowShelfPage(int first, int last);
    ShelfState state;

  private:
    void cover(int index, int volume);

    tk::Platform& platform_;
    tk::PictureLoader& pictures_;
    ShelfControls c_;
    std::function<void(int)> createButton_;
};

} // namespace shell
