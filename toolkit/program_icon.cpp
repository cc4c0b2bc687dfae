#include "toolkit/program_icon.h"

namespace tk {

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/velkaro-reader-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tk
