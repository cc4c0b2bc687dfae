// The search of the canon's text over the full shape (91 volumes, about 500 MB, and one
// page file of 64 MB): the whole scan against grep and ripgrep over the same files in the
// same run, taking turns; the same search with the topics of a 100,000-topic table beside its
// results, as the window has them; the command line's whole process; the first result; a stop
// in the middle of the large file; and the memory the scan takes.
#include "bench_util.h"
#include "canon/engine.h"
#include "canon/result_model.h"
#include "corpus/store.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

namespace {

long statusKb(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key)));
    return 0;
}

struct Run {
    double firstMs = -1, totalMs = 0;
    canon::Summary summary;
    long pagesWithTopics = 0;
};

// With a topic table, the results go into the window's model with the topics beside them:
// where the topics are read as the search starts, each page's looked up as its volume comes,
// and the titles of the first screen of pages with topics read at the end.
Run search(const QString& folder, const QString& word, int firstVolume = 1, int lastVolume = 91,
           std::shared_ptr<corpus::LoadedCorpus> table = nullptr) {
    Run r;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    const auto start = std::chrono::steady_clock::now();
    std::optional<canon::ResultModel> model;
    // As the window reads them: on a thread of their own while the scan goes on, the
    // volumes that come before waiting for them.
    bool topicsReady = !table;
    std::vector<canon::VolumeHits> waiting;
    std::thread places;
    if (table) {
        model.emplace();
        places = std::thread([&] {
            auto topics = std::make_shared<canon::PageTopics>(canon::PageTopics::read(table, firstVolume, lastVolume));
            std::lock_guard<std::mutex> l(m);
            model->setTopics(std::move(topics));
            topicsReady = true;
            for (canon::VolumeHits& v : waiting)
                model->addVolume(std::move(v));
            waiting.clear();
        });
    }
    canon::Search::Callbacks cb;
    cb.volume = [&](canon::VolumeHits v) {
        std::lock_guard<std::mutex> l(m);
        if (r.firstMs < 0 && !v.pages.empty())
            r.firstMs = bench::ms(std::chrono::steady_clock::now() - start);
        if (model && !topicsReady)
            waiting.push_back(std::move(v));
        else if (model)
            model->addVolume(std::move(v)); // one volume at a time, as the window's thread takes them
    };
    cb.finished = [&](canon::Summary s) {
        std::lock_guard<std::mutex> l(m);
        r.summary = s;
        done = true;
        cv.notify_all();
    };
    canon::Query q;
    q.word = word;
    q.firstVolume = firstVolume;
    q.lastVolume = lastVolume;
    q.linesLater = true; // as the search window asks: lines are made for the rows shown
    canon::Search s(folder, q, cb);
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return done; });
    }
    s.wait();
    if (places.joinable())
        places.join();
    if (model) {
        int shown = 0;
        for (int v = 0; v < model->rowCount() && shown < 40; ++v) {
            const QModelIndex volume = model->index(v, 0);
            for (int p = 0; p < model->rowCount(volume) && shown < 40; ++p) {
                const QModelIndex page = model->index(p, 0, volume);
                for (int t = 0; t < model->rowCount(page); ++t, ++shown)
                    (void)model->index(t, 1, page).data();
            }
        }
        r.pagesWithTopics = model->pagesWithTopics();
    }
    r.totalMs = bench::ms(std::chrono::steady_clock::now() - start);
    return r;
}

