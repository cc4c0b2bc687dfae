#pragma once
// Display width of Thai text in cells: above- and below-line marks stack on their
// consonant and take no cell of their own.
#include <QString>
#include <cstdint>
#include <string_view>

namespace topics {

// True for the thirteen marks that take no cell.
constexpr bool isZeroWidthMark(char32_t c) {
    return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E39) || (c >= 0x0E47 && c <= 0x0E4C);
}

// Where the count of the last measure is left, as a 16-bit number.
struct ModuleAll {
    int16_t MeasuredCells = 0;
    // Counts the UTF-16 code units of text that are not one of the marks. A count past
    // the 16-bit range is held at 32767 instead of failing.
    void MeasureThaiText(const QString& text);
};

// The same count over UTF-8 text (a character outside the basic plane counts as its two
// UTF-16 units), without the 16-bit limit.
long measureCellsUtf8(std::string_view utf8);

} // namespace topics
