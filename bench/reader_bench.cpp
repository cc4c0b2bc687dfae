// Opening the reader on the last printed page of a full-size page-range file, against a
// plain QTextBrowser::setSource of the same location.
#include "bench_util.h"
#include "reader/frm_browser.h"
#include "reader/navigator.h"
#include "reader/page_view.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QDir>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextCursor>
#include <sys/resource.h>

namespace {

// Page files of shapes no editor should make: opening shows the first part at once, and
// every later step of laying out stays within about a frame.
void oddShapes() {
    QTemporaryDir dir;
    QString tables = "<a name=\"0\"></a>", divs, paragraph, rows = "<table border=1>";
    for (int i = 0; i < 3000; ++i)
        tables += QStringLiteral("<table><tr><td>ตาราง %1 ").arg(i);
    for (int i = 0; i < 20000; ++i)
        divs += "<div>";
    divs += "ลึก";
    while (paragraph.size() < 5'000'000)
        paragraph += QStringLiteral("พระพุทธเจ้าทรงแสดงธรรม ");
    for (int r = 0; r < 20000; ++r)
        rows += QStringLiteral("<tr><td>แถว %1</td><td>ธรรม</td></tr>").arg(r);
    const std::vector<std::pair<const char*, QString>> shapes = {
        {"nested_tables", tables}, {"nested_blocks", divs}, {"paragraph_5mb", paragraph},
        {"table_20k_rows", rows + "</table>"}};
    for (const auto& [name, html] : shapes) {
        QFile f(dir.path() + "/page.htm");
        f.open(QIODevice::WriteOnly);
        f.write(html.toUtf8());
        f.close();
        reader::PageView view(dir.path());
        view.resize(650, 700);
        view.show();
        const auto a = std::chrono::steady_clock::now();
        view.navigate(dir.path() + "/page.htm");
        view.viewport()->repaint();
        const double open = bench::ms(std::chrono::steady_clock::now() - a);
        double worst = 0;
        int steps = 0;
        while (view.loading()) {
            const auto s = std::chrono::steady_clock::now();
            view.loadStep();
            view.viewport()->repaint();
            QApplication::processEvents(); // the layout's own idle work counts too
            worst = std::max(worst, bench::ms(std::chrono::steady_clock::now() - s));
            ++steps;
        }
        bench::figure((std::string("reader.odd_") + name + "_open_ms").c_str(), open, "ms");
        bench::figure((std::string("reader.odd_") + name + "_max_step_ms").c_str(), worst, "ms");
        bench::figure((std::string("reader.odd_") + name + "_steps").c_str(), steps, "steps");
    }
}

} // namespace

