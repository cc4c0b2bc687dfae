#include "reader/locations.h"

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

std::optional<QString> pageRangeFile(double p) {
    for (int k = 0; k <= 30; ++k) {
        const int lo = k == 0 ? 0 : 50 * k + 1;
        const int hi = 50 * (k + 1);
        if (p >= lo && p <= hi)
            return QStringLiteral("%1_%2.htm")
                .arg(50 * k + 1, 3, 10, QLatin1Char('0'))
                .arg(hi, 3, 10, QLatin1Char('0'));
    }
    return std::nullopt;
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

QString pageReference(int volume, const QString& page) {
    return QStringLiteral("(พระไตรปิฎกเล่ม %1 หน้า %2)").arg(volume).arg(page);
}

} // namespace reader