// A whole process, its output read as ours is kept (a tool writing to /dev/null may stop at
// once).
double processMs(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    p.setProcessEnvironment(env);
    const auto a = std::chrono::steady_clock::now();
    p.start(program, args);
    p.waitForFinished(-1);
    (void)p.readAllStandardOutput();
    return bench::ms(std::chrono::steady_clock::now() - a);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/canon";
    const QString word = QStringLiteral("ธรรม"); // a common two-syllable word
    if (app.arguments().contains("--memory")) {
        // In a process of its own: the peak of a whole scan above what it held before.
        const long before = statusKb("VmRSS:");
        search(folder, word);
        bench::figure("canon_search.peak_rss_growth_mb", (statusKb("VmHWM:") - before) / 1024.0,
                      "MB");
        return 0;
    }
    QTemporaryDir tmp;
    const QString patternFile = tmp.path() + "/word";
    {
        QFile f(patternFile);
        f.open(QIODevice::WriteOnly);
        f.write("\xB8\xC3\xC3\xC1"); // the word in windows-874: an argument would go as UTF-8
    }
    const QString books = folder + "/91book";
    auto grep = [&] { return processMs("grep", {"-rcF", "-f", patternFile, books}); };
    // ripgrep counting the word's raw bytes, on every core.
    auto rg = [&] {
        return processMs("rg", {"-c", "--no-unicode", "-uuu", "-a", "-e", "(?-u)\\xB8\\xC3\\xC3\\xC1", books});
    };
    const QString tool = QCoreApplication::applicationDirPath() + "/velkaro-search";
    auto cli = [&] { return processMs(tool, {word, folder}); };
    // The topic table as the main window has it loaded.
    corpus::CorpusStore store;
    std::string error;
    const std::shared_ptr<corpus::LoadedCorpus> table =
        store.open((folder + "/velkaro.mdb").toStdString(), &error);
    if (!table)
        std::fprintf(stderr, "bench-canon: no topic table (%s): no figure with topics\n", error.c_str());
    // Warm the file cache, then take turns.
    search(folder, word);
    grep();
    rg();
    std::vector<double> ours, greps, rgs, clis, first, vsGrep, vsRg, cliVsGrep, withTopics;
    Run last, lastWithTopics;
    for (int i = 0; i < 5; ++i) {
        last = search(folder, word);
        const double g = grep(), r = rg(), c = cli();
        if (table) {
            lastWithTopics = search(folder, word, 1, 91, table);
            withTopics.push_back(lastWithTopics.totalMs);
        }
        ours.push_back(last.totalMs);
        first.push_back(last.firstMs);
        greps.push_back(g);
        rgs.push_back(r);
        clis.push_back(c);
        vsGrep.push_back(last.totalMs / g);
        vsRg.push_back(last.totalMs / r);
        cliVsGrep.push_back(c / g);
    }
    bench::figure("canon_search.bytes", double(last.summary.bytes), "bytes");
    bench::figure("canon_search.hits", double(last.summary.hits), "hits");
    bench::figure("canon_search.full_ms", median(ours), "ms");
    if (table) {
        bench::figure("canon_search.full_with_topics_ms", median(withTopics), "ms");
        bench::figure("canon_search.pages_with_topics", double(lastWithTopics.pagesWithTopics), "pages");
    }
    bench::figure("canon_search.grep_ms", median(greps), "ms");
    bench::figure("canon_search.rg_ms", median(rgs), "ms");
    bench::figure("canon_search.cli_ms", median(clis), "ms");
    bench::figure("canon_search.vs_grep_ratio", median(vsGrep), "x");
    bench::figure("canon_search.cli_vs_grep_ratio", median(cliVsGrep), "x");
    bench::figure("canon_search.vs_rg_raw_ratio", median(vsRg), "x");
    bench::figure("canon_search.first_result_ms", median(first), "ms");
    // A stop while a thread is in the middle of the 64 MB file (volume 91's last): until
    // every thread has ended.
    std::vector<double> cancels;
    for (int i = 0; i < 5; ++i) {
        canon::Query q;
        q.word = word;
        q.firstVolume = q.lastVolume = 91;
        std::atomic<int> files{0};
        canon::Search::Callbacks cb;
        cb.progress = [&](qint64, qint64) { ++files; };
        canon::Search s(folder, q, cb);
        while (files < 14) // the small ones done: the large one is being read
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto a = std::chrono::steady_clock::now();
        s.cancel();
        cancels.push_back(bench::ms(std::chrono::steady_clock::now() - a));
    }
    bench::figure("canon_search.cancel_in_large_file_ms", median(cancels), "ms");
    QProcess memory;
    memory.setProcessChannelMode(QProcess::ForwardedChannels);
    memory.start(app.applicationFilePath(), {app.arguments().value(1), "--memory"});
    memory.waitForFinished(-1);
    return 0;
}
