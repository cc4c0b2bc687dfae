#include "catalogue/shelf_labels.h"

#include "pagefile/canon_layout.h"

namespace catalogue {

namespace {
constexpr long kVolumes = pagefile::CanonLayout::kVolumes;
const QString kLast = QString::number(kVolumes);
} // namespace

QString twoDigits(long n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QStringList pageLabels(long size) {
    QStringList out;
    if (size <= 0)
        return out;
    if (size >= kVolumes)
        return {kLabelHead + QStringLiteral("01-") + kLast};
    const long pages = kVolumes / size;
    for (long k = 1; k <= pages; ++k)
        out << kLabelHead + twoDigits((k - 1) * size + 1) + QStringLiteral("-") +
                   twoDigits(k * size);
    const long a = pages * size + 1;
    if (a == kVolumes)
        out << kLabelHead + kLast;
    else if (a < kVolumes)
        out << kLabelHead + QString::number(a) + QLatin1Char('-') + kLast;
    return out;
}

QString firstPageLabel(long size) {
    if (size <= 0)
        return {};
    return kLabelHead + QStringLiteral("01-") + twoDigits(std::min(size, kVolumes));
}

std::optional<std::pair<int, int>> readLabel(const QString& label) {
    if (label.endsWith(kLast) && !label.endsWith(QLatin1Char('-') + kLast))
        return std::pair{int(kVolumes), int(kVolumes)};
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
