// The first load of the topic table (through the isolated loader) and a later opening,
// with mdb-export of the same file for comparison.
#include "bench_util.h"
#include "toolkit/dbfunction.h"
#include "toolkit/scripted_platform.h"

#include <QCoreApplication>
#include <QProcess>
#include <memory>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QCoreApplication app(argc, argv);
    const QString data = app.arguments().value(1);
    // The loaded table is released outside the timed part: the program keeps it.
    std::unique_ptr<corpus::CorpusStore> kept;
    auto firstLoad = [&](const QString& folder, int runs = 5) {
        return bench::medianMs(
            runs,
            [&] {
                kept = std::make_unique<corpus::CorpusStore>();
                std::string error;
                if (!kept->open((folder + "/velkaro.mdb").toStdString(), &error))
                    std::abort();
            },
            [&] { kept.reset(); });
    };
    bench::figure("corpus.load_3k_ms", firstLoad(data + "/small"), "ms");
    // Ours and the reference alternate, so that a busy moment of the machine hits both.
    std::vector<double> ours, reference;
    for (int i = 0; i < 9; ++i) {
        ours.push_back(firstLoad(data + "/large", 1));
        reference.push_back(bench::medianMs(1, [&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.start("mdb-export", {data + "/large/velkaro.mdb", "Velkaro"});
            p.waitForFinished(-1);
        }));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(reference.begin(), reference.end());
    const double load100k = ours[4], exportMs = reference[4];
    bench::figure("corpus.load_100k_ms", load100k, "ms");
    bench::figure("corpus.mdb_export_100k_ms", exportMs, "ms");
    bench::figure("corpus.load_vs_mdb_export_100k_ratio", load100k / exportMs, "x");

    tk::ScriptedPlatform platform(data + "/large");
    corpus::CorpusStore store;
    tk::DBFunction db(platform, store);
    db.OpenDatabase();
    const double reopen = bench::medianMs(201, [&] { db.OpenDatabase(); });
    bench::figure("corpus.reopen_us", reopen * 1000.0, "us");
    return 0;
}
