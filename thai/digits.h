#pragma once
// Numbers written with Thai digits, as the program's Thai captions count things.
#include <QString>

namespace thai {

inline QString thaiDigits(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QChar(char16_t(0x0E50 + (c.unicode() - u'0')));
    return out;
}

inline QString thaiDigits(long long n) {
    return thaiDigits(QString::number(n));
}

} // namespace thai
