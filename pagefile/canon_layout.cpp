#include "pagefile/canon_layout.h"

#include <QRegularExpression>

namespace pagefile {

QString CanonLayout::root() {
    return QStringLiteral("91book");
}

QString CanonLayout::volumeFolder(int volume) {
    return QStringLiteral("book%1").arg(volume, 2, 10, QLatin1Char('0'));
}

std::optional<QString> CanonLayout::volumeFolder(double volume, const QString& written) {
    if (volume >= 1 && volume <= 9)
        return QStringLiteral("book0") + written;
    if (volume >= 10 && volume <= kVolumes)
        return QStringLiteral("book") + written;
    return std::nullopt;
}

PageRange CanonLayout::range(int k) {
    return {k == 0 ? 0 : kPagesPerFile * k + 1, kPagesPerFile * (k + 1)};
}

QString CanonLayout::rangeFile(int k) {
    return QStringLiteral("%1_%2.htm")
        .arg(kPagesPerFile * k + 1, 3, 10, QLatin1Char('0'))
        .arg(kPagesPerFile * (k + 1), 3, 10, QLatin1Char('0'));
}

std::optional<int> CanonLayout::rangeIndex(double page) {
    for (int k = 0; k < kRanges; ++k)
        if (page >= range(k).first && page <= range(k).last)
            return k;
    return std::nullopt;
}

std::optional<int> CanonLayout::rangeOfFile(const QString& name) {
    for (int k = 0; k < kRanges; ++k)
        if (name.compare(rangeFile(k), Qt::CaseInsensitive) == 0)
            return k;
    return std::nullopt;
}

std::optional<QString> CanonLayout::pagePath(int volume, int page) {
    const auto folder = volumeFolder(double(volume), QString::number(volume));
    const auto k = rangeIndex(page);
    if (!folder || !k)
        return std::nullopt;
    return root() + QLatin1Char('\\') + *folder + QLatin1Char('\\') + rangeFile(*k) + QLatin1Char('#') +
           QString::number(page);
}

int CanonLayout::volumeOfFile(const QString& path) {
    static const QRegularExpression re(QStringLiteral("(^|[/\\\\])91book[/\\\\]book0*([0-9]{1,2})[/\\\\][^/\\\\]+$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(path);
    if (!m.hasMatch())
        return 0;
    const int v = m.captured(2).toInt();
    return isVolume(v) ? v : 0;
}

} // namespace pagefile
