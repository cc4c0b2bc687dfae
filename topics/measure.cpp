#include "topics/measure.h"

#include <algorithm>

namespace topics {

void ModuleAll::MeasureThaiText(const QString& text) {
    MeasuredCells = 0;
    long cells = 0;
    for (QChar c : text)
        if (!isZeroWidthMark(c.unicode()))
            ++cells;
    MeasuredCells = int16_t(std::min<long>(cells, 32767));
}

long measureCellsUtf8(std::string_view s) {
    long cells = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++cells;
            ++p;
        } else if (b < 0xE0) {
            ++cells;
            p += 2;
        } else if (b < 0xF0) {
            // Thai lies in the three-byte range: E0 B8 80 .. E0 B9 BF.
            if (end - p >= 3) {
                const char32_t c = char32_t((b & 0x0F) << 12) | char32_t((p[1] & 0x3F) << 6) |
                                   char32_t(p[2] & 0x3F);
                if (!isZeroWidthMark(c))
                    ++cells;
            } else {
                ++cells;
            }
            p += 3;
        } else {
            cells += 2; // a surrogate pair in UTF-16
            p += 4;
        }
    }
    return cells;
}

} // namespace topics
