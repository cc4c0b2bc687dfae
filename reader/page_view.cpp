#include "reader/page_view.h"
#include "reader/log.h"

#include "reader/page_refs.h"

#include "pagefile/decode.h"
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
#include <QRegularExpression>
#include <QSet>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextFrame>
#include <algorithm>
#include <utility>

namespace reader {

QString mapFontFaces(QString html) {
    static const QRegularExpression face(QStringLiteral("face\\s*=\\s*([\"']?)([^\"'>]+)\\1"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString out;
    out.reserve(html.size() + 64);
    qsizetype last = 0;
    auto it = face.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        out += QStringView(html).mid(last, m.capturedStart() - last);
        const QString first = m.captured(2).section(QLatin1Char(','), 0, 0).trimmed();
        out += QStringLiteral("face=\"") + tk::thaiFamily(first) + QStringLiteral(", ") +
               m.captured(2) + QStringLiteral("\"");
        last = m.capturedEnd();
    }
    out += QStringView(html).mid(last);
    return out;
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
        if (!foldedWord_.isEmpty())
            refresh_.start();
        else
            hits_.clear();
    });
}

void PageView::showExplanation(const QString& what, const QString& location) {
    steps_.stop();
    parts_ = PageParts{};
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
        scrollToAnchor(anchor);
        shownAnchor_ = anchor;
        emit shown();
        return;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        showExplanation(QStringLiteral("ไม่สามารถอ่านไฟล์หน้าพระไตรปิฎกได้"), location);
        return;
    }
    QString html = mapStyles(mapFontFaces(pagefile::decode(f.readAll())));
    if (isFrameset(html)) {
        // The view has no frames: the frames' pages one after another.
        QSet<QString> seen{file};
        int count = 0;
        html = framesInOrder(html, file, 0, seen, count);
    }
    steps_.stop();
    parts_ = shapePage(html);
    parts_.styleSheet = mapFontStyles(parts_.styleSheet) + linkedStyleSheets(html, file);
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
    scrollToAnchor(anchor);
    emit shown();
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

