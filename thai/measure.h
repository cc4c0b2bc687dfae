#pragma once
// Display width of Thai text in cells: above- and below-line marks stack on their
// consonant and take no cell of their own.
#include <QString>
#include <string_view>

namespace thai {

// True for the thirteen marks that take no cell.
constexpr bool isZeroWidthMark(char32_t c) {
    return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E39) || (c >= 0x0E47 && c <= 0x0E4C);
}

// The UTF-16 code units of text that are not one of the marks.
long measureCells(QStringView text);

// The same count over UTF-8 text (a character outside the basic plane counts as its two
// UTF-16 units).
long measureCellsUtf8(std::string_view utf8);

// The text as it is when it has at most maxChars characters (a consonant with its marks
// counts as one); otherwise its beginning and its end with "…" between them, maxChars
// characters in all, never cutting a mark from its consonant.
QString elideMiddle(const QString& text, int maxChars);

} // namespace thai
