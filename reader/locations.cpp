#include "reader/locations.h"

#include "toolkit/paths.h"

#include <QFileInfo>
#include <QRegularExpression>
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

PageRange pageRange(int k) {
    return {k == 0 ? 0 : 50 * k + 1, 50 * (k + 1)};
}

QString pageRangeFileName(int k) {
    return QStringLiteral("%1_%2.htm")
        .arg(50 * k + 1, 3, 10, QLatin1Char('0'))
        .arg(50 * (k + 1), 3, 10, QLatin1Char('0'));
}

std::optional<int> rangeIndex(double p) {
    for (int k = 0; k < kPageRanges; ++k) {
        const PageRange r = pageRange(k);
        if (p >= r.first && p <= r.last)
            return k;
    }
    return std::nullopt;
}

std::optional<QString> pageRangeFile(double p) {
    const auto k = rangeIndex(p);
    if (!k)
        return std::nullopt;
    return pageRangeFileName(*k);
}

std::optional<QString> volumeFolder(double volume, const QString& volumeText) {
    if (volume >= 1 && volume <= 9)
        return QStringLiteral("book0") + volumeText;
    if (volume >= 10 && volume <= 91)
        return QStringLiteral("book") + volumeText;
    return std::nullopt;
}

std::optional<QString> canonPagePath(int volume, int page) {
    const auto folder = volumeFolder(volume, QString::number(volume));
    const auto file = pageRangeFile(page);
    if (!folder || !file)
        return std::nullopt;
    return QStringLiteral("91book\\") + *folder + QStringLiteral("\\") + *file +
           QStringLiteral("#") + QString::number(page);
}

std::vector<PageRange> rangesOnDisk(const QString& programFolder, int volume) {
    std::vector<PageRange> out;
    const auto folder = volumeFolder(volume, QString::number(volume));
    if (!folder)
        return out;
    tk::ListingCache listings; // the volume's folder is listed once
    const QString base = programFolder + QStringLiteral("\\91book\\") + *folder + QLatin1Char('\\');
    for (int k = 0; k < kPageRanges; ++k)
        if (QFileInfo(tk::resolvePath(programFolder, base + pageRangeFileName(k), &listings)).isFile())
            out.push_back(pageRange(k));
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
    for (const PageRange& r : ranges)
        if (page >= r.first && page <= r.last)
            return true;
    return false;
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

int volumeOfFile(const QString& path) {
    static const QRegularExpression re(QStringLiteral("(^|[/\\\\])91book[/\\\\]book0*([0-9]{1,2})[/\\\\][^/\\\\]+$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(path);
    if (!m.hasMatch())
        return 0;
    const int v = m.captured(2).toInt();
    return v >= 1 && v <= 91 ? v : 0;
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
