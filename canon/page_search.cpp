#include "canon/page_search.h"

#include "pagefile/scan.h"
#include "thai/normalise.h"

#include <algorithm>
#include <climits>
#include <deque>

namespace canon {

namespace {

// How often a Thai letter stands in running text, roughly: the key of a word is its
// rarest letter, so that the text holds it seldom.
int commonness(char16_t c) {
    static const std::u16string_view byUse = u"านรอกเงมยลทวดะบสตคหิพจปชีแใไโขผัถฉซฝฟศษฮฒฑณญฐธภฆฌฎฏฤฦ";
    const size_t at = byUse.find(c);
    return at == std::u16string_view::npos ? 0 : int(byUse.size() - at);
}

// Whether the word's start is also its end: then places of it may overlap.
bool overlapsItself(const QString& w) {
    for (qsizetype k = 1; k < w.size(); ++k)
        if (QStringView(w).left(k) == QStringView(w).right(k))
            return true;
    return false;
}

} // namespace

SearchWord::SearchWord(QString foldedWord) : folded(std::move(foldedWord)) {
    if (folded.isEmpty() || overlapsItself(folded))
        return;
    int best = INT_MAX;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const char16_t c = folded[i].unicode();
        if (thai::foldsAlone(c) && commonness(c) < best) {
            best = commonness(c);
            key = int(i);
        }
    }
}

std::optional<std::pair<int, int>> keyPlace(QStringView window, int key, int start, const SearchWord& w,
                                           thai::Folded& scratch) {
    const int m = int(w.folded.size());
    // Text that folding leaves as it stands is its own folded text: the word is not there
    // unless it stands there as it is.
    const int from = std::max(start, 0);
    if (window.mid(from, std::min(start + m, int(window.size())) - from) != w.folded &&
        thai::foldsAsItIs(window))
        return std::nullopt;
    thai::fold(window, scratch);
    int k = -1;
    for (size_t i = 0; i < scratch.from.size(); ++i)
        if (scratch.from[i] == key) {
            k = int(i);
            break;
        }
    if (k < w.key || k - w.key + m > scratch.text.size() || QStringView(scratch.text).mid(k - w.key, m) != w.folded)
        return std::nullopt;
    int to = 0;
    for (int i = k - w.key; i < k - w.key + m; ++i)
        to = std::max(to, scratch.to[size_t(i)]);
    return std::pair{scratch.from[size_t(k - w.key)], to};
}

Snippet snippetOf(const PageHit& h) {
    return snippetAround(h.excerpt, {0, int(h.excerpt.size())}, h.places, size_t(h.around));
}

// The text the matchers look at: the page being read, from where it is still held.
struct PageSearch::Held {
    const std::u16string& buffer;
    const int& bufferAt;
    const int& end;
    const int& segmentAt;
    char16_t at(int i) const { return buffer[size_t(i - bufferAt)]; }
    QStringView view(int from, int to) const {
        return QStringView(buffer.data() + (from - bufferAt), to - from);
    }
};

// Finds one word's places as the text goes by.
class PageSearch::Matcher {
  public:
    Matcher(const Held& text, QString word) : t_(text), w_(std::move(word)), m_(int(w_.size())) {}
    virtual ~Matcher() = default;
    // The text has grown to t_.end; at the page's end every place is given.
    virtual void run(bool pageEnd, const std::function<void(int, int)>& place) = 0;
    // Every place that starts before it has been given.
    virtual int settled() const = 0;
    // The text it still needs, from here on.
    virtual int needs() const = 0;
    // A new page begins at at.
    virtual void restart(int at) = 0;

  protected:
    const Held& t_;
    const QString w_;
    const int m_;
    thai::Folded folded_;
};