QString PageView::linkedStyleSheets(const QString& html, const QString& file) {
    // Parts inserted after the first are not parsed with the page's head: its linked style
    // sheets apply to them through the document's own.
    static const QRegularExpression link(QStringLiteral("<link\\s[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sheet(QStringLiteral("rel\\s*=\\s*[\"']?stylesheet"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression href(QStringLiteral("href\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString css;
    const qsizetype body = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    for (auto it = link.globalMatch(body < 0 ? html.left(65536) : html.left(body)); it.hasNext();) {
        const QString tag = it.next().captured(0);
        const auto h = href.match(tag);
        if (!sheet.match(tag).hasMatch() || !h.hasMatch())
            continue;
        const QString ref = h.captured(2) + h.captured(3) + h.captured(4);
        const QString path = resolveReference(root_, file, ref, nullptr, &listings_);
        if (path.isEmpty() || !QFileInfo(path).isFile())
            continue;
        css += styleSheetOf(path) + QLatin1Char('\n');
        loaded_ << path;
    }
    return css;
}

bool PageView::isFrameset(const QString& html) {
    const qsizetype frameset = html.indexOf(QLatin1String("<frameset"), 0, Qt::CaseInsensitive);
    const qsizetype body = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    return frameset >= 0 && (body < 0 || frameset < body);
}

QString PageView::framesInOrder(const QString& html, const QString& file, int depth,
                                QSet<QString>& seen, int& count) {
    static const QRegularExpression frame(
        QStringLiteral("<frame\\s[^>]*src\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)(</body>|$)"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    constexpr int kMaxFrames = 64, kMaxDepth = 4;
    QString out = depth == 0 ? QStringLiteral("<html><body>") : QString();
    auto note = [](const QString& what, const QString& ref) {
        return QStringLiteral("<p style=\"color:#a00000\">") + what + QStringLiteral(": ") +
               ref.toHtmlEscaped() + QStringLiteral("</p>");
    };
    for (auto it = frame.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString ref = m.captured(2) + m.captured(3) + m.captured(4);
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
        const QString page = mapStyles(mapFontFaces(pagefile::decode(f.readAll())));
        if (!out.isEmpty() && out != QLatin1String("<html><body>"))
            out += QStringLiteral("<hr>");
        if (isFrameset(page)) {
            if (depth + 1 < kMaxDepth)
                out += framesInOrder(page, path, depth + 1, seen, count);
            continue;
        }
        const auto b = body.match(page);
        out += absoluteReferences(b.hasMatch() ? b.captured(1) : page, path);
    }
    return out;
}

QString PageView::absoluteReferences(const QString& html, const QString& file) {
    // A frame's page refers to files from its own folder: written out in full, so that
    // they resolve the same in the page that shows it.
    static const QRegularExpression attr(
        QStringLiteral("\\b(src|href)\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    for (auto it = attr.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString ref = m.captured(3) + m.captured(4) + m.captured(5);
        if (ref.startsWith(QLatin1Char('#')))
            continue;
        QString anchor;
        const QString path = resolveReference(root_, file, ref, &anchor, &listings_);
        if (path.isEmpty())
            continue;
        QUrl url = QUrl::fromLocalFile(path);
        if (!anchor.isEmpty())
            url.setFragment(anchor);
        out += html.mid(last, m.capturedStart(0) - last) + m.captured(1) + QStringLiteral("=\"") +
               url.toString(QUrl::FullyEncoded) + QLatin1Char('"');
        last = m.capturedEnd(0);
    }
    return out + html.mid(last);
}

QString mapStyles(QString html) {
    // Style attributes and style elements name Windows Thai fonts too.
    static const QRegularExpression attr(QStringLiteral("\\bstyle\\s*=\\s*(\"([^\"]*)\"|'([^']*)')"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression element(QStringLiteral("(<style[^>]*>)(.*?)(</style\\s*>)"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    if (!html.contains(QLatin1String("font-family"), Qt::CaseInsensitive))
        return html;
    QString out;
    qsizetype last = 0;
    for (auto it = attr.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString value = m.captured(2) + m.captured(3);
        const QChar quote = m.captured(2).isNull() && !m.captured(3).isNull() ? QLatin1Char('\'') : QLatin1Char('"');
        QString mapped = mapFontStyles(value);
        if (quote == QLatin1Char('"'))
            mapped.replace(QLatin1Char('"'), QLatin1Char('\''));
        else
            mapped.replace(QLatin1Char('\''), QLatin1Char('"'));
        out += html.mid(last, m.capturedStart(0) - last) + QStringLiteral("style=") + quote + mapped + quote;
        last = m.capturedEnd(0);
    }
    html = out + html.mid(last);
    out.clear();
    last = 0;
    for (auto it = element.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out += html.mid(last, m.capturedStart(2) - last) + mapFontStyles(m.captured(2));
        last = m.capturedEnd(2);
    }
    return out + html.mid(last);
}

void PageView::openLink(const QUrl& url) {
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        loadThrough(url.fragment()); // the page it names may not have arrived yet
        scrollToAnchor(url.fragment());
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
    // An anchor with no text of its own before a paragraph is kept on the paragraph.
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b.charFormat().isAnchor())
            for (const QString& name : b.charFormat().anchorNames())
                anchorAt_.emplace_back(b.position(), name);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || !f.charFormat().isAnchor())
                continue;
            for (const QString& name : f.charFormat().anchorNames())
                anchorAt_.emplace_back(f.position(), name);
        }
    }
    anchorsDirty_ = false;
}

QString PageView::pageAt(int position) const {
    if (anchorsDirty_)
        anchorsChanged();
    QString page;
    for (const auto& [at, name] : anchorAt_) {
        if (at > position)
            break;
        if (parts_.partOf(name) >= 0)
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
    if (bar->value() >= bar->maximum() && !shownAnchor_.isEmpty() &&
        parts_.partOf(shownAnchor_) >= 0) {
        if (anchorsDirty_)
            anchorsChanged();
        int shownAt = -1;
        for (const auto& [at, name] : anchorAt_)
            if (name == shownAnchor_)
                shownAt = at;
        if (shownAt > top)
            page = shownAnchor_;
    }
    return page;
}

void PageView::setMarkedWord(const QString& word) {
    word_ = word;
    foldedWord_ = thai::foldWord(word);
    current_ = -1;
    refreshHits();
}

void PageView::refreshHits() {
    refresh_.stop();
    const int was = current_ >= 0 && current_ < int(hits_.size()) ? hits_[size_t(current_)].first : -1;
    hits_.clear();
    if (!foldedWord_.isEmpty() && !explanation_) {
        // Folded once for each change of the text, not for each key typed.
        if (foldedDirty_) {
            folded_ = thai::fold(document()->toRawText());
            foldedDirty_ = false;
        }
        hits_ = thai::findAll(folded_, foldedWord_);
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
