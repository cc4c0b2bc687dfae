// The search of the canon's text over the full shape (91 volumes, about 500 MB): the whole
// scan against grep over the same files in the same run, the first result, a cancel, and
// the memory the scan takes.
#include "bench_util.h"
#include "canon/engine.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
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
};

Run search(const QString& folder, const QString& word) {
    Run r;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    const auto start = std::chrono::steady_clock::now();
    canon::Search::Callbacks cb;
    cb.volume = [&](canon::VolumeHits v) {
        std::lock_guard<std::mutex> l(m);
        if (r.firstMs < 0 && !v.pages.empty())
            r.firstMs = bench::ms(std::chrono::steady_clock::now() - start);
    };
    cb.finished = [&](canon::Summary s) {
        std::lock_guard<std::mutex> l(m);
        r.summary = s;
        done = true;
        cv.notify_all();
    };
    canon::Query q;
    q.word = word;
    canon::Search s(folder, q, cb);
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return done; });
    }
    s.wait();
    r.totalMs = bench::ms(std::chrono::steady_clock::now() - start);
    return r;
}

double grepMs(const QString& folder, const QString& patternFile) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    p.setProcessEnvironment(env);
    const auto a = std::chrono::steady_clock::now();
    // The word's windows-874 bytes come from a file: an argument would go out as UTF-8. Its
    // counts are read, as ours are kept: grep stops at once when it writes to /dev/null.
    p.start("grep", {"-rcF", "-f", patternFile, folder + "/91book"});
    p.waitForFinished(-1);
    const double t = bench::ms(std::chrono::steady_clock::now() - a);
    (void)p.readAllStandardOutput();
    return t;
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
        f.write("\xB8\xC3\xC3\xC1"); // the word in windows-874
    }
    const QString& word874 = patternFile;
    // Warm the file cache, then alternate ours and grep's.
    search(folder, word);
    grepMs(folder, word874);
    std::vector<double> ours, theirs, first;
    Run last;
    for (int i = 0; i < 3; ++i) {
        last = search(folder, word);
        ours.push_back(last.totalMs);
        first.push_back(last.firstMs);
        theirs.push_back(grepMs(folder, word874));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    std::sort(first.begin(), first.end());
    bench::figure("canon_search.bytes", double(last.summary.bytes), "bytes");
    bench::figure("canon_search.hits", double(last.summary.hits), "hits");
    bench::figure("canon_search.full_ms", ours[1], "ms");
    bench::figure("canon_search.grep_ms", theirs[1], "ms");
    bench::figure("canon_search.vs_grep_ratio", ours[1] / theirs[1], "x");
    bench::figure("canon_search.first_result_ms", first[1], "ms");
    // A cancel in the middle of the scan: until every thread has ended.
    std::vector<double> cancels;
    for (int i = 0; i < 5; ++i) {
        std::atomic<qint64> seen{0};
        canon::Search::Callbacks cb;
        cb.progress = [&](qint64 done, qint64) { seen = done; };
        canon::Query q;
        q.word = word;
        canon::Search s(folder, q, cb);
        while (seen < 100ll << 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto a = std::chrono::steady_clock::now();
        s.cancel();
        cancels.push_back(bench::ms(std::chrono::steady_clock::now() - a));
    }
    std::sort(cancels.begin(), cancels.end());
    bench::figure("canon_search.cancel_ms", cancels[2], "ms");
    QProcess memory;
    memory.setProcessChannelMode(QProcess::ForwardedChannels);
    memory.start(app.applicationFilePath(), {app.arguments().value(1), "--memory"});
    memory.waitForFinished(-1);
    return 0;
}