namespace {

// Folds all of the text as it comes, a stretch ending where the folding starts afresh.
class FoldAll : public PageSearch::Matcher {
  public:
    using Matcher::Matcher;
    void run(bool pageEnd, const std::function<void(int, int)>& place) override {
        int cut = t_.end;
        if (!pageEnd) {
            cut = t_.end - 1;
            while (cut > done_ && !thai::startsAfresh(t_.at(cut)))
                --cut;
        }
        if (cut <= done_)
            return;
        thai::fold(t_.view(done_, cut), folded_);
        text_ += folded_.text;
        for (size_t i = 0; i < folded_.from.size(); ++i) {
            from_.push_back(folded_.from[i] + done_);
            to_.push_back(folded_.to[i] + done_);
        }
        done_ = cut;
        // As thai::findAll goes: the next place after the end of the last.
        for (qsizetype k = text_.indexOf(w_, search_); k >= 0; k = text_.indexOf(w_, k + m_)) {
            int b = 0;
            for (qsizetype i = k; i < k + m_; ++i)
                b = std::max(b, to_[size_t(i)]);
            place(from_[size_t(k)], b);
            search_ = int(k) + m_;
        }
        search_ = std::max(search_, int(text_.size()) - m_ + 1);
        search_ = std::min(search_, int(text_.size()));
        text_.remove(0, search_);
        from_.erase(from_.begin(), from_.begin() + search_);
        to_.erase(to_.begin(), to_.begin() + search_);
        search_ = 0;
    }
    int settled() const override { return from_.empty() ? done_ : from_.front(); }
    int needs() const override { return done_; }
    void restart(int at) override {
        done_ = at;
        text_.clear();
        from_.clear();
        to_.clear();
        search_ = 0;
    }

  private:
    int done_ = 0; // folded up to here
    // The folded text not yet searched past, and where each character came from.
    QString text_;
    std::vector<int> from_, to_;
    int search_ = 0;
};

// Looks only where the text holds the word's key, and folds just the few characters
// around it, from and to places where the folding starts afresh.
class ByKey : public PageSearch::Matcher {
  public:
    ByKey(const PageSearch::Held& text, const SearchWord& w)
        : Matcher(text, w.folded), word_(w), j_(w.key), key_(w.folded[w.key].unicode()) {}

    void run(bool pageEnd, const std::function<void(int, int)>& place) override {
        if (scanned_ < t_.end) {
            const char16_t* from = t_.buffer.data() + (scanned_ - t_.bufferAt);
            const char16_t* end = t_.buffer.data() + (t_.end - t_.bufferAt);
            for (const char16_t* p = pagefile::find(from, end, key_); p < end; p = pagefile::find(p + 1, end, key_))
                keys_.push_back(scanned_ + int(p - from));
            scanned_ = t_.end;
        }
        while (!keys_.empty()) {
            const int p = keys_.front();
            const int b = rightCut(p, pageEnd);
            if (b < 0)
                return; // its end is still to come
            // Mostly the text holds the word as it is folded, between places where the
            // folding starts afresh: then it stands there and nothing needs folding.
            const int start = p - j_;
            if (start >= t_.segmentAt && start + m_ <= t_.end && thai::startsAfresh(t_.at(start)) &&
                (start + m_ == t_.end ? pageEnd : thai::startsAfresh(t_.at(start + m_))) &&
                t_.view(start, start + m_) == w_) {
                place(start, start + m_);
                keys_.pop_front();
                continue;
            }
            const int a = leftCut(p);
            if (const auto span = keyPlace(t_.view(a, b), p - a, start - a, word_, folded_))
                place(a + span->first, a + span->second);
            keys_.pop_front();
        }
    }
    int settled() const override { return leftCut(keys_.empty() ? scanned_ : keys_.front()); }
    int needs() const override { return settled(); }
    void restart(int at) override {
        scanned_ = at;
        keys_.clear();
    }

  private:
    // Where the folding starts afresh with the j-th such character before p (or the page's
    // start): the folded text from there holds at least j characters before the key.
    int leftCut(int p) const {
        int q = p, count = 0;
        while (count < j_ && q > t_.segmentAt) {
            --q;
            if (thai::startsAfresh(t_.at(q)))
                ++count;
        }
        return q;
    }
    // Past the key, where the folded text holds the rest of the word: -1 while the text
    // does not reach so far.
    int rightCut(int p, bool pageEnd) const {
        int count = 0;
        for (int q = p + 1; q < t_.end; ++q) {
            if (thai::startsAfresh(t_.at(q))) {
                if (count == m_ - j_ - 1)
                    return q;
                ++count;
            }
        }
        return pageEnd ? t_.end : -1;
    }

