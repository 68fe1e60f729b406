#pragma once
// The real main window with its controller, started as the application does
// (init, then shown), for the window, calibration and upgrade tests. Runs on
// the QApplication of qttestmain.

#include <QComboBox>
#include <QMainWindow>
#include <QPushButton>
#include <string>

#include "app/UartToolCtrl.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/QtWait.h"

struct WindowHarness {
    QMainWindow window;
    UartToolCtrl ctrl{&window};

    WindowHarness() {
        ctrl.init();
        window.show();
    }

    ~WindowHarness() {
        // An open port's reader must end before the simulated gimbal goes.
        if (ctrl.m_ULXSerialPort) ctrl.m_ULXSerialPort->close();
    }

    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    // Types the path into the port list and presses Open, as a person would;
    // true when the port is open afterwards.
    bool openPort(const std::string& path) {
        ctrl.lineEndingPopUpButton->setEditText(QString::fromStdString(path));
        ctrl.btn_Open->click();
        return isOpen();
    }

    bool isOpen() const { return ctrl.m_ULXSerialPort && ctrl.m_ULXSerialPort->isOpen(); }

    // Waits for the first help panel tick, after which the window has its
    // usual height with the panel hidden.
    bool waitForHelpPanelStart(int timeoutMs = 3000) {
        return pumpUntil([this] { return ctrl.m_CalibrHelpFirstClose == 0; }, timeoutMs);
    }
};
