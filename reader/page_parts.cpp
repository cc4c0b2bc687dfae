#include "reader/page_parts.h"

#include "pagefile/shown_text.h"

#include <QHash>
#include <algorithm>
#include <limits>

namespace reader {

const PageParts::Anchor* PageParts::find(const QString& anchor) const {
    // A page number asks for the printed page before any other anchor of that name.
    const QString number = anchor.trimmed();
    if (pagefile::isPageNumber(number))
        for (const Anchor& a : anchors)
            if (a.page && a.name.trimmed() == number)
                return &a;
    for (const Anchor& a : anchors)
        if (a.name == anchor)
            return &a;
    return nullptr;
}

long PageParts::partOf(const QString& anchor) const {
    const Anchor* a = find(anchor);
    return a ? long(a->part) : -1;
}

namespace {

enum class Kind { Void, Structure, Table, Block, Inline, Hidden };

Kind kindOf(const QString& name) {
    switch (pagefile::layoutOf(name)) {
    case pagefile::Layout::Empty:
        return Kind::Void;
    case pagefile::Layout::Frame:
        return Kind::Structure;
    case pagefile::Layout::Table:
    case pagefile::Layout::Cell:
        return Kind::Table;
    case pagefile::Layout::Block:
        return Kind::Block;
    case pagefile::Layout::Hidden:
        return Kind::Hidden;
    case pagefile::Layout::Inline:
        break;
    }
    return Kind::Inline;
}

// A Thai mark or the second half of a pair: text is never cut just before one.
bool joinsPrevious(QChar c) {
    const char16_t u = c.unicode();
    return (u == 0x0E31) || (u >= 0x0E34 && u <= 0x0E3A) || (u >= 0x0E47 && u <= 0x0E4E) ||
           c.isLowSurrogate() || c.category() == QChar::Mark_NonSpacing;
}

// The anchors of the page's shown text, without the text itself.
std::vector<pagefile::Anchor> pageAnchors(const QString& html) {
    struct Anchors : pagefile::TextSink {
        std::vector<pagefile::Anchor> all;
        void text(int, QStringView) override {}
        void anchor(const pagefile::Anchor& a) override { all.push_back(a); }
        bool wantsSources() const override { return false; }
    } sink;
    pagefile::showPage(html, sink);
    return std::move(sink.all);
}

struct Open {
    QString name;
    QString tag; // as written, to open it again in the next part
    Kind kind;
    bool kept;
    bool reopen; // an anchor is not opened twice
};

class Shaper {
  public:
    Shaper(const QString& html, std::vector<pagefile::Tag> tags, const PartLimits& limits, PageParts& out)
        : html_(html), lim_(limits), out_(out), tags_(std::move(tags)) {}

    void run() {
        // The anchors as the view and the canon search take them, by where their tags stand.
        anchors_ = pageAnchors(html_);
        std::stable_sort(anchors_.begin(), anchors_.end(),
                         [](const pagefile::Anchor& a, const pagefile::Anchor& b) {
                             return a.source < b.source;
                         });
        size_t t = 0;
        qsizetype pos = 0;
        // Everything up to the end of the <body> tag is the head; without one there is none.
        for (size_t k = 0; k < tags_.size(); ++k)
            if (tags_[k].kind == pagefile::Tag::Open && tags_[k].name == QLatin1String("body")) {
                pos = tags_[k].to;
                for (size_t j = 0; j < k; ++j)
                    if (tags_[j].kind == pagefile::Tag::Open && tags_[j].name == QLatin1String("style"))
                        j = collectStyles(j); // its content holds no style element
                t = k + 1;
                break;
            }
        out_.head = html_.left(pos);
        const qsizetype n = html_.size();
        while (pos < n) {
            while (t < tags_.size() && tags_[t].from < pos)
                ++t;
            const qsizetype end = t < tags_.size() ? tags_[t].from : n;
            if (end > pos)
                text(QStringView(html_).mid(pos, end - pos));
            if (t == tags_.size())
                break;
            pos = tag(t);
        }
        recordAnchorsBefore(std::numeric_limits<int>::max());
        finishPart();
    }

