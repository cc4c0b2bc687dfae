#include "reader/page_view.h"
#include "reader/log.h"

#include "reader/page_refs.h"

#include "pagefile/decode.h"
#include "pagefile/shown_text.h"
#include "thai/normalise.h"
#include "toolkit/fonts.h"
#include "toolkit/paths.h"

#include <QAbstractTextDocumentLayout>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QWheelEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextFrame>
#include <algorithm>
#include <utility>

namespace reader {

namespace {

// A value written anew in a tag: quoted, so that line ends, '>' and quotes inside it stay
// inside it, with the references the view decodes in a quoted value.
QString quotedValue(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    v.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

// [from, to) of the page written anew as text.
struct Edit {
    qsizetype from, to;
    QString text;
};

// The edits for some of the tags' attribute values, where the view reads them: value(tag,
// attribute) gives the new value, or a null text to leave it as written. Each takes the
// attribute from its name, which stands before its '=' and any blanks.
template <class Value>
void editValues(const QString& html, const std::vector<pagefile::Tag>& tags, Value value,
                std::vector<Edit>& edits) {
    qsizetype last = 0;
    for (const pagefile::Tag& t : tags) {
        if (t.kind != pagefile::Tag::Open)
            continue;
        for (const pagefile::Attribute& a : t.attributes) {
            if (a.from < 0)
                continue;
            const QString v = value(t, a);
            if (v.isNull())
                continue;
            qsizetype at = a.from;
            while (at > t.from && html[at - 1].isSpace())
                --at;
            if (at <= t.from || html[at - 1] != QLatin1Char('='))
                continue;
            --at;
            while (at > t.from && html[at - 1].isSpace())
                --at;
            at -= a.name.size();
            if (at <= t.from || at < last)
                continue;
            edits.push_back({at, a.to, a.name + QLatin1Char('=') + quotedValue(v)});
            last = a.to;
        }
    }
}

// The page with the edits (in order, apart) made, its text, comments and all else as they
// stand; tags, when given, moved to where they stand in it.
QString applyEdits(const QString& html, const std::vector<Edit>& edits,
                   std::vector<pagefile::Tag>* tags = nullptr) {
    if (edits.empty())
        return html;
    QString out;
    qsizetype grown = 0;
    for (const Edit& e : edits)
        grown += e.text.size() - (e.to - e.from);
    out.reserve(html.size() + std::max<qsizetype>(grown, 0));
    qsizetype last = 0;
    for (const Edit& e : edits) {
        out += QStringView(html).mid(last, e.from - last);
        out += e.text;
        last = e.to;
    }
    out += QStringView(html).mid(last);
    if (tags) {
        size_t k = 0;
        qsizetype shift = 0;
        // Places rise through the tags; a place inside an edit is an edited value's.
        const auto moved = [&](int x) {
            while (k < edits.size() && edits[k].to <= x) {
                shift += edits[k].text.size() - (edits[k].to - edits[k].from);
                ++k;
            }
            return k < edits.size() && edits[k].from < x ? -1 : int(x + shift);
        };
        for (pagefile::Tag& t : *tags) {
            t.from = moved(t.from);
            for (pagefile::Attribute& a : t.attributes)
                if (a.from >= 0) {
                    a.from = moved(a.from);
                    a.to = a.from < 0 ? -1 : moved(a.to);
                    if (a.to < 0)
                        a.from = -1;
                }
            t.to = moved(t.to);
        }
    }
    return out;
}

// The first start tag of the name; tags.size() when there is none.
size_t firstOpen(const std::vector<pagefile::Tag>& tags, QLatin1String name) {
    for (size_t k = 0; k < tags.size(); ++k)
        if (tags[k].kind == pagefile::Tag::Open && tags[k].name == name)
            return k;
    return tags.size();
}

const pagefile::Attribute* attribute(const pagefile::Tag& t, QLatin1String name) {
    for (const pagefile::Attribute& a : t.attributes)
        if (a.name == name)
            return &a;
    return nullptr;
}

// The Thai fonts of the Windows design named by their stand-ins: in font faces, style
// attributes and style elements; tags, the page's, moved to where they stand in the result.
QString mapFonts(const QString& html, std::vector<pagefile::Tag>& tags, bool faces, bool styles) {
    std::vector<Edit> edits;
    editValues(html, tags, [&](const pagefile::Tag&, const pagefile::Attribute& a) {
        if (faces && a.name == QLatin1String("face")) {
            const QString first = a.value.section(QLatin1Char(','), 0, 0).trimmed();
            return tk::thaiFamily(first) + QStringLiteral(", ") + a.value;
        }
        if (styles && a.name == QLatin1String("style") &&
            a.value.contains(QLatin1String("font-family"), Qt::CaseInsensitive))
            return mapFontStyles(a.value);
        return QString();
    }, edits);
    if (styles) {
        // Style elements: their content, up to the end tag the view ends them at.
        for (size_t k = 0; k < tags.size(); ++k) {
            if (tags[k].kind != pagefile::Tag::Open || tags[k].name != QLatin1String("style"))
                continue;
            size_t e = k + 1;
            while (e < tags.size() &&
                   !(tags[e].kind == pagefile::Tag::Close && tags[e].name == QLatin1String("style")))
                ++e;
            const qsizetype from = tags[k].to, to = e < tags.size() ? tags[e].from : html.size();
            if (QStringView(html).mid(from, to - from).contains(QLatin1String("font-family"), Qt::CaseInsensitive))
                edits.push_back({from, to, mapFontStyles(html.mid(from, to - from))});
            k = e;
        }
        std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.from < b.from; });
    }
    return applyEdits(html, edits, &tags);
}

} // namespace

