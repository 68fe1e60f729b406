#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>

#include "app/AppDelegate.h"
#include "app/QtMainQueue.h"
#include "app/UartToolCtrl.h"

int main(int argc, char** argv) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !platform) {
        std::fprintf(stderr,
                     "gimbal-tool: no display found. Run it from a desktop session, or try it "
                     "with: xvfb-run ./build/gimbal-tool\n");
        return 1;
    }
    QApplication app(argc, argv);
    MainQueue::install(std::make_shared<QtMainQueue>());

    QMainWindow window;
    UartToolCtrl controller(&window);
    AppDelegate delegate(app, controller);
    if (!controller.init()) return 1;
    window.show();
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
