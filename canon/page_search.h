#pragma once
// The search of one page file's shown text: the places of the words on each printed page,
// as the text goes by, in little memory. A page anchor ends what a place can span, as the
// reader's page parts end it.
#include "canon/snippet.h"
#include "pagefile/shown_text.h"
#include "thai/normalise.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace canon {

// A word as the search compares it: folded, and, for the fast way, one of its letters that
// the text must hold where the word stands (-1 when it has none, or when the word can
// overlap itself: then the text is folded whole).
struct SearchWord {
    explicit SearchWord(QString foldedWord);
    QString folded;
    int key = -1;
};

// Whether the word stands in window with its key at key (start: where it would begin,
// key - w.key in the text as it stands), window being cut where the folding starts afresh
// on both sides; its span in the window when it does.
std::optional<std::pair<int, int>> keyPlace(QStringView window, int key, int start, const SearchWord& w,
                                           thai::Folded& scratch);

// Whether a page with these numbers of places of each word is a result: any word, or
// (all words) every one; its number of places when it is, else 0.
int pagePlaces(const std::vector<int>& perWord, bool allWords);

struct PageHit {
    int volume = 0;
    QString file;      // host path of the page file
    QString page;      // the printed page (its anchor's name, trimmed); empty before any
    int hits = 0;      // places of the word (all words: of every word) on the page
    // What the result line is made of: the page's text around its first place, and the
    // places of every word in that stretch, in order (around: the first place's index).
    QString excerpt;
    std::vector<std::pair<int, int>> places;
    int around = 0;
    // Where the first place stands in the file's shown text (for a page found the quick
    // way, in the page's own text): pages of a file compare in order either way.
    int firstAt = 0;
    // Found the quick way: the line is still to be made, from the file read again.
    bool lineLater = false;
};

// The result line of a page: cut at Thai words, every place marked.
Snippet snippetOf(const PageHit& h);

// Takes a page file's shown text as it is read, and gives its pages with places.
class PageSearch : public pagefile::TextSink {
  public:
    // fast: the way through the text's keys where a word has one (else everything is
    // folded); both give the same.
    PageSearch(const std::vector<SearchWord>& words, bool allWords, bool fast = true);
    ~PageSearch() override;
    void text(int at, QStringView chars) override;
    void anchor(const pagefile::Anchor& a) override;
    bool wantsSources() const override { return false; }
    // After the last text: the pages with places (all words: with every word), in the
    // order of their first places.
    std::vector<PageHit> finish();

    class Matcher;
    struct Held;

  private:
    struct Page {
        QString name;
        std::vector<int> hits; // by word
        bool excerpted = false;
        PageHit hit;
    };
    Page& page(); // the page being read, made on its first place
    const Held& t() const { return *held_; }
    void endSegment();
    void settle(bool segmentEnd);
    void place(int word, int from, int to);
    void keepFrom(int position);

    bool allWords_;
    std::unique_ptr<Held> held_;
    std::vector<std::unique_ptr<Matcher>> matchers_;
    // The text of the page being read, from bufferAt_ on.
    std::u16string buffer_;
    int bufferAt_ = 0, end_ = 0;
    int segmentAt_ = 0;
    QString name_; // of the page being read
    int page_ = -1; // its index in pages_, once it has a place
    std::vector<Page> pages_;
    QHash<QString, int> byName_;
    // Places on the page being read, while its result line is still to be made.
    std::vector<std::pair<int, int>> waiting_;
};

// The same over a page's whole shown text at once, folded whole: what the reading in
// stretches is held to.
std::vector<PageHit> searchShownText(const pagefile::ShownText& shown,
                                     const std::vector<SearchWord>& words, bool allWords);

} // namespace canon
