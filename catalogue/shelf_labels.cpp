#include "catalogue/shelf_labels.h"

namespace catalogue {

QString twoDigits(long n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QStringList pageLabels(long size) {
    QStringList out;
    if (size <= 0)
        return out;
    if (size >= 91)
        return {kLabelHead + QStringLiteral("01-91")};
    const long pages = 91 / size;
    for (long k = 1; k <= pages; ++k)
        out << kLabelHead + twoDigits((k - 1) * size + 1) + QStringLiteral("-") +
                   twoDigits(k * size);
    const long a = pages * size + 1;
    if (a == 91)
        out << kLabelHead + QStringLiteral("91");
    else if (a < 91)
        out << kLabelHead + QString::number(a) + QStringLiteral("-91");
    return out;
}

QString firstPageLabel(long size) {
    if (size <= 0)
        return {};
    return kLabelHead + QStringLiteral("01-") + twoDigits(std::min(size, 91L));
}

std::optional<std::pair<int, int>> readLabel(const QString& label) {
    if (label.right(2) == QLatin1String("91") && label.right(3) != QLatin1String("-91"))
        return std::pair{91, 91};
    const QString five = label.right(5);
    if (five.size() != 5 || five[2] != QLatin1Char('-'))
        return std::nullopt;
    bool ok1 = false, ok2 = false;
    const int a = five.left(2).toInt(&ok1);
    const int b = five.right(2).toInt(&ok2);
    if (!ok1 || !ok2)
        return std::nullopt;
    return std::pair{a, b};
}

} // namespace catalogue
