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
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::openLink);
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
    parts_ = shapePage(html);
    explanation_ = false;
    shownFile_ = file;
    shownAnchor_ = anchor;
    document()->setBaseUrl(QUrl::fromLocalFile(file));
    document()->setDefaultStyleSheet(parts_.styleSheet);
    const long asked = anchor.isEmpty() ? 0 : parts_.partOf(anchor);
    if (!parts_.reshaped && html.size() < kProgressiveFrom) {
        // A page of ordinary size and shape lays out at once.
        parts_ = PageParts{};
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
    if (anchor.isEmpty())
        return;
    if (asked < 0) {
        // An anchor the page does not have: say so above the page rather than show its top
        // silently.
        QTextCursor c(document());
        c.movePosition(QTextCursor::Start);
        c.insertHtml(QStringLiteral("<p style=\"color:#a00000\"><b>ไม่พบหน้าที่ ") +
                     anchor.toHtmlEscaped() + QStringLiteral(" ในไฟล์นี้</b> (") +
                     location.toHtmlEscaped() + QStringLiteral(")</p>"));
        return;
    }
    scrollToAnchor(anchor);
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
        loadThrough(url.fragment()); // the page it names may not have arrived yet
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
