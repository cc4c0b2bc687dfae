#include "thai/measure.h"

#include <QTextBoundaryFinder>
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
    // marks are E0 B8 B1, E0 B8 B4..B9 and E0 B9 87..8C.
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    long cells = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        cells += (b & 0xC0) != 0x80;
        cells += b >= 0xF0;
        if (b == 0xE0 && i + 2 < n) {
            const unsigned char b1 = p[i + 1], b2 = p[i + 2];
            if ((b1 == 0xB8 && (b2 == 0xB1 || (b2 >= 0xB4 && b2 <= 0xB9))) ||
                (b1 == 0xB9 && b2 >= 0x87 && b2 <= 0x8C))
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