// Find, page moves and zoom on the completed full-size file; the peak memory of it all.
void readerTools(tk::Platform& platform, reader::HandOff& h, reader::ReaderSession& session,
                 const QString& folder) {
    h.ReaderTarget = folder + "\\91book\\book01\\001_050.htm#50";
    reader::frmBrowser b(platform, h, session);
    b.Form_Load();
    b.show();
    b.brwWebBrowser->finishLoading();
    b.brwWebBrowser->viewport()->repaint();
    reader::PageView& view = *b.brwWebBrowser;
    const QString word = QStringLiteral("ธรรม");
    const double find = bench::medianMs(7, [&] {
        view.setMarkedWord(word);
        view.viewport()->repaint();
    }, [&] {
        view.setMarkedWord(QString());
        view.document()->setModified(false);
    });
    bench::figure("reader.find_hits", view.hitCount(), "hits");
    bench::figure("reader.find_all_hits_ms", find, "ms");
    // Folding the text again after it changed, as when the last part has just arrived.
    const double refind = bench::medianMs(5, [&] {
        QTextCursor c(view.document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral(" "));
        view.setMarkedWord(word);
        view.viewport()->repaint();
    });
    bench::figure("reader.find_all_hits_after_change_ms", refind, "ms");
    view.setMarkedWord(QString());
    // From the last page of one file to the first of the next, painted: a volume whose two
    // first files are full size.
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + "/91book/book01");
        QFile full(folder + "/91book/book01/001_050.htm");
        full.open(QIODevice::ReadOnly);
        const QByteArray first = full.readAll();
        QString second = QString::fromLatin1(first);
        static const QRegularExpression anchor("name=\"([0-9]+)\"");
        QString shifted;
        qsizetype last = 0;
        for (auto it = anchor.globalMatch(second); it.hasNext();) {
            const auto m = it.next();
            shifted += second.mid(last, m.capturedStart() - last) +
                       QStringLiteral("name=\"%1\"").arg(m.captured(1).toInt() + 50);
            last = m.capturedEnd();
        }
        shifted += second.mid(last);
        for (const auto& [name, bytes] :
             {std::pair{"001_050.htm", first}, std::pair{"051_100.htm", shifted.toLatin1()}}) {
            QFile f(dir.path() + "/91book/book01/" + name);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
        }
        tk::ScriptedPlatform two(dir.path());
        reader::HandOff at50;
        at50.ReaderTarget = dir.path() + "\\91book\\book01\\001_050.htm#50";
        reader::frmBrowser w(two, at50, session);
        w.Form_Load();
        w.show();
        const double across = bench::medianMs(5, [&] {
            w.navigator->nextPage();
            w.brwWebBrowser->viewport()->repaint();
        }, [&] { w.navigator->goTo(1, 50); });
        bench::figure("reader.next_page_across_file_ms", across, "ms");
        bench::figure("reader.next_page_reached", w.brwWebBrowser->currentPage().toDouble(), "page");
    }
    b.navigator->goTo(1, 25);
    view.finishLoading();
    int z = 100;
    const double zoom = bench::medianMs(7, [&] {
        z = z == 100 ? 110 : 100;
        view.setZoomPercent(z);
        view.viewport()->repaint();
    });
    bench::figure("reader.zoom_step_ms", zoom, "ms");
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    bench::figure("reader.peak_rss_mb", u.ru_maxrss / 1024.0, "MB");
}

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/large";
    const QString file = folder + "/91book/book01/001_050.htm";
    bench::figure("reader.page_file_kb", QFileInfo(file).size() / 1024.0, "KB");
    tk::ScriptedPlatform platform(folder);
    reader::HandOff h;
    reader::ReaderSession session;
    // First, so that the peak memory is that of opening, completing and finding.
    readerTools(platform, h, session, folder);
    h.ReaderTarget = folder + "\\91book\\book01\\001_050.htm#50";
    h.ReaderTarget = folder + "\\91book\\book01\\001_050.htm#50";
    h.ReaderVolume = QStringLiteral("1");
    h.ReaderPage = QStringLiteral("50");
    const double ours = bench::medianMs(7, [&] {
        reader::frmBrowser b(platform, h, session);
        b.Form_Load();
        b.show();
        b.brwWebBrowser->viewport()->repaint();
    });
    const double plain = bench::medianMs(7, [&] {
        QTextBrowser b;
        b.resize(650, 700);
        QUrl url = QUrl::fromLocalFile(file);
        url.setFragment("50");
        b.setSource(url);
        b.show();
        b.viewport()->repaint();
    });
    const double complete = bench::medianMs(5, [&] {
        reader::frmBrowser b(platform, h, session);
        b.Form_Load();
        b.show();
        b.brwWebBrowser->finishLoading();
        b.brwWebBrowser->viewport()->repaint();
    });
    bench::figure("reader.open_last_page_ms", ours, "ms");
    bench::figure("reader.complete_file_in_background_ms", complete, "ms");
    bench::figure("reader.plain_setsource_last_page_ms", plain, "ms");
    bench::figure("reader.open_vs_plain_ratio", ours / plain, "x");
    oddShapes();
    return 0;
}
