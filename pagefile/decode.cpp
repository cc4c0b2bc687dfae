#include "pagefile/decode.h"

#include "thai/codec.h"

#include <QRegularExpression>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pagefile {

namespace {

constexpr qsizetype kHead = 4096; // where a charset label is looked for

} // namespace

void Sniffer::feed(const char* bytes, qsizetype n) {
    if (head_.size() < kHead)
        head_.append(bytes, std::min(n, kHead - head_.size()));
    if (utf8Bad_)
        return;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + n;
    while (p < end) {
        const unsigned char c = *p++;
        if (utf8Need_ > 0) {
            if ((c & 0xC0) != 0x80) {
                utf8Bad_ = true;
                return;
            }
            --utf8Need_;
            continue;
        }
        if (c < 0x80)
            continue;
        const int k = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (k < 0 || (k == 1 && c < 0xC2)) {
            utf8Bad_ = true;
            return;
        }
        multibyte_ = true;
        utf8Need_ = k;
    }
}

std::optional<Encoding> Sniffer::fromHead() const {
    // Read once for each length of the head: asked about while the bytes come, and after.
    if (headRead_ != head_.size()) {
        headResult_ = readHead();
        headRead_ = head_.size();
    }
    return headResult_;
}

std::optional<Encoding> Sniffer::readHead() const {
    if (head_.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (head_.startsWith("\xFF\xFE"))
        return Encoding::Utf16Le;
    if (head_.startsWith("\xFE\xFF"))
        return Encoding::Utf16Be;
    if (const auto label = charsetLabel(head_)) {
        const QString& name = *label;
        if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
            return Encoding::Utf8;
        // UTF-16 without a byte order mark is little endian, as Windows writes it.
        if (name.startsWith(QLatin1String("utf-16")) || name == QLatin1String("unicode") ||
            name.startsWith(QLatin1String("ucs-2")))
            return name.endsWith(QLatin1String("be")) ? Encoding::Utf16Be : Encoding::Utf16Le;
        if (name.contains(QLatin1String("874")) || name.startsWith(QLatin1String("tis")) ||
            name.contains(QLatin1String("8859-11")))
            return Encoding::Windows874;
        // Any other label (often a Western one on a Thai page) is not trusted: the bytes decide.
    }
    return std::nullopt;
}

std::optional<QString> charsetLabelByPattern(const QByteArray& bytes) {
    // A label in a file saved as "Unicode" has a zero byte after each letter.
    QByteArray head = bytes.toLower();
    head.replace('\0', QByteArray());
    static const QRegularExpression label(
        QStringLiteral("charset\\s*=\\s*[\"']?\\s*([a-z0-9_:.-]+)"));
    const auto m = label.match(QString::fromLatin1(head));
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1);
}

std::optional<QString> charsetLabel(const QByteArray& bytes) {
    // A label in a file saved as "Unicode" has a zero byte after each letter.
    QByteArray withoutZeros;
    const QByteArray* head = &bytes;
    if (memchr(bytes.constData(), 0, size_t(bytes.size()))) {
        withoutZeros = bytes;
        withoutZeros.replace('\0', QByteArray());
        head = &withoutZeros;
    }
    const char* h = head->constData();
    const qsizetype n = head->size();
    const auto lower = [&](qsizetype i) -> char {
        const char c = h[i];
        return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    };
    // The pattern's \s: ASCII blanks, the vertical tab among them.
    const auto blank = [&](qsizetype i) { return i < n && (h[i] == ' ' || (h[i] >= '\t' && h[i] <= '\r')); };
    const auto named = [&](qsizetype i) {
        if (i >= n)
            return false;
        const char c = lower(i);
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == ':' || c == '.' || c == '-';
    };
    static constexpr char kWord[] = "charset";
    for (qsizetype i = 0; i + 7 <= n; ++i) {
        if (lower(i) != 'c')
            continue;
        qsizetype k = 1;
        while (k < 7 && lower(i + k) == kWord[k])
            ++k;
        if (k < 7)
            continue;
        qsizetype j = i + 7;
        while (blank(j))
            ++j;
        if (j >= n || h[j] != '=')
            continue;
        ++j;
        while (blank(j))
            ++j;
        if (j < n && (h[j] == '"' || h[j] == '\''))
            ++j;
        while (blank(j))
            ++j;
        const qsizetype from = j;
        while (named(j))
            ++j;
        if (j == from)
            continue;
        QString name(j - from, Qt::Uninitialized);
        for (qsizetype c = from; c < j; ++c)
            name[c - from] = QLatin1Char(lower(c));
        return name;
    }
    return std::nullopt;
}

