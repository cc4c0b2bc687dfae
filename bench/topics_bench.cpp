// Topic fills and searches, from the handler call to rows in the model and to the first
// paint, with SQLite's own shell running the same search on the same table for comparison.
#include "bench_util.h"
#include "toolkit/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/scripted_platform.h"
#include "topics/topic_pane.h"
#include "topics/topic_row.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct Run {
    double rows, paint;
};

Run measure(shell::Form1& form, const std::function<void()>& fill, int runs = 15) {
    std::vector<double> rows, paint;
    for (int i = 0; i < runs; ++i) {
        const auto a = std::chrono::steady_clock::now();
        fill();
        const auto b = std::chrono::steady_clock::now();
        form.listView2->viewport()->repaint();
        const auto c = std::chrono::steady_clock::now();
        rows.push_back(bench::ms(b - a));
        paint.push_back(bench::ms(c - a));
    }
    std::sort(rows.begin(), rows.end());
    std::sort(paint.begin(), paint.end());
    return {rows[rows.size() / 2], paint[paint.size() / 2]};
}

// The median time of SQLite's own shell running the statement, output to /dev/null.
double sqliteShell(const QString& dbFile, const QString& sql) {
    QString script = ".open --deserialize " + dbFile + "\n.timer on\n.output /dev/null\n";
    for (int i = 0; i < 7; ++i)
        script += sql;
    QProcess p;
    p.start("sqlite3", {});
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    std::vector<double> t;
    static const QRegularExpression re("Run Time: real ([0-9.]+)");
    auto it =
        re.globalMatch(QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()));
    while (it.hasNext())
        t.push_back(it.next().captured(1).toDouble() * 1000.0);
    if (t.empty())
        return -1;
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One SQLite shell over a copy of the table, kept running: each statement's run time as
// the shell's own timer reads it, its output thrown away.
class SqliteShell {
  public:
    explicit SqliteShell(const QString& dbFile) {
        // Line-buffered, so that each timer line arrives as its statement ends.
        p_.start("stdbuf", {"-oL", "sqlite3"});
        p_.waitForStarted(-1);
        p_.write((".open --deserialize " + dbFile + "\n.timer on\n.output /dev/null\n").toUtf8());
    }
    ~SqliteShell() {
        p_.closeWriteChannel();
        p_.waitForFinished(-1);
    }
    double run(const std::string& sql) {
        p_.write(QByteArray::fromStdString(sql + "\n"));
        static const QRegularExpression re("Run Time: real ([0-9.]+)");
        for (;;) {
            while (!p_.canReadLine())
                if (!p_.waitForReadyRead(-1))
                    return -1;
            const auto m = re.match(QString::fromUtf8(p_.readLine()));
            if (m.hasMatch())
                return m.captured(1).toDouble() * 1000.0;
        }
    }

  private:
    QProcess p_;
};

} // namespace

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    const QString data = app.arguments().value(1);
    for (const char* size : {"3k", "100k"}) {
        const bool large = QString(size) == "100k";
        tk::ScriptedPlatform platform(data + (large ? "/large" : "/small"));
        corpus::CorpusStore store;
        tk::DBFunction db(platform, store);
        shell::Form1 form(platform, db);
        form.Form_Load();
        form.resize(1016, 735);
        form.show();
        QApplication::processEvents();
        topics::TopicPane& pane = *form.topicPane;
        pane.ListGroupTopics("101"); // warm: the first opening loads the table
        const std::string p = std::string(size);
        const Run group = measure(form, [&] { pane.ListGroupTopics("101"); });
        bench::figure(("topics.group_fill_" + p + "_ms").c_str(), group.rows, "ms");
        bench::figure(("topics.group_fill_" + p + "_paint_ms").c_str(), group.paint, "ms");
        const Run volume = measure(form, [&] { pane.ListVolumeTopics(large ? 1 : 5); });
        bench::figure(("topics.volume_fill_" + p + "_ms").c_str(), volume.rows, "ms");
        bench::figure(("topics.volume_fill_" + p + "_paint_ms").c_str(), volume.paint, "ms");
        if (large) {
            bench::figure("topics.fill_20k_rows", pane.model().rowCount(), "rows");
            bench::figure("topics.fill_20k_ms", volume.rows, "ms");
            bench::figure("topics.fill_20k_paint_ms", volume.paint, "ms");
        }
        const Run few = measure(form, [&] { pane.SearchTopics("อสงไขย"); });
        bench::figure(("search." + p + "_few_ms").c_str(), few.rows, "ms");
        bench::figure(("search." + p + "_few_paint_ms").c_str(), few.paint, "ms");
        const Run many = measure(form, [&] { pane.SearchTopics("ของ"); });
        bench::figure(("search." + p + "_many_hits").c_str(), pane.model().rowCount(), "rows");
        bench::figure(("search." + p + "_many_ms").c_str(), many.rows, "ms");
        bench::figure(("search." + p + "_many_paint_ms").c_str(), many.paint, "ms");
        if (large) {
            QTemporaryDir dir;
            const QString file = dir.path() + "/velkaro.sqlite";
            std::string error;
            auto loaded = store.open((data + "/large/velkaro.mdb").toStdString(), &error);
            sqlite3_exec(loaded->db(), ("VACUUM INTO '" + file.toStdString() + "'").c_str(),
                         nullptr, nullptr, nullptr);
            const double shell = sqliteShell(
                file, "SELECT * From Velkaro WHERE velkaro.velkaro_title Like '%ของ%' Or "
                      "velkaro.velkaro_book_blue Like '%ของ%';\n");
            bench::figure("search.100k_sqlite3_ms", shell, "ms");
            bench::figure("search.100k_vs_sqlite3_ratio", many.rows / shell, "x");
            // The 20,000-row volume fill with its paint, against the same query in one SQLite
            // shell kept running: five rounds, each of five runs of either side taking turns
            // run by run, so that a change in the machine's load falls on both; the figure is
            // the median of the rounds' ratios of medians.
            SqliteShell sqlite(file);
            const std::string volumeSql = "SELECT *  From Velkaro WHERE velkaro.velkaro_code= 1;";
            sqlite.run(volumeSql); // warm
            std::vector<double> ratios, shells;
            for (int round = 0; round < 5; ++round) {
                std::vector<double> ours, theirs;
                for (int i = 0; i < 5; ++i) {
                    ours.push_back(measure(form, [&] { pane.ListVolumeTopics(1); }, 1).paint);
                    theirs.push_back(sqlite.run(volumeSql));
                }
                const double o = median(ours), t = median(theirs);
                shells.push_back(t);
                ratios.push_back(o / t);
            }
            std::sort(ratios.begin(), ratios.end());
            std::sort(shells.begin(), shells.end());
            bench::figure("topics.fill_20k_sqlite3_ms", shells[2], "ms");
            bench::figure("topics.fill_20k_vs_sqlite3_ratio", ratios[2], "x");
        }
    }
    return 0;
}
