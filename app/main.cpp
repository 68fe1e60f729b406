#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

QMainWindow* makeMainWindow();

int main(int argc, char** argv) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !platform) {
        std::fprintf(stderr,
                     "gimbal-tool: no display found. Run it from a desktop session, or try it "
                     "with: xvfb-run ./build/gimbal-tool\n");
        return 1;
    }
    QApplication app(argc, argv);
    QMainWindow* window = makeMainWindow();
    window->show();
    return app.exec();
}
