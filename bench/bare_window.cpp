// A bare Qt window of the main window's size, for the start-up benchmark to compare with:
// the same toolkit started, one empty window mapped, nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.resize(1016, 735);
    w.show();
    return app.exec();
}