QString mapFontFaces(QString html) {
    std::vector<pagefile::Tag> tags = pagefile::readTags(html);
    return mapFonts(html, tags, true, false);
}

QString mapStyles(QString html) {
    std::vector<pagefile::Tag> tags = pagefile::readTags(html);
    return mapFonts(html, tags, false, true);
}

namespace {

constexpr qsizetype kProgressiveFrom = 100000; // characters; smaller pages lay out at once

} // namespace

PageView::PageView(QString programFolder, QWidget* parent)
    : QTextBrowser(parent), root_(std::move(programFolder)) {
    steps_.setInterval(0);
    connect(&steps_, &QTimer::timeout, this, &PageView::loadStep);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    QFont f = tk::thaiFont(QStringLiteral("Angsana New"), 16);
    document()->setDefaultFont(f);
    basePoints_ = f.pointSizeF();
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::openLink);
    // The current place is the selection: one colour for it whether the view or the find
    // box has the focus.
    QPalette pal = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setBrush(QPalette::Inactive, role, pal.brush(QPalette::Active, role));
    setPalette(pal);
    refresh_.setSingleShot(true);
    refresh_.setInterval(30);
    connect(&refresh_, &QTimer::timeout, this, &PageView::refreshHits);
    // Parts arrive and pages change: the places of the marked word and the page anchors
    // are found again.
    connect(document(), &QTextDocument::contentsChange, this, [this] {
        anchorsDirty_ = true;
        foldedDirty_ = true;
        if (!foldedWords_.isEmpty())
            refresh_.start();
        else
            hits_.clear();
    });
}

void PageView::showExplanation(const QString& what, const QString& location) {
    steps_.stop();
    parts_ = PageParts{};
    pages_.clear();
    pageNames_.clear();
    lo_ = hi_ = 0;
    explanation_ = true;
    shownFile_.clear();
    shownAnchor_.clear();
    setHtml(
        QStringLiteral("<html><body><h3>") + what.toHtmlEscaped() +
        QStringLiteral("</h3><p>ตำแหน่งที่ขอเปิด:</p><p><tt>") + location.toHtmlEscaped() +
        QStringLiteral("</tt></p><p>กรุณาตรวจสอบว่าโฟลเดอร์ข้อมูลพระไตรปิฎกครบถ้วน</p></body></html>"));
}