  private:
    // The content of the style element whose tag is tags_[k], into the page's style sheet.
    size_t collectStyles(size_t k) {
        const size_t e = closing(k);
        const qsizetype from = tags_[k].to;
        const qsizetype to = e < tags_.size() ? tags_[e].from : html_.size();
        out_.styleSheet += html_.mid(from, to - from) + QLatin1Char('\n');
        return e;
    }

    // The index of the end tag of the element opened by tags_[k]; tags_.size() when none.
    size_t closing(size_t k) const {
        for (size_t j = k + 1; j < tags_.size(); ++j)
            if (tags_[j].kind == pagefile::Tag::Close && tags_[j].name == tags_[k].name)
                return j;
        return tags_.size();
    }

    QString whole(const pagefile::Tag& t) const { return html_.mid(t.from, t.to - t.from); }

    // The tag tags_[t]; returns where the text after it starts, t moved past what it took.
    qsizetype tag(size_t& t) {
        const pagefile::Tag& tg = tags_[t];
        const QString name = tg.name;
        // <!DOCTYPE>, <?xml?>, <% %>, </ >, <>: nothing that nests.
        if (tg.kind == pagefile::Tag::Comment || tg.kind == pagefile::Tag::Declaration ||
            name.isEmpty() || !name.front().isLetter()) {
            emitRaw(QStringView(html_).mid(tg.from, tg.to - tg.from));
            return tags_[t++].to;
        }
        if (tg.kind == pagefile::Tag::Close) {
            close(name, whole(tg));
            return tags_[t++].to;
        }
        if (kindOf(name) == Kind::Hidden) {
            // Its content is no text: kept whole, to its end tag.
            const size_t e = name == QLatin1String("style") ? collectStyles(t) : closing(t);
            const qsizetype from = tg.from;
            const qsizetype after = e < tags_.size() ? tags_[e].to : html_.size();
            if (name != QLatin1String("style"))
                emitRaw(QStringView(html_).mid(from, after - from));
            recordAnchorsBefore(int(after));
            t = e < tags_.size() ? e + 1 : e;
            return after;
        }
        open(name, tg);
        return tags_[t++].to;
    }

    // The anchors whose tags lie before source, in the part being made (an anchor of the
    // head or of hidden content starts no part).
    void recordAnchorsBefore(int source) {
        while (nextAnchor_ < anchors_.size() && anchors_[nextAnchor_].source < source) {
            const pagefile::Anchor& a = anchors_[nextAnchor_++];
            out_.anchors.push_back({a.name, out_.parts.size(), a.page});
        }
    }
    // Whether the tag at source names an anchor; page: a printed page's anchor.
    bool anchorAt(int source, bool* page) const {
        *page = false;
        bool any = false;
        for (size_t k = nextAnchor_; k < anchors_.size() && anchors_[k].source <= source; ++k)
            if (anchors_[k].source == source) {
                any = true;
                *page = *page || anchors_[k].page;
            }
        return any;
    }

    bool inScope(const QString& name, const QStringList& stops, qsizetype& at) const {
        if (openCount_.value(name) == 0)
            return false; // not open at all: no walk down a deep stack
        for (qsizetype j = qsizetype(stack_.size()) - 1; j >= 0; --j) {
            if (stack_[size_t(j)].name == name) {
                at = j;
                return true;
            }
            if (stops.contains(stack_[size_t(j)].name))
                return false;
        }
        return false;
    }

