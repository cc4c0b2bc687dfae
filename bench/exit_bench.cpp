// How long the program lasts after "ใช่" to the close question: the main window over the
// sample folder runs in a child process with the real window system's boxes and end; the
// child clicks the close button and then "ใช่" in the real box, noting the moment of the
// click, and this process times from that moment to the child's end.
#include "bench_util.h"
#include "corpus/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// The program as started, closed as a user closes it; writes the moment of "ใช่" to fd.
int runProgram(int argc, char** argv, const QString& folder, int fd) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    tk::QtPlatform platform(folder);
    corpus::CorpusStore store;
    corpus::DBFunction db(platform, store);
    shell::Form1 form(platform, db);
    form.Form_Load();
    form.show();
    // Once the box is up, "ใช่" is clicked.
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("ใช่")) {
                const long long t = nowNs();
                (void)!write(fd, &t, sizeof t);
                b->click();
            }
    });
    QTimer::singleShot(300, [&] {
        answer.start();
        if (auto* close = form.findChild<QPushButton*>(QStringLiteral("Command9")))
            close->click();
        else
            std::_Exit(3);
    });
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::strcmp(argv[1], "--program") == 0)
        return runProgram(argc, argv, QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    const QString folder = QString::fromLocal8Bit(argc > 1 ? argv[1] : ".") + "/small";
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i) {
        int p[2];
        if (pipe(p) != 0)
            return 1;
        const pid_t child = fork();
        if (child == 0) {
            close(p[0]);
            const QByteArray f = folder.toLocal8Bit(), fd = QByteArray::number(p[1]);
            execl("/proc/self/exe", argv[0], "--program", f.constData(), fd.constData(), nullptr);
            _exit(2);
        }
        close(p[1]);
        long long answered = 0;
        const bool got = read(p[0], &answered, sizeof answered) == sizeof answered;
        int status = 0;
        waitpid(child, &status, 0);
        const long long ended = nowNs();
        close(p[0]);
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "exit bench: the program did not end as asked (status %d)\n", status);
            return 1;
        }
        runs.push_back(double(ended - answered) / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    bench::figure("shell.exit_ms", runs[runs.size() / 2], "ms");
    return 0;
}