void PageView::navigate(const QString& location) {
    QString path, anchor;
    tk::splitAnchor(location, path, anchor);
    listings_.clear(); // folders are listed once for each opening
    loaded_.clear();
    const QString file = tk::resolvePath(root_, path, &listings_);
    const QFileInfo fi(file);
    if (!fi.isFile()) {
        // The location as this system writes it.
        showExplanation(QStringLiteral("ไม่พบไฟล์หน้าพระไตรปิฎกที่ต้องการ"),
                        QDir::toNativeSeparators(file) +
                            (anchor.isEmpty() ? QString() : QLatin1Char('#') + anchor));
        return;
    }
    // Confined by the path as written under the program folder, not by where links point:
    // a volume folder may be a link to another disk.
    if (!root_.isEmpty() && !tk::insideFolder(root_, file)) {
        showExplanation(QStringLiteral("ไฟล์นี้อยู่นอกโฟลเดอร์ของโปรแกรม จึงไม่เปิดให้"), location);
        return;
    }
    if (file == shownFile_ && !explanation_ && !anchor.isEmpty() && parts_.partOf(anchor) >= 0) {
        // Another page of the file shown: no need to read it again.
        loadThrough(anchor);
        scrollToNamed(anchor);
        shownAnchor_ = anchor;
        emit shown();
        return;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        showExplanation(QStringLiteral("ไม่สามารถอ่านไฟล์หน้าพระไตรปิฎกได้"), location);
        return;
    }
    // The page's tags read once, for the fonts, the frames, the style sheets and the parts.
    QString html = pagefile::decode(f.readAll());
    std::vector<pagefile::Tag> tags = pagefile::readTags(html);
    html = mapFonts(html, tags, true, true);
    if (isFrameset(tags)) {
        // The view has no frames: the frames' pages one after another.
        QSet<QString> seen{file};
        int count = 0;
        html = framesInOrder(html, tags, file, 0, seen, count);
        tags = pagefile::readTags(html);
    }
    steps_.stop();
    parts_ = shapePage(html, tags);
    pages_.clear();
    pageNames_.clear();
    for (const PageParts::Anchor& a : parts_.anchors)
        if (a.page) {
            pages_.push_back({a.name.trimmed(), a.part, true});
            pageNames_.insert(a.name);
        }
    parts_.styleSheet = mapFontStyles(parts_.styleSheet) + linkedStyleSheets(tags, file);
    explanation_ = false;
    shownFile_ = file;
    shownAnchor_ = anchor;
    // No base: references reach loadResource as written, and resolve the Windows way there.
    document()->setBaseUrl(QUrl());
    document()->setDefaultStyleSheet(parts_.styleSheet);
    const long asked = anchor.isEmpty() ? 0 : parts_.partOf(anchor);
    if (!parts_.reshaped && html.size() < kProgressiveFrom) {
        // A page of ordinary size and shape lays out at once; its page anchors are kept.
        parts_.parts.clear();
        lo_ = hi_ = 0;
        setHtml(html);
    } else {
        // Laying out a long file up to its last page takes a noticeable moment: show the
        // asked-for page (and the next) now, and add the others part by part afterwards.
        setHtml(parts_.head);
        firstPage_ = QTextCursor();
        lo_ = hi_ = size_t(std::max(asked, 0L));
        appendNext();
        appendNext();
        if (loading())
            steps_.start();
    }
    refreshHits();
    if (anchor.isEmpty()) {
        emit shown();
        return;
    }
    if (asked < 0) {
        // An anchor the page does not have: say so above the page rather than show its top
        // silently.
        QTextCursor c(document());
        c.movePosition(QTextCursor::Start);
        c.insertHtml(QStringLiteral("<p style=\"color:#a00000\"><b>ไม่พบหน้าที่ ") +
                     anchor.toHtmlEscaped() + QStringLiteral(" ในไฟล์นี้</b> (") +
                     QDir::toNativeSeparators(file + QLatin1Char('#') + anchor).toHtmlEscaped() +
                     QStringLiteral(")</p>"));
        emit shown();
        return;
    }
    scrollToNamed(anchor);
    emit shown();
}

void PageView::scrollToNamed(const QString& anchor) {
    // The view knows its anchors by their names as written; a page is asked for by its number.
    const PageParts::Anchor* a = parts_.find(anchor);
    scrollToAnchor(a ? a->name : anchor);
}

void PageView::appendNext() {
    if (hi_ >= parts_.parts.size())
        return;
    appendPage(std::exchange(parts_.parts[hi_], QString()));
    ++hi_;
}

void PageView::prependNext() {
    if (lo_ == 0)
        return;
    --lo_;
    prependPage(std::exchange(parts_.parts[lo_], QString()));
}

void PageView::appendPage(const QString& html) {
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    // A page starts in a block of its own, so nothing of it merges with the page before.
    if (!c.block().text().isEmpty())
        c.insertBlock();
    if (firstPage_.isNull()) {
        firstPage_ = QTextCursor(document());
        firstPage_.setPosition(c.position());
        firstPage_.setKeepPositionOnInsert(true);
    }
    c.insertHtml(html);
}

