#pragma once
// The search of a page file on its own text, for pages whose markup is of the plain kind
// the canon's files are made of: each place where the text holds a word's key is looked at
// within its run of text, without working out all the view shows. Where the page holds
// anything else (a comment inside the body, a script, a reference other than the few plain
// ones, a place that may run on across a tag), it gives nothing, and the page is then read
// as the view shows it. Where it answers, it answers as that reading does: the same pages
// with the same numbers of places, in the same order. It makes no result lines: a page's
// line is made later from that reading (PageHit::lineLater).
#include "canon/page_search.h"

#include <QByteArray>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace canon {

struct QuickInput {
    // Checked a stretch at a time: once set, the search ends where it is.
    const std::atomic<bool>* stop = nullptr;
    // The bytes before this place are not looked at again (a mapped file may let them go).
    std::function<void(qsizetype)> release;
};
struct QuickOutcome {
    std::optional<std::vector<PageHit>> pages; // nothing: the page is of another kind
    bool stopped = false;
};
// firstAt of each page is where its first place stands in the page's own text, not in the
// shown text (pages of a file compare in order either way).
// A page file's bytes: windows-874 ones as they stand, a stretch at a time, so that a page
// of any size takes little memory beside its bytes; UTF-8 up to a few megabytes, decoded.
QuickOutcome quickSearchRaw(const char* bytes, qsizetype n, const std::vector<SearchWord>& words, bool allWords,
                            const QuickInput& in);

// The same from a page file's bytes held: nothing also for an encoding other than
// windows-874 or UTF-8, or a page copied from a clipboard.
std::optional<std::vector<PageHit>> quickSearchBytes(const QByteArray& bytes, const std::vector<SearchWord>& words,
                                                     bool allWords);

} // namespace canon
