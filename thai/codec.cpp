#include "thai/codec.h"

#include <QRegularExpression>

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

namespace {
bool validUtf8WithMultibyte(const QByteArray& b) {
    bool multibyte = false;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const auto* end = p + b.size();
    while (p < end) {
        const unsigned char c = *p;
        int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (n < 0 || (n == 1 && c < 0xC2))
            return false;
        if (end - p <= n)
            return false;
        for (int k = 1; k <= n; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        multibyte |= n > 0;
        p += n + 1;
    }
    return multibyte;
}
} // namespace

PageEncoding sniffEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return PageEncoding::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return PageEncoding::Utf16Le;
    if (bytes.startsWith("\xFE\xFF"))
        return PageEncoding::Utf16Be;
    // A label in a file saved as "Unicode" has a zero byte after each letter.
    QByteArray head = bytes.left(4096).toLower();
    head.replace('\0', QByteArray());
    static const QRegularExpression label(
        QStringLiteral("charset\\s*=\\s*[\"']?\\s*([a-z0-9_:.-]+)"));
    const auto m = label.match(QString::fromLatin1(head));
    if (m.hasMatch()) {
        const QString name = m.captured(1);
        if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
            return PageEncoding::Utf8;
        // UTF-16 without a byte order mark is little endian, as Windows writes it.
        if (name.startsWith(QLatin1String("utf-16")) || name == QLatin1String("unicode") ||
            name.startsWith(QLatin1String("ucs-2")))
            return name.endsWith(QLatin1String("be")) ? PageEncoding::Utf16Be
                                                      : PageEncoding::Utf16Le;
        if (name.contains(QLatin1String("874")) || name.startsWith(QLatin1String("tis")) ||
            name.contains(QLatin1String("8859-11")))
            return PageEncoding::Windows874;
        // Any other label (often a Western one on a Thai page) is not trusted: the bytes decide.
    }
    return validUtf8WithMultibyte(bytes) ? PageEncoding::Utf8 : PageEncoding::Windows874;
}

QString decodeUtf16(const QByteArray& bytes, bool bigEndian) {
    const bool mark = bytes.startsWith(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + (mark ? 2 : 0);
    const qsizetype units = (bytes.size() - (mark ? 2 : 0)) / 2; // an odd last byte is dropped
    QString out(units, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < units; ++i)
        o[i] = bigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1])
                         : char16_t(p[2 * i + 1] << 8 | p[2 * i]);
    // A surrogate without its other half stands for nothing that can be shown.
    for (qsizetype i = 0; i < units; ++i) {
        if (QChar::isHighSurrogate(o[i]) && i + 1 < units && QChar::isLowSurrogate(o[i + 1]))
            ++i;
        else if (QChar::isSurrogate(o[i]))
            o[i] = 0xFFFD;
    }
    return out;
}

QString decodePage(const QByteArray& bytes) {
    switch (sniffEncoding(bytes)) {
    case PageEncoding::Utf8:
        return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    case PageEncoding::Utf16Le:
        return decodeUtf16(bytes, false);
    case PageEncoding::Utf16Be:
        return decodeUtf16(bytes, true);
    case PageEncoding::Windows874:
        break;
    }
    return decodeWindows874(bytes);
}

} // namespace thai