void PageView::prependPage(const QString& html) {
    // Keep what the reader is looking at in place while the page above grows.
    QTextCursor top = cursorForPosition(QPoint(0, 0));
    const auto y = [&] {
        return document()->documentLayout()->blockBoundingRect(top.block()).top();
    };
    const int offset = verticalScrollBar()->value() - int(y());
    QTextCursor c(document());
    c.setPosition(firstPage_.position());
    c.insertBlock(); // an empty block before the earliest page, for this one
    c.setPosition(firstPage_.position());
    c.insertHtml(html);
    verticalScrollBar()->setValue(int(y()) + offset);
}

bool PageView::loadStep() {
    // One part a step, below and above in turn, so that the window answers between them.
    const bool below = hi_ < parts_.parts.size() && (belowNext_ || lo_ == 0);
    belowNext_ = !belowNext_;
    if (below)
        appendNext();
    else
        prependNext();
    if (!loading())
        steps_.stop();
    return loading();
}

void PageView::finishLoading() {
    while (loading())
        loadStep();
}

void PageView::loadThrough(const QString& anchor) {
    const long part = parts_.partOf(anchor);
    while (part >= 0 && loading() && !(size_t(part) >= lo_ && size_t(part) < hi_))
        loadStep();
}

// A style sheet file as the page uses it: decoded as pages are, Thai fonts mapped; never
// more than a megabyte of it.
static QString styleSheetOf(const QString& path);

QVariant PageView::loadResource(int type, const QUrl& name) {
    // Resolved as links are, only under the program folder; nothing from the network.
    const QString reference =
        name.isLocalFile() ? name.toLocalFile() : name.toString(QUrl::FullyEncoded);
    const QString file = resolveReference(root_, shownFile_, reference, nullptr, &listings_);
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        qCWarning(lcReader) << "a reference of" << shownFile_ << "was not loaded:" << reference
                            << (file.isEmpty() ? "(outside the program folder or not a file)"
                                               : "(no such file)");
        return {};
    }
    if (type == QTextDocument::StyleSheetResource)
        return styleSheetOf(file);
    loaded_ << file;
    return QTextBrowser::loadResource(type, QUrl::fromLocalFile(file));
}

static QString styleSheetOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qCWarning(lcReader) << "cannot read the style sheet" << path << ":" << f.errorString();
        return {};
    }
    return mapFontStyles(pagefile::decode(f.read(1 << 20)));
}

QString PageView::linkedStyleSheets(const std::vector<pagefile::Tag>& tags, const QString& file) {
    // Parts inserted after the first are not parsed with the page's head: its linked style
    // sheets apply to them through the document's own.
    const size_t body = firstOpen(tags, QLatin1String("body"));
    QString css;
    for (size_t k = 0; k < body; ++k) {
        const pagefile::Tag& t = tags[k];
        if (body == tags.size() && t.from >= 65536)
            break;
        if (t.kind != pagefile::Tag::Open || t.name != QLatin1String("link"))
            continue;
        const pagefile::Attribute* rel = attribute(t, QLatin1String("rel"));
        const pagefile::Attribute* href = attribute(t, QLatin1String("href"));
        if (!rel || !href ||
            !rel->value.split(QLatin1Char(' '), Qt::SkipEmptyParts)
                 .contains(QLatin1String("stylesheet"), Qt::CaseInsensitive))
            continue;
        const QString path = resolveReference(root_, file, href->value, nullptr, &listings_);
        if (path.isEmpty() || !QFileInfo(path).isFile())
            continue;
        css += styleSheetOf(path) + QLatin1Char('\n');
        loaded_ << path;
    }
    return css;
}

bool PageView::isFrameset(const std::vector<pagefile::Tag>& tags) {
    return firstOpen(tags, QLatin1String("frameset")) < firstOpen(tags, QLatin1String("body"));
}

