// The upgrade button and the supervision timer: the upgrade request is resent
// on a fixed schedule until the gimbal answers, the transfer (run by the
// reader's thread) is watched through the port's upgrade state, and the
// upgrade is given up after 200 ticks without progress. Every upgrade ends
// with the port closed and the controls enabled again.

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>

#include "app/UartToolCtrl.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/UpgradeRequest.h"

namespace {

constexpr int kTickMs = 40;
constexpr int kTimeoutTicks = 200;     // 8 s without progress
constexpr int kFastRequestTicks = 20;  // below this count, a request every 5 ticks

bool requestDue(int count) { return count < kFastRequestTicks ? count % 5 == 0 : count % 10 == 0; }

// The nine controls that no upgrade may race with: port selection, file
// loading, the upgrade button and the tab selectors.
std::array<QWidget*, 9> controlsInLockOrder(UartToolCtrl& c) {
    return {c.btn_Open,
            c.btn_Close,
            c.btn_Search,
            c.btn_Upgrade,
            c.btn_OpenFile,
            c.btn_FirmwareUpgrade_,
            c.btn_CalibratioonJoystick_,
            c.btn_AttitudeCalibration_,
            c.popupbtn_ComSelect};
}

// Unlocking follows the same order but gives the joystick tab button back last.
std::array<QWidget*, 9> controlsInUnlockOrder(UartToolCtrl& c) {
    std::array<QWidget*, 9> order = controlsInLockOrder(c);
    std::rotate(order.begin() + 6, order.begin() + 7, order.end());
    return order;
}

}  // namespace

void UartToolCtrl::Upgrade() {
    if (!m_ULXSerialPort || !m_ULXSerialPort->isOpen()) {
        setOut(QStringLiteral("The serial port is not open!\n"));
        return;
    }
    if (firmwareVariables().iFileLength == 0) {
        setOut(QStringLiteral("Please select a file first\n"));
        return;
    }
    progressIndicator->setValue(0);
    setOut(QStringLiteral("Begin upgrade firmware...\n"));

    fnum = 0;
    rTimerFlag = true;
    m_ULXSerialPort->Upgrade();

    for (QWidget* control : controlsInLockOrder(*this)) control->setEnabled(false);

    // A new timer for every upgrade; the first tick comes one interval later.
    invalidate(UpgradeTimer);
    UpgradeTimer = startRepeatingTimer(kTickMs, &UartToolCtrl::handleUpgradeTimer);
}

void UartToolCtrl::handleUpgradeTimer() {
    if (rTimerFlag) {
        TransmitFile();
        return;
    }
    // The tick after the end: stop, close the port, give the controls back.
    if (UpgradeTimer) UpgradeTimer->stop();
    if (m_ULXSerialPort) m_ULXSerialPort->close();
    for (QWidget* control : controlsInUnlockOrder(*this)) control->setEnabled(true);
}

void UartToolCtrl::TransmitFile() {
    ProgressCtrl();
    ProgressCtrl0x02();
    ProgressCtrl2();

    ULXSerialPort* port = m_ULXSerialPort.get();
    const int state = port ? port->iapstate.load() : 0;
    switch (state) {
        case 1:
        case 2:
        case 3: {
            const int count = port->timer_count.load();
            if (count >= kTimeoutTicks) {
                rTimerFlag = false;
                setOut(QStringLiteral("Connection timeout,please try again!\n"));
                return;
            }
            if (state == 1 && requestDue(count)) Askupdate();
            // One atomic add: a reset by the reader in between is never undone.
            port->timer_count.fetch_add(1);
            break;
        }
        case 9:
            rTimerFlag = false;
            setOut(QStringLiteral("Error\n"));
            break;
        default:
            break;
    }
}

void UartToolCtrl::Askupdate() {
    if (!m_ULXSerialPort) return;
    uint8_t buffer[upgrade::kRequestBufferSize];
    const int n = upgrade::fillUpgradeRequest(buffer);
    m_ULXSerialPort->ComSendData(buffer, n);
}