    const SearchWord word_;
    const int j_;
    const char16_t key_;
    int scanned_ = 0;
    std::deque<int> keys_; // places of the key not looked at yet
};

} // namespace

PageSearch::PageSearch(const std::vector<SearchWord>& words, bool allWords, bool fast)
    : allWords_(allWords) {
    held_ = std::make_unique<Held>(Held{buffer_, bufferAt_, end_, segmentAt_});
    for (const SearchWord& w : words) {
        if (fast && w.key >= 0)
            matchers_.push_back(std::make_unique<ByKey>(*held_, w));
        else
            matchers_.push_back(std::make_unique<FoldAll>(*held_, w.folded));
    }
}

PageSearch::~PageSearch() = default;

void PageSearch::text(int at, QStringView chars) {
    (void)at; // the text comes in order, each stretch where the last ended
    buffer_.append(reinterpret_cast<const char16_t*>(chars.data()), size_t(chars.size()));
    end_ += int(chars.size());
    for (size_t w = 0; w < matchers_.size(); ++w)
        matchers_[w]->run(false, [&](int from, int to) { place(int(w), from, to); });
    settle(false);
}

void PageSearch::anchor(const pagefile::Anchor& a) {
    if (!a.page)
        return;
    endSegment();
    segmentAt_ = end_;
    name_ = a.name.trimmed();
    page_ = -1;
    for (auto& m : matchers_)
        m->restart(segmentAt_);
    keepFrom(segmentAt_);
}

void PageSearch::endSegment() {
    for (size_t w = 0; w < matchers_.size(); ++w)
        matchers_[w]->run(true, [&](int from, int to) { place(int(w), from, to); });
    settle(true);
    waiting_.clear();
}

PageSearch::Page& PageSearch::page() {
    if (page_ < 0) {
        auto it = byName_.find(name_);
        if (it == byName_.end()) {
            it = byName_.insert(name_, int(pages_.size()));
            Page p;
            p.name = name_;
            p.hits.assign(matchers_.size(), 0);
            pages_.push_back(std::move(p));
        }
        page_ = *it;
    }
    return pages_[size_t(page_)];
}

void PageSearch::place(int word, int from, int to) {
    Page& p = page();
    ++p.hits[size_t(word)];
    if (!p.excerpted)
        waiting_.emplace_back(from, to);
}

void PageSearch::settle(bool pageEnd) {
    int settled = INT_MAX;
    if (!pageEnd)
        for (const auto& m : matchers_)
            settled = std::min(settled, m->settled());
    // A first place still to come stands at settled or later: its line may reach back.
    int keep = settled == INT_MAX ? end_ : snippetReach(settled, settled).first;
    if (!waiting_.empty()) {
        const auto first = *std::min_element(waiting_.begin(), waiting_.end());
        const auto [reachFrom, to] = snippetReach(first.first, first.second);
        const int from = std::max(segmentAt_, reachFrom);
        keep = std::min(keep, from);
        // Made once no place before the first, and none within its stretch, is to come.
        if (first.first < settled && (pageEnd || (settled >= to && end_ >= to))) {
            Page& p = page();
            const int upTo = std::min(to, end_);
            p.hit.excerpt = t().view(from, upTo).toString();
            p.hit.firstAt = first.first;
            std::vector<std::pair<int, int>> places;
            for (const auto& [a, b] : waiting_)
                if (a < upTo)
                    places.emplace_back(a - from, b - from);
            std::sort(places.begin(), places.end());
            places.erase(std::unique(places.begin(), places.end()), places.end());
            p.hit.around = int(std::find(places.begin(), places.end(),
                                         std::make_pair(first.first - from, first.second - from)) -
                               places.begin());
            p.hit.places = std::move(places);
            p.excerpted = true;
            waiting_.clear();
        }
    }
    for (const auto& m : matchers_)
        keep = std::min(keep, m->needs());
    keepFrom(keep);
}

