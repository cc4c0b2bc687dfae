// Opening the reader on the last printed page of a full-size page-range file, against a
// plain QTextBrowser::setSource of the same location.
#include "bench_util.h"
#include "reader/frm_browser.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBrowser>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/large";
    const QString file = folder + "/91book/book01/001_050.htm";
    bench::figure("reader.page_file_kb", QFileInfo(file).size() / 1024.0, "KB");
    tk::ScriptedPlatform platform(folder);
    reader::HandOff h;
    h.ReaderTarget = folder + "\\91book\\book01\\001_050.htm#50";
    h.ReaderVolume = QStringLiteral("1");
    h.ReaderPage = QStringLiteral("50");
    const double ours = bench::medianMs(7, [&] {
        reader::frmBrowser b(platform, h);
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
        reader::frmBrowser b(platform, h);
        b.Form_Load();
        b.show();
        b.brwWebBrowser->finishLoading();
        b.brwWebBrowser->viewport()->repaint();
    });
    bench::figure("reader.open_last_page_ms", ours, "ms");
    bench::figure("reader.complete_file_in_background_ms", complete, "ms");
    bench::figure("reader.plain_setsource_last_page_ms", plain, "ms");
    bench::figure("reader.open_vs_plain_ratio", ours / plain, "x");
    return 0;
}
