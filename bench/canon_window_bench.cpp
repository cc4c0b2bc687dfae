// The canon search's window during a search of one letter over the canon-size sample (its
// results run to some hundred thousand pages): how long the whole search takes, and the
// longest the window's event loop went without turning, that is, without answering; then the
// same with the folder's topic table beside the results, and with one whose topics stand on
// nearly every page, and the check box that keeps only the pages with topics turned on and off
// over them.
#include "bench_util.h"
#include "canon/search_window.h"
#include "corpus/store.h"
#include "sample_corpus.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QTimer>

namespace {

struct Round {
    double total = 0, stall = 0, toggle = 0;
    long pages = 0, withTopics = 0;
};

// One search of the letter in a fresh window; with topics, the check box turned on and off
// after it, by the longest of the two, until the list is painted again.
Round searchOnce(tk::Platform& platform, reader::ReaderSession& session, bool toggle) {
    Round r;
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
    r.total = clock.nsecsElapsed() / 1e6;
    // Painting the list as it stands at the end: its first rows' lines are made now.
    const qint64 before = clock.nsecsElapsed();
    w.repaint();
    longest = std::max(longest, (clock.nsecsElapsed() - before) / 1e6);
    tick.stop();
    r.stall = longest;
    r.pages = w.model().pageRows();
    r.withTopics = w.model().pagesWithTopics();
    if (toggle)
        for (bool on : {true, false}) {
            const qint64 from = clock.nsecsElapsed();
            w.onlyWithTopics->setChecked(on);
            QApplication::processEvents();
            w.repaint();
            r.toggle = std::max(r.toggle, (clock.nsecsElapsed() - from) / 1e6);
        }
    return r;
}

double middle(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Rounds with a topic table beside the results, and the check box turned on and off.
void withTopics(tk::ScriptedPlatform& platform, std::shared_ptr<corpus::LoadedCorpus> table,
                const std::string& name, int rounds) {
    reader::ReaderSession session;
    session.topicTable = [table] { return table; };
    std::vector<double> totals, stalls, toggles;
    long pages = 0;
    for (int round = 0; round < rounds; ++round) {
        const Round r = searchOnce(platform, session, true);
        totals.push_back(r.total);
        stalls.push_back(r.stall);
        toggles.push_back(r.toggle);
        pages = r.withTopics;
    }
    const auto figure = [&](const std::string& what, double value, const char* unit) {
        bench::figure(("canon_search." + what).c_str(), value, unit);
    };
    figure("one_letter_" + name + "_pages", double(pages), "pages");
    figure("one_letter_" + name + "_ms", middle(totals), "ms");
    figure("ui_stall_" + name + "_max_ms", middle(stalls), "ms");
    figure("topic_filter_toggle_" + name + "_ms", middle(toggles), "ms");
}

// 100,000 topics over the pages of every volume, a third of them marked, written to the folder
// and loaded.
std::shared_ptr<corpus::LoadedCorpus> spreadTopics(const QString& folder, corpus::CorpusStore& store) {
    std::vector<sample::Topic> topics(100000);
    for (int i = 0; i < int(topics.size()); ++i) {
        sample::Topic& t = topics[size_t(i)];
        t.group = QStringLiteral("หมวดทดลอง");
        t.code = 1 + i % 50;
        t.category = QStringLiteral("พระสุตตันตปิฎก");
        t.title = QStringLiteral("หัวข้อธรรมทดลองที่ %1").arg(i);
        t.no = i;
        t.mark = i % 3 == 0 ? QStringLiteral("TRUE") : QString();
        t.book = 1 + i % 91;
        t.page = (i * 7) % 701;
        t.line = 1;
        t.blue = QStringLiteral("เล่มที่ %1 หน้า %2").arg(t.book).arg(t.page);
        t.red = QStringLiteral("ล.%1").arg(t.book);
    }
    const jet4::Table t = sample::topicTable(topics);
    jet4::Options o;
    o.password = u"harbelune27kest";
    const std::string bytes = jet4::writeDatabase(t, o);
    QFile f(folder + "/velkaro.mdb");
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        return nullptr;
    f.close();
    std::string error;
    auto table = store.open((folder + "/velkaro.mdb").toStdString(), &error);
    if (!table)
        std::fprintf(stderr, "bench-canon-window: the spread table: %s\n", error.c_str());
    return table;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/canon";
    tk::ScriptedPlatform platform(folder);
    reader::ReaderSession session;
    std::vector<double> totals, stalls;
    for (int round = 0; round < 3; ++round) {
        const Round r = searchOnce(platform, session, false);
        totals.push_back(r.total);
        stalls.push_back(r.stall);
        if (round == 0)
            bench::figure("canon_search.one_letter_pages", double(r.pages), "pages");
    }
    bench::figure("canon_search.one_letter_ms", middle(totals), "ms");
    bench::figure("canon_search.ui_stall_max_ms", middle(stalls), "ms");
    // The same with the folder's topic table loaded, as the main window hands it over; then
    // with a table whose topics stand on nearly every page, as a real index spreads them (the
    // sample's crowd onto a few thousand pages).
    corpus::CorpusStore store;
    std::string error;
    const std::shared_ptr<corpus::LoadedCorpus> table =
        store.open((folder + "/velkaro.mdb").toStdString(), &error);
    if (!table) {
        std::fprintf(stderr, "bench-canon-window: no topic table (%s)\n", error.c_str());
        return 0;
    }
    withTopics(platform, table, "with_topics", 3);
    QTemporaryDir spread;
    QFile::link(folder + "/91book", spread.path() + "/91book");
    tk::ScriptedPlatform spreadPlatform(spread.path());
    const std::shared_ptr<corpus::LoadedCorpus> spreadTable = spreadTopics(spread.path(), store);
    if (spreadTable)
        withTopics(spreadPlatform, spreadTable, "spread_topics", 2);
    return 0;
}
