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
    // marks are E0 B8 B1, E0 B8 B4..B9 and E0 B9 87..8C.
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    // The marks by the low six bits of their last byte, after B8 and after B9.
    constexpr uint64_t kMarksB8 = (uint64_t(1) << 0x31) | (uint64_t(0x3F) << 0x34);
    constexpr uint64_t kMarksB9 = uint64_t(0x3F) << 0x07;
    long cells = 0;
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        // A whole three-byte character of the Thai block (or any other E0 one), in one step:
        // titles are almost all Thai.
        if (b == 0xE0 && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
            const unsigned char b1 = p[i + 1], b2 = p[i + 2];
            const uint64_t marks = b1 == 0xB8 ? kMarksB8 : b1 == 0xB9 ? kMarksB9 : 0;
            cells += 1 - long((marks >> (b2 & 0x3F)) & 1);
            i += 3;
            continue;
        }
        // Any other byte by itself; no mark can start here.
        cells += (b & 0xC0) != 0x80;
        cells += b >= 0xF0;
        ++i;
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
