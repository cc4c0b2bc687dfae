#include "reader/locations.h"

#include "toolkit/paths.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace reader {

std::optional<double> numeric(const Variant& v) {
    if (std::holds_alternative<std::monostate>(v))
        return 0.0;
    if (const double* d = std::get_if<double>(&v))
        return *d;
    bool ok = false;
    const double d = std::get<QString>(v).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

QString text(const Variant& v) {
    if (std::holds_alternative<std::monostate>(v))
        return {};
    if (const double* d = std::get_if<double>(&v))
        return QString::number(*d, 'g', 15);
    return std::get<QString>(v);
}

std::vector<PageRange> rangesOnDisk(const QString& programFolder, int volume) {
    std::vector<PageRange> out;
    if (!CanonLayout::isVolume(volume))
        return out;
    tk::ListingCache listings; // the volume's folder is listed once
    const QString base = programFolder + QLatin1Char('\\') + CanonLayout::root() + QLatin1Char('\\') +
                         CanonLayout::volumeFolder(volume) + QLatin1Char('\\');
    for (int k = 0; k < CanonLayout::kRanges; ++k)
        if (QFileInfo(tk::resolvePath(programFolder, base + CanonLayout::rangeFile(k), &listings)).isFile())
            out.push_back(CanonLayout::range(k));
    return out;
}

std::optional<PageRange> neighbourRange(const std::vector<PageRange>& ranges, int page,
                                        bool forwards) {
    if (forwards) {
        for (const PageRange& r : ranges)
            if (r.first > page)
                return r;
    } else {
        for (auto r = ranges.rbegin(); r != ranges.rend(); ++r)
            if (r->last < page)
                return *r;
    }
    return std::nullopt;
}

bool holdsPage(const std::vector<PageRange>& ranges, int page) {
    return std::any_of(ranges.begin(), ranges.end(), [page](const PageRange& r) { return r.holds(page); });
}

QString describeRanges(const std::vector<PageRange>& ranges) {
    std::vector<PageRange> runs;
    for (const PageRange& r : ranges) {
        if (!runs.empty() && runs.back().last + 1 == r.first)
            runs.back().last = r.last;
        else
            runs.push_back(r);
    }
    QString out;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (i > 0)
            out += i + 1 == runs.size() ? QStringLiteral(" และ ") : QStringLiteral(", ");
        out += QStringLiteral("%1 ถึง %2").arg(runs[i].first).arg(runs[i].last);
    }
    return out;
}

std::optional<long long> parseNumber(const QString& typed) {
    QString digits;
    for (QChar c : typed.trimmed()) {
        if (c.unicode() >= 0x0E50 && c.unicode() <= 0x0E59)
            digits += QChar(u'0' + (c.unicode() - 0x0E50));
        else if (c.isDigit() && c.unicode() < 0x80)
            digits += c;
        else
            return std::nullopt;
    }
    if (digits.isEmpty() || digits.size() > 12)
        return std::nullopt;
    return digits.toLongLong();
}

QString pageReference(int volume, const QString& first, const QString& last) {
    const QString pages = last.isEmpty() || last == first ? first : first + u'\u2013' + last;
    return QStringLiteral("(พระไตรปิฎกเล่ม %1 หน้า %2)").arg(volume).arg(pages);
}

} // namespace reader