bool Sniffer::decided() const {
    if (head_.size() >= 3 && head_.startsWith("\xEF\xBB\xBF"))
        return true;
    if (head_.size() >= 2 && (head_.startsWith("\xFF\xFE") || head_.startsWith("\xFE\xFF")))
        return true;
    return (head_.size() >= kHead && fromHead()) || utf8Bad_;
}

Encoding Sniffer::result() const {
    if (const auto e = fromHead())
        return *e;
    return !utf8Bad_ && utf8Need_ == 0 && multibyte_ ? Encoding::Utf8 : Encoding::Windows874;
}

Encoding sniff(const QByteArray& bytes) {
    Sniffer s;
    s.feed(bytes.constData(), bytes.size());
    return s.result();
}

void decodeWindows874(const char* bytes, qsizetype n, char16_t* out) {
    static const auto table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = thai::windows874(static_cast<unsigned char>(b));
        return t;
    }();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen at a step where every byte is ASCII or a Thai letter at its plain offset
    // (0xA1-0xDA, 0xDF-0xFB: U+0E01 on); the rest through the table.
    const __m128i zero = _mm_setzero_si128();
    const __m128i offset = _mm_set1_epi16(0x0E01 - 0xA1);
    const __m128i thaiFrom = _mm_set1_epi16(0xA0);
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Bytes apart from the plain ones: 0x80-0xA0, 0xDB-0xDE, 0xFC-0xFF.
        const __m128i s = _mm_xor_si128(x, _mm_set1_epi8(char(0x80))); // unsigned order, signed
        const __m128i c1 = _mm_cmplt_epi8(s, _mm_set1_epi8(char(0xA1 ^ 0x80)));
        const __m128i c2 = _mm_and_si128(_mm_cmpgt_epi8(s, _mm_set1_epi8(char(0xDA ^ 0x80))),
                                         _mm_cmplt_epi8(s, _mm_set1_epi8(char(0xDF ^ 0x80))));
        const __m128i c3 = _mm_cmpgt_epi8(s, _mm_set1_epi8(char(0xFB ^ 0x80)));
        const __m128i ascii = _mm_cmplt_epi8(x, zero); // high bit set: not ASCII
        const __m128i odd = _mm_and_si128(_mm_or_si128(_mm_or_si128(c1, c2), c3), ascii);
        if (_mm_movemask_epi8(odd)) {
            for (int k = 0; k < 16; ++k)
                out[i + k] = table[p[i + k]];
            continue;
        }
        __m128i lo = _mm_unpacklo_epi8(x, zero), hi = _mm_unpackhi_epi8(x, zero);
        lo = _mm_add_epi16(lo, _mm_and_si128(_mm_cmpgt_epi16(lo, thaiFrom), offset));
        hi = _mm_add_epi16(hi, _mm_and_si128(_mm_cmpgt_epi16(hi, thaiFrom), offset));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), hi);
    }
#endif
    for (; i < n; ++i)
        out[i] = table[p[i]];
}

Decoder::Decoder(Encoding e) : e_(e) {}

namespace {

// A UTF-16 unit of either order.
inline char16_t unit(unsigned char a, unsigned char b, bool bigEndian) {
    return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
}

} // namespace

