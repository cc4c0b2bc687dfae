#include "thai/measure.h"

#include <QTextBoundaryFinder>
#include <cstdint>
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
    // marks are E0 B8 B1, E0 B8 B4..B9 and E0 B9 87..8C. Both counts go byte by byte with
    // no branch, which the compiler runs many bytes at a time.
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const size_t n = s.size();
    uint32_t characters = 0, marks = 0;
    for (size_t i = 0; i < n; ++i)
        characters += uint32_t((p[i] & 0xC0) != 0x80) + uint32_t(p[i] >= 0xF0);
    for (size_t i = 2; i < n; ++i) {
        const uint8_t lead = p[i - 2], second = p[i - 1], last = p[i];
        const uint32_t afterB8 = (second == 0xB8) & ((last == 0xB1) | (uint8_t(last - 0xB4) <= 5));
        const uint32_t afterB9 = (second == 0xB9) & (uint8_t(last - 0x87) <= 5);
        marks += (lead == 0xE0) & (afterB8 | afterB9);
    }
    return long(characters) - long(marks);
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
