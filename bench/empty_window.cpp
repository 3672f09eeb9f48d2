// The start-up benchmark's baseline: the least a Qt Widgets program does to show a window,
// one empty window of the main window's first-run size.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(600, 350);
    window.show();
    return app.exec();
}
