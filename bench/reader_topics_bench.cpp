// The topics of the page read, on the 100,000-topic table: a page's lookup, a file's
// reading, and a wheel step through a full-size file with the topics panel open.
#include "bench_util.h"
#include "corpus/store.h"
#include "corpus/topic_queries.h"
#include "reader/frm_browser.h"
#include "reader/page_view.h"
#include "reader/topics_panel.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <random>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/large";
    corpus::CorpusStore store;
    std::string error;
    const auto table = store.open((folder + "/velkaro.mdb").toStdString(), &error);
    if (!table) {
        std::fprintf(stderr, "bench-reader-topics: %s\n", error.c_str());
        return 1;
    }
    const auto all = corpus::topicPlaces(table->db(), 1, 91);
    bench::figure("reader.topics_in_table", double(all.value.size()), "topics");

    // A page's topics, for pages spread over the canon (most with topics, some without).
    std::mt19937 random(7);
    std::vector<std::pair<int, int>> pages;
    for (int k = 0; k < 400; ++k)
        pages.emplace_back(1 + int(random() % 86), int(random() % 1551));
    size_t k = 0, found = 0;
    const double lookup = bench::medianMs(400, [&] {
        const auto [v, p] = pages[k++ % pages.size()];
        found += corpus::topicsAtPage(table->db(), v, p).value->size();
    });
    bench::figure("reader.topics_on_page_ms", lookup, "ms");

    tk::ScriptedPlatform platform(folder);
    reader::ReaderSession session;
    session.topicTable = [&] { return table; };
    reader::HandOff h;
    h.ReaderTarget = folder + "\\91book\\book01\\001_050.htm#1";
    h.ReaderVolume = QStringLiteral("1");
    h.ReaderPage = QStringLiteral("1");
    reader::frmBrowser b(platform, h, session);
    b.Form_Load();
    b.show();
    b.brwWebBrowser->finishLoading();
    QApplication::processEvents();
    // The topics of a whole file, as each file opened reads them.
    reader::PageTopics fileTopics;
    const double file = bench::medianMs(9, [&] {
        fileTopics.read(table, 1, b.brwWebBrowser->pageAnchors());
    });
    bench::figure("reader.topics_of_file_ms", file, "ms");
    bench::figure("reader.topics_of_file_count", double(b.pageTopics().pages().size()), "pages");

    b.openTopics();
    QApplication::processEvents();
    QWidget* vp = b.brwWebBrowser->viewport();
    const QPointF at(vp->width() / 2.0, vp->height() / 2.0);
    std::vector<double> steps;
    int pagesPassed = 0;
    QString was = b.brwWebBrowser->currentPage();
    for (int i = 0; i < 300 && b.brwWebBrowser->verticalScrollBar()->value() <
                                   b.brwWebBrowser->verticalScrollBar()->maximum(); ++i) {
        const auto a = std::chrono::steady_clock::now();
        QWheelEvent e(at, vp->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
        QApplication::processEvents(); // the page followed: title, chip, panel
        vp->repaint();
        b.topicsPanel->repaint();
        steps.push_back(bench::ms(std::chrono::steady_clock::now() - a));
        if (b.brwWebBrowser->currentPage() != was) {
            was = b.brwWebBrowser->currentPage();
            ++pagesPassed;
        }
    }
    std::sort(steps.begin(), steps.end());
    bench::figure("reader.scroll_step_ms", steps[steps.size() / 2], "ms");
    bench::figure("reader.scroll_step_p95_ms", steps[steps.size() * 95 / 100], "ms");
    bench::figure("reader.scroll_step_max_ms", steps.back(), "ms");
    bench::figure("reader.scroll_pages_passed", pagesPassed, "pages");
    return found > 0 ? 0 : 1;
}