    // Ends the elements that an opening tag ends without saying, as browsers do.
    void impliedEnds(const QString& name, Kind kind) {
        static const QStringList cell = {"table", "td", "th", "tr"};
        static const QStringList tableOnly = {"table"};
        static const QStringList row = {"table", "tr"};
        static const QStringList list = {"ul", "ol", "table", "td", "th"};
        static const QStringList defs = {"dl", "table", "td", "th"};
        qsizetype at = -1;
        if ((kind == Kind::Block || kind == Kind::Table || name == QLatin1String("hr")) &&
            name != QLatin1String("td") && name != QLatin1String("th") &&
            name != QLatin1String("tr") && inScope(QStringLiteral("p"), cell, at))
            popTo(at);
        if (name == QLatin1String("li") && inScope(name, list, at))
            popTo(at);
        if ((name == QLatin1String("dt") || name == QLatin1String("dd"))) {
            if (inScope(QStringLiteral("dt"), defs, at) || inScope(QStringLiteral("dd"), defs, at))
                popTo(at);
        }
        if (name == QLatin1String("tr") && inScope(name, tableOnly, at))
            popTo(at);
        if (name == QLatin1String("td") || name == QLatin1String("th")) {
            if (inScope(QStringLiteral("td"), row, at) || inScope(QStringLiteral("th"), row, at))
                popTo(at);
        }
        if ((name == QLatin1String("tbody") || name == QLatin1String("thead") ||
             name == QLatin1String("tfoot"))) {
            for (const char* g : {"tbody", "thead", "tfoot"})
                if (inScope(QLatin1String(g), tableOnly, at)) {
                    popTo(at);
                    break;
                }
        }
    }

    // Pops the entries from at upwards; their end tags are implied, not written.
    void popTo(qsizetype at) {
        while (qsizetype(stack_.size()) > at) {
            countOf(stack_.back()) -= stack_.back().kept ? 1 : 0;
            --openCount_[stack_.back().name];
            stack_.pop_back();
        }
    }

    int& countOf(const Open& o) {
        if (o.kind == Kind::Inline)
            return inlineDepth_;
        if (o.name == QLatin1String("table"))
            return tableDepth_;
        return blockDepth_;
    }

    bool insideDroppedTable() const {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
            if (it->name == QLatin1String("table"))
                return !it->kept;
        return false;
    }

    void open(const QString& name, const pagefile::Tag& tg) {
        const QString whole = this->whole(tg);
        const Kind kind = kindOf(name);
        recordAnchorsBefore(tg.from);
        bool page = false;
        const bool anchor = anchorAt(tg.from, &page);
        // A printed page starts a part of its own.
        if (page)
            cutBefore();
        if (kind == Kind::Void || kind == Kind::Structure) {
            emitTag(whole);
            recordAnchorsBefore(tg.from + 1);
            if (kind == Kind::Void && (name == QLatin1String("br") || name == QLatin1String("hr")))
                maybeCut(true);
            return;
        }
        impliedEnds(name, kind);
        bool kept = true;
        if (kind == Kind::Table && name != QLatin1String("table") && insideDroppedTable())
            kept = false;
        else if (name == QLatin1String("table"))
            kept = tableDepth_ < lim_.tableDepth && blockDepth_ < lim_.blockDepth;
        else if (kind == Kind::Inline)
            kept = inlineDepth_ < lim_.inlineDepth;
        else
            kept = blockDepth_ < lim_.blockDepth;
        const bool selfClosed = tg.selfClosed;
        // A tag of megabytes is opened again by its name alone.
        Open o{name, whole.size() > 2000 ? QLatin1Char('<') + name + QLatin1Char('>') : whole,
               kind, kept, !anchor};
        if (kept) {
            emitTag(whole);
        } else {
            out_.reshaped = true;
            // What the dropped element kept apart stays apart.
            if (name == QLatin1String("tr") || kind == Kind::Block)
                emitTag(QStringLiteral("<br>"));
            else if (name == QLatin1String("td") || name == QLatin1String("th"))
                emitRaw(QStringLiteral(" "));
        }
        recordAnchorsBefore(tg.from + 1);
        if (selfClosed)
            return;
        countOf(o) += kept ? 1 : 0;
        ++openCount_[o.name];
        stack_.push_back(std::move(o));
    }

    void close(const QString& name, const QString& whole) {
        const Kind kind = kindOf(name);
        if (kind == Kind::Void)
            return;
        if (kind == Kind::Structure) {
            emitTag(whole);
            return;
        }
        qsizetype at = -1;
        if (openCount_.value(name) == 0)
            return; // nothing of that name is open
        for (qsizetype j = qsizetype(stack_.size()) - 1; j >= 0; --j)
            if (stack_[size_t(j)].name == name) {
                at = j;
                break;
            }
        if (at < 0)
            return; // nothing of that name is open
        const bool kept = stack_[size_t(at)].kept;
        // Elements left open inside it end with it.
        for (qsizetype j = qsizetype(stack_.size()) - 1; j > at; --j)
            if (stack_[size_t(j)].kept)
                emitTag(QStringLiteral("</") + stack_[size_t(j)].name + QLatin1Char('>'));
        popTo(at);
        if (kept)
            emitTag(whole);
        maybeCut(kind == Kind::Block || name == QLatin1String("tr") ||
                 name == QLatin1String("table"));
    }

