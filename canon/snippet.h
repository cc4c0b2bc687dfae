#pragma once
// The line of text a search result shows around a place: of the place's own printed page
// only, cut where Thai words begin and end, with every place of the words in it marked.
#include <QString>
#include <QStringView>
#include <utility>
#include <vector>

namespace canon {

struct Snippet {
    QString text;                            // on one line
    std::vector<std::pair<int, int>> marks;  // (start, length) within text, in order
};

// text: a page file's text as shown; page: the span [from, to) of one printed page in it;
// places: spans [from, to) of the words found on that page, in order; around: the place the
// snippet is about (an index into places).
Snippet snippetAround(QStringView text, std::pair<int, int> page,
                      const std::vector<std::pair<int, int>>& places, size_t around);

// The stretch [first, second) of the text that a snippet around the place [from, to) can
// draw on, whatever its page: what lies outside it changes nothing.
std::pair<int, int> snippetReach(int from, int to);

} // namespace canon
