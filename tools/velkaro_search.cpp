// Searches a program folder from the command line, with the program's own engines.
//   velkaro-search [--all-words] [--volumes A-B] WORD [FOLDER]
//       one line per page with the word: volume, page, places and a snippet, tab-separated,
//       in volume and page order; the summary on stderr
//   velkaro-search --topics WORD [FOLDER]
//       the topics the search box finds, as velkaro-dump prints them
// Exit status: 0 with hits, 1 without, 2 on an error (one line on stderr).
#include "canon/engine.h"
#include "corpus/query.h"
#include "corpus/store.h"
#include "corpus/topic_queries.h"
#include "toolkit/paths.h"
#include "tsv.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

int fail(const QString& why) {
    std::fprintf(stderr, "velkaro-search: %s\n", qPrintable(why));
    return 2;
}

int listTopics(const QString& word, const QString& folder) {
    corpus::CorpusStore store;
    std::string error;
    const QString file = tk::resolvePath(folder, folder + QStringLiteral("\\velkaro.mdb"));
    auto loaded = store.open(file.toStdString(), &error);
    if (!loaded)
        return fail(QStringLiteral("cannot read %1/velkaro.mdb: %2").arg(folder, QString::fromStdString(error)));
    std::string why;
    auto st = corpus::prepareReading(loaded->db(), corpus::searchSql(),
                                     {corpus::searchPattern(word)}, &why);
    if (!st)
        return fail(QString::fromStdString(why));
    std::string out;
    tools::appendHeader(st->get(), out);
    long rows = 0;
    corpus::Statement::Step step;
    while ((step = st->step()) == corpus::Statement::Step::Row) {
        tools::appendRow(st->get(), out);
        ++rows;
    }
    if (step == corpus::Statement::Step::Error)
        return fail(QString::fromStdString(st->error()));
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fprintf(stderr, "velkaro-search: %ld topics\n", rows);
    return rows > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    canon::Query q;
    bool topicSearch = false;
    while (!args.isEmpty() && args.front().startsWith(QLatin1String("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--all-words")) {
            q.allWords = true;
        } else if (opt == QLatin1String("--topics")) {
            topicSearch = true;
        } else if (opt == QLatin1String("--volumes") && !args.isEmpty()) {
            static const QRegularExpression range(QStringLiteral("^(\\d{1,2})-(\\d{1,2})$"));
            const auto m = range.match(args.takeFirst());
            if (!m.hasMatch())
                return fail(QStringLiteral("--volumes wants A-B, such as 1-5"));
            q.firstVolume = m.captured(1).toInt();
            q.lastVolume = m.captured(2).toInt();
            if (q.firstVolume < 1 || q.lastVolume > 91 || q.firstVolume > q.lastVolume)
                return fail(QStringLiteral("--volumes must lie within 1-91"));
        } else {
            return fail(QStringLiteral("usage: velkaro-search [--all-words] [--volumes A-B] "
                                       "WORD [FOLDER] | --topics WORD [FOLDER]"));
        }
    }
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("usage: velkaro-search [--all-words] [--volumes A-B] "
                                   "WORD [FOLDER] | --topics WORD [FOLDER]"));
    q.word = args[0];
    const QString folder =
        args.size() > 1 ? QDir(args[1]).absolutePath() : QCoreApplication::applicationDirPath();
    if (topicSearch)
        return listTopics(q.word, folder);
    if (canon::searchWords(q).isEmpty())
        return fail(QStringLiteral("nothing to search for in the word"));
    if (!canon::hasCanon(folder))
        return fail(QStringLiteral("no 91book folder in %1").arg(folder));

    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    canon::Summary summary;
    std::string out;
    canon::Search::Callbacks cb;
    cb.volume = [&](canon::VolumeHits v) {
        std::string lines;
        for (const canon::PageHit& h : v.pages) {
            QString snippet = canon::snippetOf(h).text;
            snippet.replace(QLatin1Char('\t'), QLatin1Char(' '));
            lines += QStringLiteral("%1\t%2\t%3\t%4\n")
                         .arg(h.volume)
                         .arg(h.page)
                         .arg(h.hits)
                         .arg(snippet)
                         .toStdString();
        }
        std::fwrite(lines.data(), 1, lines.size(), stdout);
    };
    cb.finished = [&](canon::Summary s) {
        std::lock_guard<std::mutex> l(m);
        summary = s;
        done = true;
        cv.notify_all();
    };
    canon::Search search(folder, q, std::move(cb));
    {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return done; });
    }
    search.wait();
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", qPrintable(canon::summaryLine(summary)));
    return summary.hits > 0 ? 0 : 1;
}
