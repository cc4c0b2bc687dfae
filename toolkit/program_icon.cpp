#include "toolkit/program_icon.h"

namespace tk {

QIcon programIcon() {
    QIcon icon;
    for (int size : {VELKARO_ICON_SIZES})
        icon.addFile(QStringLiteral(":/icons/velkaro-reader-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tk
