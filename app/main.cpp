#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppDelegate.h"
#include "app/QtMainQueue.h"
#include "app/QuitOnSignals.h"
#include "app/UartToolCtrl.h"
#include "platform/BuildInfo.h"

namespace {
// Answers --version and --help before anything needs a display. Returns true
// when one of them was asked for.
bool answeredInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gimbal-tool %s\n", build_info::kVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: gimbal-tool [--help] [--version]\n"
                "\n"
                "Service tool for a camera gimbal: firmware upgrade of its boards, attitude\n"
                "and joystick calibration, over a USB serial adapter. It opens a window and\n"
                "needs a desktop session (or xvfb-run). gimbal-sim serves a simulated gimbal.\n"
                "\n"
                "  -h, --help  show this help and exit\n"
                "  --version   show the version and exit\n");
            return true;
        }
    }
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    if (answeredInfoOption(argc, argv)) return 0;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !platform) {
        // Names the program as it was started: ./build/gimbal-tool from the
        // source tree, gimbal-tool once installed.
        std::fprintf(stderr,
                     "gimbal-tool: no display found. Run it from a desktop session, or try it "
                     "with: xvfb-run %s\n",
                     argv[0]);
        return 1;
    }
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(build_info::kDesktopAppId);
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon::fromTheme(build_info::kDesktopAppId,
                                       QIcon(QStringLiteral(":/gimbal-tool-128.png"))));
    MainQueue::install(std::make_shared<QtMainQueue>());
    quitOnSignals(app);

    QMainWindow window;
    UartToolCtrl controller(&window);
    AppDelegate delegate(app, controller);
    if (!controller.init()) return 1;
    window.show();
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
