#include "reader/page_view.h"

#include "reader/thai_codec.h"
#include "toolkit/fonts.h"
#include "toolkit/paths.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextFrame>
#include <algorithm>

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

struct SplitPage {
    QString head;               // everything before the first page anchor
    QString context;            // the tags of the head still open at that point
    std::vector<QString> names; // anchor names of the pages
    std::vector<QString> pages; // each page from its anchor to the next
};

// Cuts a page-range file at its page anchors.
SplitPage splitPages(const QString& html) {
    SplitPage s;
    static const QRegularExpression anchor(
        QStringLiteral("<a\\s[^>]*name\\s*=\\s*[\"']?([^\"'\\s>]+)[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<std::pair<qsizetype, QString>> at;
    auto it = anchor.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        at.emplace_back(m.capturedStart(), m.captured(1));
    }
    if (at.empty())
        return s;
    s.head = html.left(at.front().first);
    for (size_t i = 0; i < at.size(); ++i) {
        const qsizetype end = i + 1 < at.size() ? at[i + 1].first : html.size();
        s.names.push_back(at[i].second);
        s.pages.push_back(html.mid(at[i].first, end - at[i].first));
    }
    // Opening tags after <body> that are still open where the pages begin.
    static const QRegularExpression body(QStringLiteral("<body[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto b = body.match(s.head);
    const qsizetype from = b.hasMatch() ? b.capturedEnd() : 0;
    static const QRegularExpression tag(
        QStringLiteral("<(/?)(font|div|span|b|i|u|center|blockquote)(\\s[^>]*)?>"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<std::pair<QString, QString>> open; // name, whole tag
    auto t = tag.globalMatch(s.head, from);
    while (t.hasNext()) {
        const auto m = t.next();
        const QString name = m.captured(2).toLower();
        if (m.captured(1).isEmpty()) {
            open.emplace_back(name, m.captured(0));
        } else {
            for (auto r = open.rbegin(); r != open.rend(); ++r)
                if (r->first == name) {
                    open.erase(std::next(r).base());
                    break;
                }
        }
    }
    for (const auto& o : open)
        s.context += o.second;
    return s;
}

} // namespace

PageView::PageView(QString programFolder, QWidget* parent)
    : QTextBrowser(parent), root_(std::move(programFolder)) {
    steps_.setInterval(0);
    connect(&steps_, &QTimer::timeout, this, &PageView::loadStep);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    QFont f = tk::thaiFont(QStringLiteral("Angsana New"), 16);
    document()->setDefaultFont(f);
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::openLink);
}

void PageView::showExplanation(const QString& what, const QString& location) {
    steps_.stop();
    after_.clear();
    before_.clear();
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
    const QString file = tk::resolvePath(root_, path);
    const QFileInfo fi(file);
    if (!fi.isFile()) {
        showExplanation(QStringLiteral("ไม่พบไฟล์หน้าพระไตรปิฎกที่ต้องการ"), location);
        return;
    }
    // Confined by the path as written under the program folder, not by where links point:
    // a volume folder may be a link to another disk.
    if (!root_.isEmpty() && !tk::insideFolder(root_, file)) {
        showExplanation(QStringLiteral("ไฟล์นี้อยู่นอกโฟลเดอร์ของโปรแกรม จึงไม่เปิดให้"), location);
        return;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        showExplanation(QStringLiteral("ไม่สามารถอ่านไฟล์หน้าพระไตรปิฎกได้"), location);
        return;
    }
    const QString html = mapFontFaces(decodePage(f.readAll()));
    steps_.stop();
    after_.clear();
    before_.clear();
    explanation_ = false;
    shownFile_ = file;
    shownAnchor_ = anchor;
    document()->setBaseUrl(QUrl::fromLocalFile(file));
    if (html.size() >= kProgressiveFrom) {
        // Laying out a long file up to its last page takes a noticeable moment: show the
        // asked-for page (and the next) now, and add the others page by page afterwards.
        SplitPage split = splitPages(html);
        const auto t = std::find(split.names.begin(), split.names.end(),
                                 anchor.isEmpty() ? split.names.front() : anchor);
        if (t != split.names.end() && split.pages.size() > 2) {
            const size_t i = size_t(t - split.names.begin());
            context_ = split.context;
            setHtml(split.head);
            firstPage_ = QTextCursor();
            appendPage(split.pages[i]);
            if (i + 1 < split.pages.size())
                appendPage(split.pages[i + 1]);
            for (size_t k = i + 2; k < split.pages.size(); ++k)
                after_.push_back(std::move(split.pages[k]));
            for (size_t k = i; k-- > 0;)
                before_.push_back(std::move(split.pages[k]));
            if (!anchor.isEmpty())
                scrollToAnchor(anchor);
            steps_.start();
            return;
        }
    }
    setHtml(html);
    if (anchor.isEmpty())
        return;
    // An anchor the page does not have: say so above the page rather than show its top silently.
    static const QRegularExpression tagged(
        QStringLiteral("<a\\s[^>]*name\\s*=\\s*[\"']?%1[\"'\\s>]"));
    const QRegularExpression has(tagged.pattern().arg(QRegularExpression::escape(anchor)),
                                 QRegularExpression::CaseInsensitiveOption);
    if (!has.match(html).hasMatch()) {
        QTextCursor c(document());
        c.movePosition(QTextCursor::Start);
        c.insertHtml(QStringLiteral("<p style=\"color:#a00000\"><b>ไม่พบหน้าที่ ") +
                     anchor.toHtmlEscaped() + QStringLiteral(" ในไฟล์นี้</b> (") +
                     location.toHtmlEscaped() + QStringLiteral(")</p>"));
        return;
    }
    scrollToAnchor(anchor);
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
    c.insertHtml(context_ + html);
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
    c.insertHtml(context_ + html);
    verticalScrollBar()->setValue(int(y()) + offset);
}

void PageView::loadStep() {
    if (!after_.empty()) {
        appendPage(after_.front());
        after_.pop_front();
    }
    if (!before_.empty()) {
        prependPage(before_.front());
        before_.pop_front();
    }
    if (!loading())
        steps_.stop();
}

void PageView::finishLoading() {
    while (loading())
        loadStep();
}

QVariant PageView::loadResource(int type, const QUrl& name) {
    // Only files under the program folder; nothing from the network.
    if (!name.isLocalFile() && !name.isRelative())
        return {};
    const QUrl url = name.isRelative() ? document()->baseUrl().resolved(name) : name;
    const QString path = url.toLocalFile();
    if (!root_.isEmpty() && !tk::insideFolder(root_, path))
        return {};
    return QTextBrowser::loadResource(type, QUrl::fromLocalFile(tk::resolvePath(root_, path)));
}

void PageView::openLink(const QUrl& url) {
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        finishLoading(); // the page it names may not have arrived yet
        scrollToAnchor(url.fragment());
        return;
    }
    const QUrl abs = url.isRelative() ? document()->baseUrl().resolved(url) : url;
    if (!abs.isLocalFile())
        return; // the web is not followed
    QString location = abs.toLocalFile();
    if (abs.hasFragment())
        location += QLatin1Char('#') + abs.fragment();
    navigate(location);
}

} // namespace reader