    void text(QStringView t) {
        // A run longer than a part is cut between words, or between characters where a
        // run has no space, never before a mark that belongs to the character before it.
        while (!t.isEmpty()) {
            qsizetype room = hard() - content_;
            if (room <= 0) {
                out_.reshaped = true;
                cutHere();
                continue;
            }
            if (t.size() <= room) {
                emitRaw(t);
                return;
            }
            qsizetype cut = room;
            const qsizetype floor = std::max<qsizetype>(room - 2000, 0);
            qsizetype j = cut;
            while (j > floor && !t[j - 1].isSpace())
                --j;
            if (j > floor)
                cut = j;
            // Nor inside a character reference.
            const qsizetype amp = t.left(cut).lastIndexOf(QLatin1Char('&'));
            if (amp > 0 && cut - amp <= 32 && !t.mid(amp, cut - amp).contains(QLatin1Char(';')))
                cut = amp;
            while (cut > 1 && joinsPrevious(t[cut]))
                --cut;
            emitRaw(t.left(cut));
            t = t.mid(cut);
            out_.reshaped = true;
            cutHere();
        }
    }

    void emitTag(const QString& t) {
        cur_ += t;
        content_ += t.size();
        if (content_ >= hard())
            maybeCut(false);
    }
    void emitRaw(QStringView t) {
        cur_ += t;
        content_ += t.size();
    }

    // Ends the part when it is long enough: at a block's end from the soft length on, at
    // any tag from the hard length on.
    void maybeCut(bool blockEnd) {
        if ((blockEnd && content_ >= soft()) || content_ >= hard()) {
            out_.reshaped = true;
            cutHere();
        }
    }

    // Each level of tables lays its cells out again: parts inside them are shorter.
    qsizetype hard() const { return std::max(lim_.hardChars >> std::max(tableDepth_ - 1, 0), 500); }
    qsizetype soft() const { return std::max(lim_.softChars >> std::max(tableDepth_ - 1, 0), 250); }

    // A page anchor starts a part of its own.
    void cutBefore() {
        if (content_ > 0 && hasText())
            cutHere();
    }
    bool hasText() const {
        for (QChar c : cur_)
            if (!c.isSpace())
                return true;
        return false;
    }

    void cutHere() {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
            if (it->kept)
                cur_ += QStringLiteral("</") + it->name + QLatin1Char('>');
        out_.parts.push_back(std::move(cur_));
        cur_.clear();
        content_ = 0;
        for (const Open& o : stack_)
            if (o.kept && o.reopen)
                cur_ += o.tag;
    }

    void finishPart() {
        if (content_ > 0 || out_.parts.empty()) {
            for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
                if (it->kept)
                    cur_ += QStringLiteral("</") + it->name + QLatin1Char('>');
            out_.parts.push_back(std::move(cur_));
        }
    }

    const QString& html_;
    const PartLimits& lim_;
    PageParts& out_;
    std::vector<pagefile::Tag> tags_;
    std::vector<pagefile::Anchor> anchors_; // in the order of their tags
    size_t nextAnchor_ = 0;                 // the first not yet recorded
    std::vector<Open> stack_;
    QHash<QString, int> openCount_; // entries of the stack by name
    QString cur_;
    qsizetype content_ = 0; // characters of the part's own, after the reopened tags
    int tableDepth_ = 0, blockDepth_ = 0, inlineDepth_ = 0;
};

} // namespace

PageParts shapePage(const QString& html, const PartLimits& limits) {
    return shapePage(html, pagefile::readTags(html), limits);
}

PageParts shapePage(const QString& html, std::vector<pagefile::Tag> tags, const PartLimits& limits) {
    PageParts out;
    Shaper(html, std::move(tags), limits, out).run();
    return out;
}

} // namespace reader
