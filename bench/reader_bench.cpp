// Opening the reader on the last printed page of a full-size page-range file, against a
// plain QTextBrowser::setSource of the same location.
#include "bench_util.h"
#include "reader/frm_browser.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QTextBrowser>

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

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/large";
    const QString file = folder + "/91book/book01/001_050.htm";
    bench::figure("reader.page_file_kb", QFileInfo(file).size() / 1024.0, "KB");
    tk::ScriptedPlatform platform(folder);
    reader::HandOff h;
    reader::ReaderSession session;
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
