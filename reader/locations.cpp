#include "reader/locations.h"

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

} // namespace reader
