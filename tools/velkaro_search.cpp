// Searches a program folder from the command line, with the program's own engines.
//   velkaro-search [--all-words] [--volumes A-B] WORD [FOLDER]
//       one line per page with the word: volume, page, places, a snippet and the numbers of
//       the page's topics (joined by ",", empty for none), tab-separated, in volume and page
//       order; the summary on stderr
//   velkaro-search --topics WORD [FOLDER]
//       the topics the search box finds, as velkaro-dump prints them
//   velkaro-search --on VOLUME:PAGE [FOLDER]
//       the topics of a page: number, title, blue and red reference, tab-separated
// Exit status: 0 with hits, 1 without, 2 on an error (one line on stderr).
#include "canon/engine.h"
#include "canon/page_topics.h"
#include "pagefile/canon_layout.h"
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
#include <future>
#include <mutex>

namespace {

int fail(const QString& why) {
    std::fprintf(stderr, "velkaro-search: %s\n", qPrintable(why));
    return 2;
}

const QString kUsage = QStringLiteral("usage: velkaro-search [--all-words] [--volumes A-B] WORD [FOLDER] "
                                      "| --topics WORD [FOLDER] | --on VOLUME:PAGE [FOLDER]");

// The folder's topic table, found as the program finds it: the name in any letter case.
std::shared_ptr<corpus::LoadedCorpus> openTable(const QString& folder, QString* why) {
    corpus::CorpusStore store;
    std::string error;
    const QString file = tk::resolvePath(folder, folder + QStringLiteral("\\velkaro.mdb"));
    auto loaded = store.open(file.toStdString(), &error);
    if (!loaded)
        *why = QStringLiteral("cannot read %1/velkaro.mdb: %2").arg(folder, QString::fromStdString(error));
    return loaded;
}

QString cell(QString text) {
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

int listTopics(const QString& word, const QString& folder) {
    QString why;
    auto loaded = openTable(folder, &why);
    if (!loaded)
        return fail(why);
    std::string error;
    auto st = corpus::prepareReading(loaded->db(), corpus::searchSql(),
                                     {corpus::searchPattern(word)}, &error);
    if (!st)
        return fail(QString::fromStdString(error));
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

// --on VOLUME:PAGE: the topics the index has on that page, in the table's order.
int topicsOn(const QString& place, const QString& folder) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,3}):(\\d{1,9})$"));
    const auto m = form.match(place);
    const int volume = m.hasMatch() ? m.captured(1).toInt() : 0;
    const long page = m.hasMatch() ? m.captured(2).toLong() : -1;
    if (!m.hasMatch())
        return fail(QStringLiteral("--on ต้องการเล่มและหน้าเป็นตัวเลขในรูป เล่ม:หน้า เช่น 5:123 (ได้ \"%1\")").arg(place));
    if (volume < 1 || volume > pagefile::CanonLayout::kVolumes)
        return fail(QStringLiteral("--on: ไม่มีพระไตรปิฎกเล่มที่ %1 (มีเล่มที่ 1 ถึง %2)")
                        .arg(volume)
                        .arg(pagefile::CanonLayout::kVolumes));
    if (page > pagefile::CanonLayout::kLastPage)
        return fail(QStringLiteral("--on: หน้าที่ %1 ไม่อยู่ในช่วงหน้า 0 ถึง %2 ของพระไตรปิฎก")
                        .arg(page)
                        .arg(pagefile::CanonLayout::kLastPage));
    QString why;
    auto loaded = openTable(folder, &why);
    if (!loaded)
        return fail(why);
    const corpus::Result<corpus::Topics> r = corpus::topicsAtPage(loaded->db(), volume, page);
    if (!r.ok())
        return fail(QString::fromStdString(r.error));
    const auto text = [](const corpus::TopicText& t) { return cell(t.qstring()); };
    std::string out;
    for (const corpus::Topic& t : r.value->topics)
        out += QStringLiteral("%1\t%2\t%3\t%4\n")
                   .arg(text(t.no()), text(t.title()), text(t.blue()), text(t.red()))
                   .toStdString();
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fprintf(stderr, "velkaro-search: %zu topics\n", r.value->size());
    return r.value->size() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    canon::Query q;
    bool topicSearch = false;
    QString topicsOnPage;
    while (!args.isEmpty() && args.front().startsWith(QLatin1String("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--all-words")) {
            q.allWords = true;
        } else if (opt == QLatin1String("--topics")) {
            topicSearch = true;
        } else if (opt == QLatin1String("--on") && !args.isEmpty()) {
            topicsOnPage = args.takeFirst();
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
            return fail(kUsage);
        }
    }
    if (!topicsOnPage.isNull()) {
        if (args.size() > 1 || topicSearch)
            return fail(kUsage);
        return topicsOn(topicsOnPage, args.isEmpty() ? QCoreApplication::applicationDirPath()
                                                     : QDir(args[0]).absolutePath());
    }
    if (args.isEmpty() || args.size() > 2)
        return fail(kUsage);
    q.word = args[0];
    const QString folder =
        args.size() > 1 ? QDir(args[1]).absolutePath() : QCoreApplication::applicationDirPath();
    if (topicSearch)
        return listTopics(q.word, folder);
    if (canon::searchWords(q).isEmpty())
        return fail(QStringLiteral("nothing to search for in the word"));
    if (!canon::hasCanon(folder))
        return fail(QStringLiteral("no 91book folder in %1").arg(folder));

    // The topic table is read while the search runs; the first results wait for it. Without
    // one the topic column stays empty, and the search goes on.
    std::shared_future<canon::PageTopics> topics =
        std::async(std::launch::async, [folder, first = q.firstVolume, last = q.lastVolume] {
            QString why;
            std::string error;
            canon::PageTopics t = canon::PageTopics::read(openTable(folder, &why), first, last, &error);
            if (why.isEmpty() && !error.empty())
                why = QString::fromStdString(error);
            if (!why.isEmpty())
                std::fprintf(stderr, "velkaro-search: ไม่แสดงเลขหัวข้อธรรม (%s)\n", qPrintable(why));
            return t;
        }).share();
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    canon::Summary summary;
    std::string out;
    canon::Search::Callbacks cb;
    cb.volume = [&](canon::VolumeHits v) {
        const canon::PageTopics& index = topics.get();
        std::string lines;
        for (const canon::PageHit& h : v.pages) {
            lines += QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                         .arg(h.volume)
                         .arg(h.page)
                         .arg(h.hits)
                         .arg(cell(canon::snippetOf(h).text), cell(index.numbers(index.at(h.volume, h.page))))
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
    topics.wait(); // its warning, if any, before the summary
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", qPrintable(canon::summaryLine(summary)));
    return summary.hits > 0 ? 0 : 1;
}
