#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppDelegate.h"
#include "app/QtMainQueue.h"
#include "app/QuitOnSignals.h"
#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "platform/BuildInfo.h"

namespace {
constexpr const char* kHelp = QT_TRANSLATE_NOOP(
    "main",
    "Usage: gimbal-tool [--help] [--version]\n"
    "\n"
    "Service tool for a camera gimbal: firmware upgrade of its boards, attitude\n"
    "and joystick calibration, over a USB serial adapter. It opens a window and\n"
    "needs a desktop session (or ssh -X); without one, the web page or gimbalctl\n"
    "do the same work. gimbal-sim serves a simulated gimbal.\n"
    "\n"
    "  -h, --help  show this help and exit\n"
    "  --version   show the version and exit\n");

// Answers --version and --help before anything needs a display. Returns true
// when one of them was asked for.
bool answeredInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gimbal-tool %s\n", build_info::kVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(textBeforeStart(kHelp).constData(), stdout);
            return true;
        }
    }
    return false;
}

// Where to go when no display can show the window. Names the program as it
// was started: ./build/gimbal-tool from the source tree, gimbal-tool installed.
void sayNoDisplay(const char* program) {
    const QByteArray text = textBeforeStart(QT_TRANSLATE_NOOP(
        "main",
        "%1: no display found. Start it from a desktop session or over `ssh -X`, or use the web "
        "page in Chrome or Edge (gimbalctl does the same work in a terminal).\n"));
    std::fputs(QString::fromUtf8(text).arg(QString::fromLocal8Bit(program)).toUtf8().constData(),
               stderr);
}

const char* programName = "gimbal-tool";
QtMessageHandler qtHandler = nullptr;

// While the application starts, Qt's fatal "no platform plugin could be
// initialized" (which aborts, status 134) becomes the line above and status 1.
void onStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) return qtHandler(type, context, text);
    sayNoDisplay(programName);
    std::_Exit(1);
}
}  // namespace

int main(int argc, char** argv) {
    if (answeredInfoOption(argc, argv)) return 0;
    programName = argv[0];
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
            sayNoDisplay(programName);
            return 1;
        }
        // On a Wayland desktop: natively with Qt's Wayland plugin, else through
        // the desktop's X server. A platform the user chose stands.
        if (std::getenv("WAYLAND_DISPLAY")) ::setenv("QT_QPA_PLATFORM", "wayland;xcb", 1);
    }
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(build_info::kDesktopAppId);
    qtHandler = qInstallMessageHandler(onStartMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    installTranslations(app);
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
