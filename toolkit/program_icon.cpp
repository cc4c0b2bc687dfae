#include "toolkit/program_icon.h"

namespace tk {

QIcon programIcon() {
    QIcon icon;
    for (int size : {VELKARO_ICON_SIZES})
        icon.addFile(QStringLiteral(":/icons/velkaro-reader-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon canonSearchIcon() {
    QIcon icon;
    for (int size : {VELKARO_CANON_SEARCH_ICON_SIZES})
        icon.addFile(QStringLiteral(":/icons/velkaro-canon-search-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tk
