#include "reader/page_view.h"

#include "reader/thai_codec.h"
#include "toolkit/fonts.h"
#include "toolkit/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocument>

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
        out += QStringLiteral("face=\"") + tk::thaiFamily(first) + QStringLiteral(", ") + m.captured(2) +
               QStringLiteral("\"");
        last = m.capturedEnd();
    }
    out += QStringView(html).mid(last);
    return out;
}

PageView::PageView(QString programFolder, QWidget* parent)
    : QTextBrowser(parent), root_(QDir(programFolder).canonicalPath()) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    QFont f = tk::thaiFont(QStringLiteral("Angsana New"), 16);
    document()->setDefaultFont(f);
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::openLink);
}

void PageView::showExplanation(const QString& what, const QString& location) {
    explanation_ = true;
    shownFile_.clear();
    shownAnchor_.clear();
    setHtml(QStringLiteral("<html><body><h3>") + what.toHtmlEscaped() +
            QStringLiteral("</h3><p>ตำแหน่งที่ขอเปิด:</p><p><tt>") + location.toHtmlEscaped() +
            QStringLiteral("</tt></p><p>กรุณาตรวจสอบว่าโฟลเดอร์ข้อมูลพระไตรปิฎกครบถ้วน</p></body></html>"));
}

void PageView::navigate(const QString& location) {
    QString path, anchor;
    tk::splitAnchor(location, path, anchor);
    const QString file = tk::resolvePath(path);
    const QFileInfo fi(file);
    const QString canon = fi.canonicalFilePath();
    if (!fi.isFile() || canon.isEmpty()) {
        showExplanation(QStringLiteral("ไม่พบไฟล์หน้าพระไตรปิฎกที่ต้องการ"), location);
        return;
    }
    if (!root_.isEmpty() && !canon.startsWith(root_ + QLatin1Char('/'))) {
        showExplanation(QStringLiteral("ไฟล์นี้อยู่นอกโฟลเดอร์ของโปรแกรม จึงไม่เปิดให้"), location);
        return;
    }
    QFile f(canon);
    if (!f.open(QIODevice::ReadOnly)) {
        showExplanation(QStringLiteral("ไม่สามารถอ่านไฟล์หน้าพระไตรปิฎกได้"), location);
        return;
    }
    const QString html = mapFontFaces(decodePage(f.readAll()));
    explanation_ = false;
    shownFile_ = canon;
    shownAnchor_ = anchor;
    document()->setBaseUrl(QUrl::fromLocalFile(canon));
    setHtml(html);
    if (anchor.isEmpty()) return;
    // An anchor the page does not have: say so above the page rather than show its top silently.
    static const QRegularExpression tagged(QStringLiteral("<a\\s[^>]*name\\s*=\\s*[\"']?%1[\"'\\s>]"));
    const QRegularExpression has(tagged.pattern().arg(QRegularExpression::escape(anchor)),
                                 QRegularExpression::CaseInsensitiveOption);
    if (!has.match(html).hasMatch()) {
        QTextCursor c(document());
        c.movePosition(QTextCursor::Start);
        c.insertHtml(QStringLiteral("<p style=\"color:#a00000\"><b>ไม่พบหน้าที่ ") + anchor.toHtmlEscaped() +
                     QStringLiteral(" ในไฟล์นี้</b> (") + location.toHtmlEscaped() + QStringLiteral(")</p>"));
        return;
    }
    scrollToAnchor(anchor);
}

QVariant PageView::loadResource(int type, const QUrl& name) {
    // Only files under the program folder; nothing from the network.
    if (!name.isLocalFile() && !name.isRelative()) return {};
    const QUrl url = name.isRelative() ? document()->baseUrl().resolved(name) : name;
    const QString canon = QFileInfo(url.toLocalFile()).canonicalFilePath();
    if (canon.isEmpty() || (!root_.isEmpty() && !canon.startsWith(root_ + QLatin1Char('/')))) return {};
    return QTextBrowser::loadResource(type, QUrl::fromLocalFile(canon));
}

void PageView::openLink(const QUrl& url) {
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        scrollToAnchor(url.fragment());
        return;
    }
    const QUrl abs = url.isRelative() ? document()->baseUrl().resolved(url) : url;
    if (!abs.isLocalFile()) return; // the web is not followed
    QString location = abs.toLocalFile();
    if (abs.hasFragment()) location += QLatin1Char('#') + abs.fragment();
    navigate(location);
}

} // namespace reader
