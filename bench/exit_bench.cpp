// How long the program lasts after "ใช่" to the close question: the main window over the
// sample folder runs in a child process with the real window system's boxes and end. The
// child first does what a user does before closing: a collection opened (the table loaded
// by the isolated loader), a volume's topics listed and a search of the canon's text run to
// its end in its window, which is then closed. Then it clicks the close button and "ใช่" in
// the real box, noting the moment of the click, and this process times from that moment to
// the child's end, reaping it at once. The same after the window's own close box, which
// ends through the application's return instead of the question.
#include "bench_util.h"
#include "canon/search_window.h"
#include "toolkit/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/platform.h"
#include "topics/topic_pane.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
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

void noteNow(int fd) {
    const long long t = nowNs();
    (void)!write(fd, &t, sizeof t);
}

// The program as started, used and closed as a user closes it (closeBox: by the window's
// close box, else by the close button and "ใช่"); writes the moment of closing to fd.
int runProgram(int argc, char** argv, const QString& folder, int fd, bool closeBox) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    tk::QtPlatform platform(folder);
    corpus::CorpusStore store;
    tk::DBFunction db(platform, store);
    shell::Form1 form(platform, db);
    form.Form_Load();
    form.show();
    // The canon search window is closed once its search has ended; "ใช่" is clicked in the
    // close question once it is up.
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* search = qobject_cast<canon::SearchWindow*>(modal)) {
            if (!search->running())
                search->close(); // as its close box does
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("ใช่")) {
                noteNow(fd);
                b->click();
            }
    });
    QTimer::singleShot(300, [&] {
        answer.start();
        auto* collection = form.findChild<QPushButton*>(QStringLiteral("Command1"));
        auto* close = form.findChild<QPushButton*>(QStringLiteral("Command9"));
        auto* canonSearch = form.text1->findChild<QAction*>(QStringLiteral("canonSearchAction"));
        if (!collection || !close || !canonSearch)
            std::_Exit(3);
        collection->click();
        form.topicPane->ListVolumeTopics(1);
        form.text1->setText(QStringLiteral("สุข"));
        canonSearch->trigger(); // returns when its window has been closed
        QTimer::singleShot(100, [&form, close, closeBox, fd] {
            if (closeBox) {
                noteNow(fd);
                form.windowHandle()->close();
            } else {
                close->click();
            }
        });
    });
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 4 && std::strcmp(argv[1], "--program") == 0)
        return runProgram(argc, argv, QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]),
                          std::strcmp(argv[4], "box") == 0);
    const QString folder = QString::fromLocal8Bit(argc > 1 ? argv[1] : ".") + "/small";
    for (const char* how : {"question", "box"}) {
        std::vector<double> runs;
        for (int i = 0; i < 7; ++i) {
            int p[2];
            if (pipe(p) != 0)
                return 1;
            const pid_t child = fork();
            if (child == 0) {
                close(p[0]);
                const QByteArray f = folder.toLocal8Bit(), fd = QByteArray::number(p[1]);
                execl("/proc/self/exe", argv[0], "--program", f.constData(), fd.constData(), how,
                      nullptr);
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
                std::fprintf(stderr, "exit bench: the program did not end as asked (status %d)\n",
                             status);
                return 1;
            }
            runs.push_back(double(ended - answered) / 1e6);
        }
        std::sort(runs.begin(), runs.end());
        bench::figure(std::strcmp(how, "box") == 0 ? "shell.exit_close_box_ms" : "shell.exit_ms",
                      runs[runs.size() / 2], "ms");
    }
    return 0;
}