QString PageView::framesInOrder(const QString& html, const std::vector<pagefile::Tag>& tags,
                                const QString& file, int depth, QSet<QString>& seen, int& count) {
    constexpr int kMaxFrames = 64, kMaxDepth = 4;
    QString out = depth == 0 ? QStringLiteral("<html><body>") : QString();
    auto note = [](const QString& what, const QString& ref) {
        return QStringLiteral("<p style=\"color:#a00000\">") + what + QStringLiteral(": ") +
               ref.toHtmlEscaped() + QStringLiteral("</p>");
    };
    (void)html;
    for (const pagefile::Tag& t : tags) {
        const pagefile::Attribute* src =
            t.kind == pagefile::Tag::Open && t.name == QLatin1String("frame")
                ? attribute(t, QLatin1String("src"))
                : nullptr;
        if (!src)
            continue;
        const QString ref = src->value;
        if (++count > kMaxFrames) {
            out += note(QStringLiteral("กรอบมากเกินไป ไม่แสดงกรอบที่เหลือ"), ref);
            break;
        }
        const QString path = resolveReference(root_, file, ref, nullptr, &listings_);
        QFile f(path);
        if (path.isEmpty() || !QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) {
            out += note(QStringLiteral("ไม่พบหน้าของกรอบนี้"), ref);
            continue;
        }
        if (seen.contains(path))
            continue; // a frame of itself
        seen.insert(path);
        QString page = pagefile::decode(f.readAll());
        std::vector<pagefile::Tag> pageTags = pagefile::readTags(page);
        page = mapFonts(page, pageTags, true, true);
        if (!out.isEmpty() && out != QLatin1String("<html><body>"))
            out += QStringLiteral("<hr>");
        if (isFrameset(pageTags)) {
            if (depth + 1 < kMaxDepth)
                out += framesInOrder(page, pageTags, path, depth + 1, seen, count);
            continue;
        }
        // The frame's body: from its tag to the last end of a body, or to the page's end.
        const size_t body = firstOpen(pageTags, QLatin1String("body"));
        qsizetype from = 0, to = page.size();
        if (body < pageTags.size()) {
            from = pageTags[body].to;
            for (size_t k = pageTags.size(); k-- > body;)
                if (pageTags[k].kind == pagefile::Tag::Close && pageTags[k].name == QLatin1String("body")) {
                    to = pageTags[k].from;
                    break;
                }
        }
        out += absoluteReferences(page.mid(from, to - from), path);
    }
    return out;
}

QString PageView::absoluteReferences(const QString& html, const QString& file) {
    // A frame's page refers to files from its own folder: written out in full, so that
    // they resolve the same in the page that shows it.
    std::vector<Edit> edits;
    editValues(html, pagefile::readTags(html),
                         [&](const pagefile::Tag&, const pagefile::Attribute& a) {
                             if (a.name != QLatin1String("src") && a.name != QLatin1String("href"))
                                 return QString();
                             if (a.value.startsWith(QLatin1Char('#')))
                                 return QString();
                             QString anchor;
                             const QString path =
                                 resolveReference(root_, file, a.value, &anchor, &listings_);
                             if (path.isEmpty())
                                 return QString();
                             QUrl url = QUrl::fromLocalFile(path);
                             if (!anchor.isEmpty())
                                 url.setFragment(anchor);
                             return url.toString(QUrl::FullyEncoded);
                         }, edits);
    return applyEdits(html, edits);
}

void PageView::openLink(const QUrl& url) {
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        loadThrough(url.fragment()); // the page it names may not have arrived yet
        scrollToNamed(url.fragment());
        shownAnchor_ = url.fragment();
        emit shown();
        return;
    }
    // Resolved as the page's references are; the web and other disks are not followed.
    QString anchor;
    const QString reference = url.isLocalFile() ? url.toLocalFile() + (url.hasFragment() ? QLatin1Char('#') + url.fragment() : QString())
                                                : url.toString(QUrl::FullyEncoded);
    const QString file = resolveReference(root_, shownFile_, reference, &anchor, &listings_);
    if (file.isEmpty())
        return;
    navigate(anchor.isEmpty() ? file : file + QLatin1Char('#') + anchor);
}

void PageView::anchorsChanged() const {
    anchorAt_.clear();
    // The view gives its anchor's name to every piece of the text its element holds, on
    // every block: a piece carries on the anchor of the piece before it when that one has
    // the name too (even with another anchor between, inside the element).
    QStringList before; // the names of the piece before
    const auto add = [&](int at, const QStringList& names) {
        for (const QString& name : names)
            anchorAt_.push_back({at, name, before.contains(name)});
    };
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        // An anchor with no text of its own before a paragraph is kept on the paragraph.
        if (b.charFormat().isAnchor())
            add(b.position(), b.charFormat().anchorNames());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid())
                continue;
            const QStringList names = f.charFormat().isAnchor() ? f.charFormat().anchorNames() : QStringList();
            add(f.position(), names);
            before = names;
        }
    }
    anchorsDirty_ = false;
}

