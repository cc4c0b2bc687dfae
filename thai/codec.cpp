#include "thai/codec.h"

namespace thai {

char16_t windows874(unsigned char b) {
    if (b < 0x80)
        return b;
    switch (b) {
    case 0x80:
        return 0x20AC;
    case 0x85:
        return 0x2026;
    case 0x91:
        return 0x2018;
    case 0x92:
        return 0x2019;
    case 0x93:
        return 0x201C;
    case 0x94:
        return 0x201D;
    case 0x95:
        return 0x2022;
    case 0x96:
        return 0x2013;
    case 0x97:
        return 0x2014;
    case 0xA0:
        return 0x00A0;
    default:
        break;
    }
    if (b < 0xA0)
        return b; // the other C1 bytes pass through as control characters
    if (b <= 0xDA)
        return char16_t(0x0E01 + (b - 0xA1));
    if (b == 0xDF)
        return 0x0E3F;
    if (b >= 0xE0 && b <= 0xFB)
        return char16_t(0x0E40 + (b - 0xE0));
    return 0xFFFD; // 0xDB-0xDE and 0xFC-0xFF are not in the table
}

QString decodeWindows874(const QByteArray& bytes) {
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(windows874(uchar(bytes[i])));
    return out;
}

} // namespace thai