void PageSearch::keepFrom(int position) {
    position = std::clamp(position, bufferAt_, end_);
    if (position - bufferAt_ > (1 << 16)) {
        buffer_.erase(0, size_t(position - bufferAt_));
        bufferAt_ = position;
    }
}

int pagePlaces(const std::vector<int>& perWord, bool allWords) {
    const bool every = std::all_of(perWord.begin(), perWord.end(), [](int n) { return n > 0; });
    const bool any = std::any_of(perWord.begin(), perWord.end(), [](int n) { return n > 0; });
    if (!(allWords ? every : any))
        return 0;
    int sum = 0;
    for (int n : perWord)
        sum += n;
    return sum;
}

std::vector<PageHit> PageSearch::finish() {
    endSegment();
    std::vector<PageHit> out;
    for (Page& p : pages_) {
        p.hit.hits = pagePlaces(p.hits, allWords_);
        if (p.hit.hits == 0)
            continue;
        p.hit.page = p.name;
        out.push_back(std::move(p.hit));
    }
    std::sort(out.begin(), out.end(), [](const PageHit& a, const PageHit& b) { return a.firstAt < b.firstAt; });
    return out;
}

std::vector<PageHit> searchShownText(const pagefile::ShownText& shown,
                                     const std::vector<SearchWord>& words, bool allWords) {
    struct Found {
        QString name;
        std::vector<int> hits;
        PageHit hit;
        bool any = false;
    };
    std::vector<Found> pages;
    QHash<QString, int> byName;
    // The text cut where each page anchor stands, each stretch folded on its own.
    std::vector<std::pair<int, QString>> cuts{{0, QString()}};
    for (const pagefile::Anchor& a : shown.anchors)
        if (a.page)
            cuts.emplace_back(a.at, a.name.trimmed());
    for (size_t c = 0; c < cuts.size(); ++c) {
        const int from = cuts[c].first;
        const int to = c + 1 < cuts.size() ? cuts[c + 1].first : int(shown.text.size());
        const thai::Folded folded = thai::fold(QStringView(shown.text).mid(from, to - from));
        std::vector<std::pair<int, int>> places;
        std::vector<int> hits(words.size(), 0);
        for (size_t w = 0; w < words.size(); ++w)
            for (const auto& [a, b] : thai::findAll(folded, words[w].folded)) {
                places.emplace_back(a, b);
                ++hits[w];
            }
        if (places.empty())
            continue;
        auto it = byName.find(cuts[c].second);
        if (it == byName.end()) {
            it = byName.insert(cuts[c].second, int(pages.size()));
            pages.push_back({cuts[c].second, std::vector<int>(words.size(), 0), {}, false});
        }
        Found& f = pages[size_t(*it)];
        for (size_t w = 0; w < words.size(); ++w)
            f.hits[w] += hits[w];
        if (!f.any) {
            f.any = true;
            std::sort(places.begin(), places.end());
            places.erase(std::unique(places.begin(), places.end()), places.end());
            f.hit.excerpt = shown.text.mid(from, to - from);
            f.hit.places = places;
            f.hit.around = 0;
            f.hit.firstAt = from + places.front().first;
        }
    }
    std::vector<PageHit> out;
    for (Found& f : pages) {
        const bool every = std::all_of(f.hits.begin(), f.hits.end(), [](int n) { return n > 0; });
        if (allWords && !every)
            continue;
        f.hit.page = f.name;
        f.hit.hits = 0;
        for (int n : f.hits)
            f.hit.hits += n;
        out.push_back(std::move(f.hit));
    }
    std::sort(out.begin(), out.end(), [](const PageHit& a, const PageHit& b) { return a.firstAt < b.firstAt; });
    return out;
}

} // namespace canon
