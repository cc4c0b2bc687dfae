// Start-up under a real X server (Xvfb, started here), from the moment a process is started:
// - shell.cold_start_vs_bare_ratio: until the program's main window is mapped, against a
//   bare Qt window of the same size (bare-window); the two take turns, sixteen runs
//   each, and the figure is the ratio of their medians;
// - shell.cold_start_first_paint_ms: until that window shows its first paint, beside the
//   bare window's;
// - corpus.first_list_after_start_ms: until the first collection's groups are shown, the
//   click on its button sent as soon as the window is mapped.
#include "bench_util.h"
#include "shell/form1.h"
#include "toolkit/dbfunction.h"
#include "toolkit/platform.h"
#include "toolkit/translations.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            int stdoutFd = -1) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> all;
    auto nameOf = [](const std::string& v) { return v.substr(0, v.find('=')); };
    for (char** e = environ; *e; ++e) {
        const std::string s = *e;
        bool replaced = false;
        for (const auto& n : env)
            replaced = replaced || nameOf(s) == nameOf(n);
        if (!replaced)
            all.push_back(s);
    }
    all.insert(all.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : all)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&fa, stdoutFd, STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Rows of a window's pixels, as the server holds them.
std::vector<uint8_t> pixelsOf(xcb_connection_t* c, xcb_window_t w, int16_t x, int16_t y, uint16_t width,
                              uint16_t height = 1) {
    xcb_get_image_reply_t* r = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, x, y, width, height, ~0u), nullptr);
    if (!r)
        return {};
    const uint8_t* d = xcb_get_image_data(r);
    std::vector<uint8_t> row(d, d + xcb_get_image_data_length(r));
    free(r);
    return row;
}

struct Start {
    double mapped = -1; // until a window of the process is mapped on the server
    double painted = -1; // until the middle row of that window shows anything drawn
};

// From the start of the process. An unpainted window shows what lay beneath it, so its
// first paint is the moment its middle row differs from the screen before it came.
Start startOf(xcb_connection_t* c, xcb_window_t root, const std::vector<std::string>& args,
              const std::vector<std::string>& env) {
    while (xcb_generic_event_t* e = xcb_poll_for_event(c))
        free(e); // what earlier runs left
    xcb_get_geometry_reply_t* screen =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr);
    const int screenHeight = screen ? screen->height : 0;
    const uint16_t screenWidth = screen ? screen->width : 0;
    free(screen);
    const std::vector<uint8_t> before = pixelsOf(c, root, 0, 0, screenWidth, uint16_t(screenHeight));
    Start out;
    const auto start = Clock::now();
    const pid_t pid = spawn(args, env);
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    xcb_window_t window = 0;
    while (out.mapped < 0 && bench::ms(Clock::now() - start) < 20000) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            ::poll(&p, 1, 100);
            continue;
        }
        if ((e->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            out.mapped = bench::ms(Clock::now() - start);
            window = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
        }
        free(e);
    }
    xcb_get_geometry_reply_t* g =
        window ? xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr) : nullptr;
    xcb_translate_coordinates_reply_t* at =
        g ? xcb_translate_coordinates_reply(
                c, xcb_translate_coordinates(c, window, root, 0, int16_t(g->height / 2)), nullptr)
          : nullptr;
    if (g && at && at->dst_y >= 0 && at->dst_y < screenHeight && at->dst_x >= 0) {
        const uint16_t width = uint16_t(std::min<int>(g->width, screenWidth - at->dst_x));
        const size_t bytes = before.size() / std::max<size_t>(1, size_t(screenWidth) * size_t(screenHeight));
        const auto row = before.begin() + ptrdiff_t(size_t(at->dst_y) * screenWidth * bytes);
        const std::vector<uint8_t> under(row + ptrdiff_t(at->dst_x * bytes),
                                         row + ptrdiff_t((at->dst_x + width) * bytes));
        while (out.painted < 0 && bench::ms(Clock::now() - start) < 20000) {
            if (pixelsOf(c, window, 0, int16_t(g->height / 2), width) != under)
                out.painted = bench::ms(Clock::now() - start);
            else
                ::usleep(2000); // the server and the program keep the processors
        }
    }
    free(at);
    free(g);
    stop(pid);
    return out;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// The program as its own main starts it, over the folder; the first collection's button is
