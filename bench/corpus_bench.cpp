// The first load of the topic table (through the isolated loader) and a later opening,
// with mdb-export of the same file for comparison.
#include "bench_util.h"
#include "corpus/dbfunction.h"
#include "toolkit/scripted_platform.h"

#include <QCoreApplication>
#include <QProcess>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QCoreApplication app(argc, argv);
    const QString data = app.arguments().value(1);
    auto firstLoad = [](const QString& folder) {
        return bench::medianMs(5, [&] {
            corpus::CorpusStore store;
            std::string error;
            if (!store.open((folder + "/velkaro.mdb").toStdString(), &error)) std::abort();
        });
    };
    bench::figure("corpus.load_3k_ms", firstLoad(data + "/small"), "ms");
    const double load100k = firstLoad(data + "/large");
    bench::figure("corpus.load_100k_ms", load100k, "ms");
    const double exportMs = bench::medianMs(5, [&] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start("mdb-export", {data + "/large/velkaro.mdb", "Velkaro"});
        p.waitForFinished(-1);
    });
    bench::figure("corpus.mdb_export_100k_ms", exportMs, "ms");
    bench::figure("corpus.load_vs_mdb_export_100k_ratio", load100k / exportMs, "x");

    tk::ScriptedPlatform platform(data + "/large");
    corpus::CorpusStore store;
    corpus::DBFunction db(platform, store);
    db.OpenDatabase();
    const double reopen = bench::medianMs(201, [&] { db.OpenDatabase(); });
    bench::figure("corpus.reopen_us", reopen * 1000.0, "us");
    return 0;
}