std::vector<std::pair<int, QString>> PageView::pageStarts() const {
    if (anchorsDirty_)
        anchorsChanged();
    std::vector<std::pair<int, QString>> out;
    for (const ViewAnchor& a : anchorAt_)
        if (!a.repeat && pageNames_.contains(a.name))
            out.emplace_back(a.at, a.name.trimmed());
    return out;
}

QString PageView::pageAt(int position) const {
    QString page;
    for (const auto& [at, name] : pageStarts()) {
        if (at > position)
            break;
        page = name;
    }
    return page;
}

QString PageView::currentPage() const {
    const int top = cursorForPosition(QPoint(0, 0)).position();
    QString page = pageAt(top);
    // At the end of the file the last pages cannot come to the top: the page moved to is
    // the one shown.
    const QScrollBar* bar = verticalScrollBar();
    const PageParts::Anchor* shown = shownAnchor_.isEmpty() ? nullptr : parts_.find(shownAnchor_);
    if (bar->value() >= bar->maximum() && shown && shown->page) {
        if (anchorsDirty_)
            anchorsChanged();
        int shownAt = -1;
        for (const ViewAnchor& a : anchorAt_)
            if (a.name == shown->name) {
                shownAt = a.at;
                break;
            }
        if (shownAt > top)
            page = shown->name.trimmed();
    }
    return page;
}

QString PageView::shownPage() const {
    const PageParts::Anchor* shown = shownAnchor_.isEmpty() ? nullptr : parts_.find(shownAnchor_);
    if (shown && shown->page)
        return shown->name.trimmed();
    return currentPage();
}

void PageView::setMarkedWord(const QString& word) {
    setMarkedWords(word.isEmpty() ? QStringList() : QStringList{word});
}

void PageView::setMarkedWords(const QStringList& words) {
    word_ = words.join(QLatin1Char(' '));
    foldedWords_.clear();
    for (const QString& w : words) {
        const QString f = thai::foldWord(w);
        if (!f.isEmpty() && !foldedWords_.contains(f))
            foldedWords_ << f;
    }
    current_ = -1;
    refreshHits();
}

void PageView::refreshHits() {
    refresh_.stop();
    const int was = current_ >= 0 && current_ < int(hits_.size()) ? hits_[size_t(current_)].first : -1;
    hits_.clear();
    if (!foldedWords_.isEmpty() && !explanation_) {
        // Each printed page folded on its own, as the canon search folds it: no place runs
        // over a page's start. Folded once for each change of the text, not for each key.
        if (foldedDirty_) {
            const QString text = document()->toRawText();
            std::vector<int> cuts{0};
            for (const auto& [at, name] : pageStarts())
                if (at > cuts.back())
                    cuts.push_back(at);
            cuts.push_back(int(text.size()));
            folded_.clear();
            for (size_t k = 0; k + 1 < cuts.size(); ++k)
                folded_.emplace_back(cuts[k], thai::fold(QStringView(text).mid(cuts[k], cuts[k + 1] - cuts[k])));
            foldedDirty_ = false;
        }
        for (const auto& [from, folded] : folded_) {
            const size_t first = hits_.size();
            for (const QString& w : foldedWords_)
                for (const auto& [a, b] : thai::findAll(folded, w))
                    hits_.emplace_back(from + a, from + b);
            // The places of several words, in the order they stand.
            if (foldedWords_.size() > 1)
                std::sort(hits_.begin() + qsizetype(first), hits_.end());
        }
    }
    current_ = -1;
    if (was >= 0) {
        // The same place stays current when parts arrive above it.
        for (size_t k = 0; k < hits_.size(); ++k)
            if (hits_[k].first >= was) {
                current_ = int(k);
                break;
            }
    }
    showHits();
    emit hitsChanged();
}

QTextCharFormat PageView::currentHitFormat() const {
    QTextCharFormat f;
    f.setBackground(palette().brush(QPalette::Active, QPalette::Highlight));
    f.setForeground(palette().brush(QPalette::Active, QPalette::HighlightedText));
    return f;
}

