#include "thai/measure.h"

#include <QTextBoundaryFinder>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

namespace thai {

long measureCells(QStringView text) {
    long cells = 0;
    for (QChar c : text)
        if (!isZeroWidthMark(c.unicode()))
            ++cells;
    return cells;
}

long measureCellsUtf8(std::string_view s) {
    // One cell for each character (each byte that does not continue one), one more for a
    // character outside the basic plane (two UTF-16 units), one less for each mark. The
    // marks are E0 B8 B1, E0 B8 B4..B9 and E0 B9 87..8C. Sixteen bytes at a step, the
    // rest byte by byte with the same rules.
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const size_t n = s.size();
    long cells = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i notBelow = _mm_set1_epi8(char(0xBF)); // a continuation byte is -128..-65
    const __m128i fourStart = _mm_set1_epi8(char(0xEF));
    const __m128i e0 = _mm_set1_epi8(char(0xE0)), b8 = _mm_set1_epi8(char(0xB8)),
                  b9 = _mm_set1_epi8(char(0xB9)), b1 = _mm_set1_epi8(char(0xB1)),
                  b4 = _mm_set1_epi8(char(0xB4)), x87 = _mm_set1_epi8(char(0x87)),
                  five = _mm_set1_epi8(5);
    auto within = [&](__m128i v, __m128i from) { // from <= v <= from + 5, unsigned
        const __m128i d = _mm_sub_epi8(v, from);
        return _mm_cmpeq_epi8(_mm_min_epu8(d, five), d);
    };
    // Characters are counted at i .. i+15; a mark is counted at the byte that starts it,
    // which needs the two bytes after: those must lie within the text. Each lane adds at
    // most two a step, so the byte sums are taken in before they can overflow.
    __m128i plus = _mm_setzero_si128(), minus = _mm_setzero_si128();
    int steps = 0;
    auto drain = [&] {
        const __m128i zero = _mm_setzero_si128();
        const __m128i sp = _mm_sad_epu8(plus, zero), sm = _mm_sad_epu8(minus, zero);
        cells += long(_mm_cvtsi128_si32(sp) + _mm_extract_epi16(sp, 4)) -
                 long(_mm_cvtsi128_si32(sm) + _mm_extract_epi16(sm, 4));
        plus = minus = zero;
        steps = 0;
    };
    for (; i + 18 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 2));
        const __m128i starts = _mm_cmpgt_epi8(a, notBelow);
        // Bytes F0..FF: above EF as unsigned.
        const __m128i four =
            _mm_andnot_si128(_mm_cmpeq_epi8(a, fourStart), _mm_cmpeq_epi8(_mm_max_epu8(a, fourStart), a));
        const __m128i afterB8 =
            _mm_and_si128(_mm_cmpeq_epi8(b, b8), _mm_or_si128(_mm_cmpeq_epi8(c, b1), within(c, b4)));
        const __m128i afterB9 = _mm_and_si128(_mm_cmpeq_epi8(b, b9), within(c, x87));
        const __m128i marks =
            _mm_and_si128(_mm_cmpeq_epi8(a, e0), _mm_or_si128(afterB8, afterB9));
        // The masks are all ones (minus one) where they hold.
        plus = _mm_sub_epi8(_mm_sub_epi8(plus, starts), four);
        minus = _mm_sub_epi8(minus, marks);
        if (++steps == 120)
            drain();
    }
    drain();
#endif
    for (; i < n; ++i) {
        cells += long((p[i] & 0xC0) != 0x80) + long(p[i] >= 0xF0);
        if (p[i] == 0xE0 && i + 2 < n) {
            const uint8_t second = p[i + 1], last = p[i + 2];
            if ((second == 0xB8 && (last == 0xB1 || uint8_t(last - 0xB4) <= 5)) ||
                (second == 0xB9 && uint8_t(last - 0x87) <= 5))
                --cells;
        }
    }
    return cells;
}

QString elideMiddle(const QString& text, int maxChars) {
    // Character starts, as the user sees characters.
    std::vector<qsizetype> starts;
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0 && at < text.size(); at = f.toNextBoundary())
        if (at == 0 || !text.at(at).isMark()) // marks typed out of order still stay on
            starts.push_back(at);
    const qsizetype n = qsizetype(starts.size());
    if (n <= maxChars)
        return text;
    if (maxChars <= 1)
        return QStringLiteral("…");
    const qsizetype head = maxChars / 2, tail = maxChars - 1 - head;
    return text.left(starts[size_t(head)]) + QStringLiteral("…") +
           text.mid(tail > 0 ? starts[size_t(n - tail)] : text.size());
}

} // namespace thai
