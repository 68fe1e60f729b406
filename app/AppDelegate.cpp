#include "app/AppDelegate.h"

#include <QApplication>

#include "app/UartToolCtrl.h"
#include "serial/ULXSerialPortManager.h"

AppDelegate::AppDelegate(QApplication& application, UartToolCtrl& controller)
    : controller_(controller) {
    application.setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    connect(&application, &QCoreApplication::aboutToQuit, this, [this] {
        applicationWillTerminate();
        if (controller_.serialPortManager) controller_.serialPortManager->applicationWillTerminate();
    });
}
