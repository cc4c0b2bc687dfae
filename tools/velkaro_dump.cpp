// Prints table Velkaro of a program folder's velkaro.mdb as tab-separated UTF-8 text,
// read through the same isolated loader and engine as the program.
//   velkaro-dump [FOLDER]
// A null prints as \N, so that it stays apart from an empty text.
#include "corpus/dbfunction.h"
#include "corpus/schema.h"
#include "toolkit/paths.h"
#include "tsv.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString folder =
        args.size() > 1 ? QDir(args[1]).absolutePath() : QCoreApplication::applicationDirPath();
    corpus::CorpusStore store;
    std::string error;
    // Found as the program finds it: the name in any letter case.
    const QString file = tk::resolvePath(folder, folder + QStringLiteral("\\velkaro.mdb"));
    auto loaded = store.open(file.toStdString(), &error);
    if (!loaded) {
        std::fprintf(stderr, "velkaro-dump: cannot read %s/velkaro.mdb: %s\n", qPrintable(folder),
                     error.c_str());
        return 1;
    }
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(loaded->db(), "SELECT * FROM Velkaro", -1, &st, nullptr);
    std::string out;
    tools::appendHeader(st, out);
    while (sqlite3_step(st) == SQLITE_ROW) {
        tools::appendRow(st, out);
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    sqlite3_finalize(st);
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (const long unread = loaded->unreadRows())
        std::fprintf(stderr, "velkaro-dump: %ld rows of the table could not be read\n", unread);
    return 0;
}