// clicked once the window is exposed, and "shown" is written when its groups are.
int firstList(int argc, char** argv, const QString& folder) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    tk::installThaiTranslations();
    tk::QtPlatform platform(folder);
    corpus::CorpusStore store;
    tk::DBFunction db(platform, store);
    shell::Form1 form(platform, db, shell::Form1::Start::MappedFirst);
    QApplication::setWindowIcon(form.windowIcon());
    if (!QTest::qWaitForWindowExposed(&form, 20000))
        return 1;
    QTest::mouseClick(form.command1, Qt::LeftButton);
    if (form.listView1->model()->rowCount() == 0)
        return 1;
    form.listView1->viewport()->repaint();
    std::printf("shown\n");
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--first-list") == 0)
        return firstList(argc, argv, QString::fromUtf8(argv[2]));
    QCoreApplication app(argc, argv);
    const QString data = QDir(app.arguments().value(1) + "/small").absolutePath();
    const QString programDir = QCoreApplication::applicationDirPath();
    // A program folder: the reader and its loader beside the sample's data.
    QTemporaryDir folder;
    for (const char* exe : {"velkaro-reader", "velkaro-load"})
        QFile::copy(programDir + "/" + exe, folder.path() + "/" + exe);
    QFile::setPermissions(folder.path() + "/velkaro-reader", QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(folder.path() + "/velkaro-load", QFile::ReadOwner | QFile::ExeOwner);
    for (const QString& entry : QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QFile::link(data + "/" + entry, folder.path() + "/" + entry);

    // An X server of our own.
    const std::string display = ":" + std::to_string(70 + getpid() % 200);
    const pid_t xvfb = spawn({"/usr/bin/Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten",
                              "tcp"},
                             {});
    xcb_connection_t* c = nullptr;
    for (int i = 0; i < 200; ++i) {
        c = xcb_connect(display.c_str(), nullptr);
        if (!xcb_connection_has_error(c))
            break;
        xcb_disconnect(c);
        c = nullptr;
        ::usleep(25000);
    }
    if (!c) {
        stop(xvfb);
        std::fprintf(stderr, "bench-startup: no X server\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    const std::vector<std::string> env = {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"};
    const std::string reader = (folder.path() + "/velkaro-reader").toStdString();
    const std::string bare = (programDir + "/bare-window").toStdString();
    startOf(c, screen->root, {reader}, env); // the files in the cache, as on any later start
    startOf(c, screen->root, {bare}, env);
    std::vector<double> ours, theirs, oursPainted, theirsPainted;
    for (int i = 0; i < 16; ++i) { // a median that a passing stall on the machine moves little
        const Start o = startOf(c, screen->root, {reader}, env);
        const Start t = startOf(c, screen->root, {bare}, env);
        ours.push_back(o.mapped);
        theirs.push_back(t.mapped);
        oursPainted.push_back(o.painted);
        theirsPainted.push_back(t.painted);
    }
    bench::figure("shell.cold_start_ms", median(ours), "ms");
    bench::figure("shell.bare_window_start_ms", median(theirs), "ms");
    bench::figure("shell.cold_start_vs_bare_ratio", median(ours) / median(theirs), "x");
    // What the user sees drawn: the whole window, against the bare window's background.
    bench::figure("shell.cold_start_first_paint_ms", median(oursPainted), "ms");
    bench::figure("shell.bare_window_first_paint_ms", median(theirsPainted), "ms");

    std::vector<double> lists;
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    for (int i = 0; i < 6; ++i) {
        int fds[2];
        if (::pipe(fds) != 0)
            break;
        const auto start = Clock::now();
        const pid_t pid =
            spawn({self, "--first-list", folder.path().toStdString()}, env, fds[1]);
        ::close(fds[1]);
        char buf[64];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        const double ms = bench::ms(Clock::now() - start);
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (n > 0 && i > 0) // the first run fills the file cache
            lists.push_back(ms);
    }
    bench::figure("corpus.first_list_after_start_ms", median(lists), "ms");
    xcb_disconnect(c);
    stop(xvfb);
    return 0;
}
