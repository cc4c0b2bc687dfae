// The main window's layout with the shelf rebuild, at the first show and at steady state.
#include "bench_util.h"
#include "toolkit/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/scripted_platform.h"

#include <QApplication>
#include <QGroupBox>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    const QString folder = app.arguments().value(1) + "/small";
    tk::ScriptedPlatform platform(folder);
    corpus::CorpusStore store;
    tk::DBFunction db(platform, store);
    const double first = bench::medianMs(5, [&] {
        shell::Form1 form(platform, db);
        form.Form_Load();
        form.resize(1016, 735);
        form.show();
        form.repaint();
    });
    bench::figure("shell.first_show_ms", first, "ms");
    shell::Form1 form(platform, db);
    form.Form_Load();
    form.resize(1016, 735);
    form.show();
    QApplication::processEvents();
    const double steady = bench::medianMs(51, [&] { form.Form_Resize(); });
    bench::figure("shell.resize_steady_ms", steady, "ms");
    const double paint = bench::medianMs(21, [&] { form.frame3->repaint(); });
    bench::figure("shell.shelf_paint_ms", paint, "ms");
    int w = 1016;
    const double drag = bench::medianMs(51, [&] {
        w = w == 1016 ? 1200 : 1016; // a drag alternates sizes: each resize re-lays and repaints
        form.resize(w, 735);
        form.repaint();
    });
    bench::figure("shell.drag_resize_with_paint_ms", drag, "ms");
    return 0;
}
