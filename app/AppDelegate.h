#pragma once
// The application's delegate: closing the main window ends the application,
// and at the end the port discovery, when a search has started it, cleans up
// (and so closes) every port it knows. The controller itself closes nothing.

#include <QObject>

class QApplication;
class UartToolCtrl;

class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(QApplication& application, UartToolCtrl& controller);

    void applicationDidFinishLaunching() {}
    void applicationWillTerminate() {}
    static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }

private:
    UartToolCtrl& controller_;
};
