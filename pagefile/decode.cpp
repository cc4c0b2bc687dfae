#include "pagefile/decode.h"

#include "thai/codec.h"

#include <QRegularExpression>

namespace pagefile {

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

Encoding sniff(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return Encoding::Utf16Le;
    if (bytes.startsWith("\xFE\xFF"))
        return Encoding::Utf16Be;
    // A label in a file saved as "Unicode" has a zero byte after each letter.
    QByteArray head = bytes.left(4096).toLower();
    head.replace('\0', QByteArray());
    static const QRegularExpression label(
        QStringLiteral("charset\\s*=\\s*[\"']?\\s*([a-z0-9_:.-]+)"));
    const auto m = label.match(QString::fromLatin1(head));
    if (m.hasMatch()) {
        const QString name = m.captured(1);
        if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
            return Encoding::Utf8;
        // UTF-16 without a byte order mark is little endian, as Windows writes it.
        if (name.startsWith(QLatin1String("utf-16")) || name == QLatin1String("unicode") ||
            name.startsWith(QLatin1String("ucs-2")))
            return name.endsWith(QLatin1String("be")) ? Encoding::Utf16Be
                                                      : Encoding::Utf16Le;
        if (name.contains(QLatin1String("874")) || name.startsWith(QLatin1String("tis")) ||
            name.contains(QLatin1String("8859-11")))
            return Encoding::Windows874;
        // Any other label (often a Western one on a Thai page) is not trusted: the bytes decide.
    }
    return validUtf8WithMultibyte(bytes) ? Encoding::Utf8 : Encoding::Windows874;
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

QString decode(const QByteArray& bytes) {
    switch (sniff(bytes)) {
    case Encoding::Utf8:
        return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    case Encoding::Utf16Le:
        return decodeUtf16(bytes, false);
    case Encoding::Utf16Be:
        return decodeUtf16(bytes, true);
    case Encoding::Windows874:
        break;
    }
    return thai::decodeWindows874(bytes);
}

} // namespace pagefile
