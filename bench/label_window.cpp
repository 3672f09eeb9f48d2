// A second start-up baseline: a window with one line of text, the least a program pays that
// shows any text (the font configuration and the font database are set up for it).

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Pellmark"));
    window.resize(600, 350);
    window.show();
    return app.exec();
}
