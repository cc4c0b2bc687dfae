// Prints table Velkaro of a program folder's velkaro.mdb as tab-separated UTF-8 text,
// read through the same isolated loader and engine as the program.
//   velkaro-dump [FOLDER]
// A null prints as \N, so that it stays apart from an empty text.
#include "corpus/schema.h"
#include "corpus/statement.h"
#include "corpus/store.h"
#include "toolkit/paths.h"
#include "tsv.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <string>

namespace {
int writeFailed() {
    std::fprintf(stderr, "velkaro-dump: cannot write the output\n");
    return 1;
}
} // namespace

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
    const std::string sql = "SELECT * FROM " + std::string(corpus::kTableName);
    corpus::Statement st(loaded->db(), sql);
    if (!st.ok()) {
        std::fprintf(stderr, "velkaro-dump: cannot read table %s: %s\n",
                     std::string(corpus::kTableName).c_str(),
                     st.error().c_str());
        return 1;
    }
    std::string out;
    tools::appendHeader(st.get(), out);
    corpus::Statement::Step step;
    while ((step = st.step()) == corpus::Statement::Step::Row) {
        tools::appendRow(st.get(), out);
        if (out.size() > (1 << 20)) {
            if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
                return writeFailed();
            out.clear();
        }
    }
    if (step == corpus::Statement::Step::Error) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fprintf(stderr, "velkaro-dump: the table stopped being read: %s\n", st.error().c_str());
        return 1;
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return writeFailed();
    if (const long unread = loaded->unreadRows())
        std::fprintf(stderr, "velkaro-dump: %ld rows of the table could not be read\n", unread);
    return 0;
}
