// The floors for a Qt Widgets program's start-up: an empty main window of the
// tool's size and, with --label, the same window showing one line of text
// (the floor for a program that shows text, font loading included).
// tools/measure-startup.sh measures both beside the tool.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <cstring>

int main(int argc, char** argv) {
    const bool withLabel = argc > 1 && std::strcmp(argv[1], "--label") == 0;
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt Window"));
    if (withLabel) window.setCentralWidget(new QLabel(QStringLiteral("Gimbal Service Tool")));
    window.resize(640, 560);
    window.show();
    return app.exec();
}
