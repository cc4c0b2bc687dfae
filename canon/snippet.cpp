#include "canon/snippet.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace canon {

namespace {

constexpr int kBefore = 36, kLength = 80;
constexpr int kContext = 40; // text either side that the word breaking sees

bool blank(QChar c) {
    return c.isSpace() || c == QChar(0xFFFC) || c.unicode() < 0x20;
}

} // namespace

Snippet snippetAround(QStringView text, std::pair<int, int> page,
                      const std::vector<std::pair<int, int>>& places, size_t around) {
    Snippet out;
    if (places.empty() || around >= places.size())
        return out;
    const int lo = std::clamp(page.first, 0, int(text.size()));
    const int hi = std::clamp(page.second, lo, int(text.size()));
    const auto [placeFrom, placeTo] = places[around];
    int start = std::clamp(placeFrom - kBefore, lo, hi);
    int end = std::clamp(std::max(placeTo, start + kLength), lo, hi);
    // Whole words at both ends, as libthai breaks them; never past the page.
    const int windowFrom = std::max(lo, start - kContext), windowTo = std::min(hi, end + kContext);
    const QString window = text.mid(windowFrom, windowTo - windowFrom).toString();
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, window);
    words.setPosition(start - windowFrom);
    if (!words.isAtBoundary()) {
        const qsizetype b = words.toPreviousBoundary();
        start = b < 0 ? windowFrom : windowFrom + int(b);
    }
    words.setPosition(end - windowFrom);
    if (!words.isAtBoundary()) {
        const qsizetype b = words.toNextBoundary();
        end = b < 0 ? windowTo : windowFrom + int(b);
    }
    start = std::min(start, placeFrom);
    end = std::max(end, placeTo);
    // Blanks at the ends go; line and block breaks become spaces.
    while (start < placeFrom && blank(text[start]))
        ++start;
    while (end > placeTo && blank(text[end - 1]))
        --end;
    out.text = text.mid(start, end - start).toString();
    for (QChar& c : out.text)
        if (blank(c))
            c = QLatin1Char(' ');
    for (const auto& [a, b] : places) {
        const int from = std::max(a, start), to = std::min(b, end);
        if (from < to)
            out.marks.emplace_back(from - start, to - from);
    }
    return out;
}

std::pair<int, int> snippetReach(int from, int to) {
    // The start is never after from - kBefore's clamp, the end never past the longer of
    // the place and kLength from it; the word breaking sees kContext beyond either.
    return {from - kBefore - kContext, std::max(to, from + kLength) + kContext + 1};
}

} // namespace canon
