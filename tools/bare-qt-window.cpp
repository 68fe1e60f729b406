// The floor for any Qt Widgets program: an empty main window of the tool's
// size. tools/measure-startup.sh measures it beside the tool.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt Window"));
    window.resize(640, 560);
    window.show();
    return app.exec();
}
