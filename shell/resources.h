#pragma once
// Pictures that belong to the program itself (not to the data folder): the banner, the
// faces of the two floating buttons and the design arrows of the collection buttons. Sizes
// are in logical pixels; each is drawn for the densest screen's pixel ratio.
#include <QPixmap>

namespace shell {
QPixmap bannerPicture();      // 300 x 42
QPixmap openGroupPicture();   // 173 x 34, "open topic"
QPixmap openCanonPicture();   // 173 x 34, "open and read the canon"
QPixmap closedArrowPicture(); // 44 x 43
QPixmap aboutPicture();       // 150 x 150
} // namespace shell
