// The upgrade button and the supervision timer, as the window shows them: the
// decisions (schedule, timeout, progress, messages, ending) are the
// upgradeSupervisor's; here the controls are locked and unlocked and the
// 0.04 s timer drives it. A gimbal found in its boot loader is named here too.

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>

#include "app/Translation.h"
#include "app/UartToolCtrl.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/BootLoaderLine.h"

namespace {

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
    if (!upgradeSupervisor.Upgrade(m_ULXSerialPort.get(), MaxProgress, upgradeClock())) return;

    for (QWidget* control : controlsInLockOrder(*this)) control->setEnabled(false);

    // A new timer for every upgrade; the first tick comes one interval later.
    invalidate(UpgradeTimer);
    UpgradeTimer = startRepeatingTimer(upgrade::kTickMs, &UartToolCtrl::handleUpgradeTimer);
}

void UartToolCtrl::handleUpgradeTimer() {
    if (upgradeSupervisor.handleTick(m_ULXSerialPort.get(), upgradeClock())) return;
    // The tick after the end closed the port: stop, then ask a gimbal that
    // took the whole file its version (VersionCheck.cpp) before the controls
    // come back.
    if (UpgradeTimer) UpgradeTimer->stop();
    if (upgradeSupervisor.ending == upgrade::Ending::kComplete && fileVersion &&
        m_ULXSerialPort) {
        startVersionCheck();
        return;
    }
    giveControlsBack();
}

void UartToolCtrl::giveControlsBack() {
    for (QWidget* control : controlsInUnlockOrder(*this)) control->setEnabled(true);
}

void UartToolCtrl::showBootLoaderNotice() {
    if (m_ULXSerialPort && m_ULXSerialPort->takeBootLoaderNotice()) {
        setOut(coreText(upgrade::kBootLoaderMessage));
    }
}

void UartToolCtrl::TransmitFile() {
    upgradeSupervisor.TransmitFile(m_ULXSerialPort.get(), upgradeClock());
}
void UartToolCtrl::Askupdate() { upgradeSupervisor.Askupdate(m_ULXSerialPort.get()); }
void UartToolCtrl::ProgressCtrl() { upgradeSupervisor.ProgressCtrl(m_ULXSerialPort.get()); }
void UartToolCtrl::ProgressCtrl0x02() { upgradeSupervisor.ProgressCtrl0x02(m_ULXSerialPort.get()); }
void UartToolCtrl::ProgressCtrl2() { upgradeSupervisor.ProgressCtrl2(m_ULXSerialPort.get()); }
