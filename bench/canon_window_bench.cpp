// The canon search's window during a search of one letter over the canon-size sample (its
// results run to some hundred thousand pages): how long the whole search takes, and the
// longest the window's event loop went without turning, that is, without answering.
#include "bench_util.h"
#include "canon/search_window.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/canon";
    tk::ScriptedPlatform platform(folder);
    reader::ReaderSession session;
    std::vector<double> totals, stalls;
    for (int round = 0; round < 3; ++round) {
        canon::SearchWindow w(platform, session, QStringLiteral("ก"));
        w.resize(900, 700);
        w.show();
        QApplication::processEvents();
        // A timer that fires as often as the loop turns: the gaps between its firings.
        QElapsedTimer clock;
        double longest = 0;
        qint64 last = 0;
        QTimer tick;
        tick.setInterval(0);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, (now - last) / 1e6);
            last = now;
        });
        bool done = false;
        QObject::connect(&w, &canon::SearchWindow::searchFinished, [&] { done = true; });
        clock.start();
        tick.start();
        w.start();
        while (!done)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double total = clock.nsecsElapsed() / 1e6;
        // Painting the list as it stands at the end: its first rows' lines are made now.
        const qint64 before = clock.nsecsElapsed();
        w.repaint();
        longest = std::max(longest, (clock.nsecsElapsed() - before) / 1e6);
        tick.stop();
        totals.push_back(total);
        stalls.push_back(longest);
        if (round == 0)
            bench::figure("canon_search.one_letter_pages", double(w.model().pageRows()), "pages");
    }
    std::sort(totals.begin(), totals.end());
    std::sort(stalls.begin(), stalls.end());
    bench::figure("canon_search.one_letter_ms", totals[1], "ms");
    bench::figure("canon_search.ui_stall_max_ms", stalls[1], "ms");
    return 0;
}