qsizetype Decoder::decode(const char* bytes, qsizetype n, char16_t* out) {
    switch (e_) {
    case Encoding::Windows874:
        decodeWindows874(bytes, n, out);
        return n;
    case Encoding::Utf8:
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        const bool big = e_ == Encoding::Utf16Be;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes);
        const auto* end = p + n;
        char16_t* o = out;
        auto put = [&](char16_t u) {
            // A surrogate without its other half stands for nothing that can be shown.
            if (highSurrogate_ >= 0) {
                if (QChar::isLowSurrogate(u)) {
                    *o++ = char16_t(highSurrogate_);
                    *o++ = u;
                    highSurrogate_ = -1;
                    return;
                }
                *o++ = 0xFFFD;
                highSurrogate_ = -1;
            }
            if (QChar::isHighSurrogate(u))
                highSurrogate_ = u;
            else
                *o++ = QChar::isSurrogate(u) ? char16_t(0xFFFD) : u;
        };
        if (oddByte_ >= 0 && p < end) {
            const unsigned char a = static_cast<unsigned char>(oddByte_);
            oddByte_ = -1;
            const char16_t u = unit(a, *p++, big);
            if (start_) {
                start_ = false;
                if (u != 0xFEFF)
                    put(u);
            } else {
                put(u);
            }
        }
        for (; end - p >= 2; p += 2) {
            const char16_t u = unit(p[0], p[1], big);
            if (start_) {
                // The mark of the file's own order is no text.
                start_ = false;
                if (u == 0xFEFF)
                    continue;
            }
            put(u);
        }
        if (p < end)
            oddByte_ = *p;
        return o - out;
    }
    }
    // UTF-8: decoded up to the last ASCII byte, which no character before it runs into, so
    // that each stretch decodes as it does within the whole; the rest waits.
    pending_.append(bytes, n);
    if (start_) {
        if (pending_.size() < 3 && QByteArrayView("\xEF\xBB\xBF").startsWith(pending_))
            return 0; // perhaps the start of a mark
        start_ = false;
        if (pending_.startsWith("\xEF\xBB\xBF"))
            pending_.remove(0, 3); // the mark is not text
    }
    qsizetype cut = pending_.size();
    while (cut > 0 && static_cast<unsigned char>(pending_[cut - 1]) >= 0x80)
        --cut;
    return utf8(cut, out);
}

qsizetype Decoder::utf8(qsizetype n, char16_t* out) {
    if (n == 0)
        return 0;
    const QByteArrayView bytes = QByteArrayView(pending_).first(n);
    QString s;
    if (!firstUtf8_ && bytes.startsWith("\xEF\xBB\xBF")) {
        // Qt's decoding passes over a mark at the start of what it is given, as it does at
        // the file's start; within the file the mark is a character.
        s = QString::fromUtf8("a" + bytes.toByteArray()).mid(1);
    } else {
        s = QString::fromUtf8(bytes);
    }
    firstUtf8_ = false;
    std::copy(s.utf16(), s.utf16() + s.size(), out);
    pending_.remove(0, n);
    return s.size();
}

qsizetype Decoder::finish(char16_t* out) {
    switch (e_) {
    case Encoding::Windows874:
        return 0;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        // An odd last byte is dropped; a first half at the end has no second.
        if (highSurrogate_ >= 0) {
            highSurrogate_ = -1;
            *out = 0xFFFD;
            return 1;
        }
        return 0;
    case Encoding::Utf8:
        break;
    }
    return utf8(pending_.size(), out);
}

QString decode(const QByteArray& bytes) {
    Decoder d(sniff(bytes));
    QString out(d.room(bytes.size()), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype n = d.decode(bytes.constData(), bytes.size(), o);
    n += d.finish(o + n);
    out.truncate(n);
    return out;
}

QString decodeUtf16(const QByteArray& bytes, bool bigEndian) {
    Decoder d(bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le);
    QString out(d.room(bytes.size()), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype n = d.decode(bytes.constData(), bytes.size(), o);
    n += d.finish(o + n);
    out.truncate(n);
    return out;
}

} // namespace pagefile