QTextCharFormat PageView::otherHitFormat() {
    QTextCharFormat f;
    f.setBackground(QColor(255, 236, 100));
    return f;
}

void PageView::setTopBand(int pixels) {
    if (pixels != viewportMargins().top())
        setViewportMargins(0, pixels, 0, 0);
}

void PageView::showHits() {
    QList<QTextEdit::ExtraSelection> marks;
    marks.reserve(qsizetype(hits_.size()));
    const QTextCharFormat all = otherHitFormat(), current = currentHitFormat();
    for (size_t k = 0; k < hits_.size(); ++k) {
        QTextEdit::ExtraSelection sel;
        sel.cursor = QTextCursor(document());
        sel.cursor.setPosition(hits_[k].first);
        sel.cursor.setPosition(hits_[k].second, QTextCursor::KeepAnchor);
        sel.format = int(k) == current_ ? current : all;
        marks.push_back(sel);
    }
    setExtraSelections(marks);
}

void PageView::firstHitFromView() {
    const int top = cursorForPosition(QPoint(0, 0)).position();
    current_ = -1;
    for (size_t k = 0; k < hits_.size(); ++k)
        if (hits_[k].first >= top) {
            current_ = int(k);
            break;
        }
    if (current_ < 0 && !hits_.empty())
        current_ = 0;
    showHits();
    if (current_ >= 0)
        showCurrentHit();
}

void PageView::showCurrentHit() {
    // Its end, then its start: the whole word comes into the view.
    QTextCursor c(document());
    c.setPosition(hits_[size_t(current_)].second);
    setTextCursor(c);
    ensureCursorVisible();
    c.setPosition(hits_[size_t(current_)].first);
    c.setPosition(hits_[size_t(current_)].second, QTextCursor::KeepAnchor);
    setTextCursor(c);
    ensureCursorVisible();
}

bool PageView::stepHit(bool backwards) {
    if (hits_.empty())
        return false;
    const int n = int(hits_.size());
    bool round = false;
    if (current_ < 0) {
        current_ = backwards ? n - 1 : 0;
    } else if (backwards) {
        round = current_ == 0;
        current_ = round ? n - 1 : current_ - 1;
    } else {
        round = current_ == n - 1;
        current_ = round ? 0 : current_ + 1;
    }
    showHits();
    showCurrentHit();
    return round;
}

void PageView::setZoomPercent(int percent) {
    percent = std::clamp(percent, 50, 300);
    if (percent == zoom_)
        return;
    // The line at the top stays at the top.
    const QTextCursor top = cursorForPosition(QPoint(0, 0));
    const int position = top.position();
    zoom_ = percent;
    QFont f = document()->defaultFont();
    f.setPointSizeF(basePoints_ * percent / 100.0);
    document()->setDefaultFont(f);
    QTextCursor c(document());
    c.setPosition(position);
    const QTextBlock b = c.block();
    const QRectF r = document()->documentLayout()->blockBoundingRect(b);
    qreal y = r.top();
    if (const QTextLayout* l = b.layout()) {
        const QTextLine line = l->lineForTextPosition(position - b.position());
        if (line.isValid())
            y += line.y();
    }
    verticalScrollBar()->setValue(int(y));
}

void PageView::wheelEvent(QWheelEvent* e) {
    if (e->modifiers() & Qt::ControlModifier) {
        // Ctrl and the wheel zoom; the view's own wheel zoom would change its font.
        const int steps = e->angleDelta().y() / 120;
        if (steps != 0)
            setZoomPercent(zoomStep(zoom_, steps));
        e->accept();
        return;
    }
    QTextBrowser::wheelEvent(e);
}

QMimeData* PageView::createMimeDataFromSelection() const {
    // Copied as plain text: quotations go into any program as the words themselves.
    auto* data = new QMimeData;
    data->setText(textCursor().selection().toPlainText());
    return data;
}

int zoomStep(int percent, int steps) {
    static const int levels[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
    const int n = int(std::size(levels));
    int i = 0;
    while (i < n && levels[i] < percent)
        ++i;
    if (steps > 0)
        i = (i < n && levels[i] == percent) ? i + steps : i + steps - 1;
    else
        i += steps;
    return levels[std::clamp(i, 0, n - 1)];
}

} // namespace reader
