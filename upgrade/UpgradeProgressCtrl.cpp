// The supervision's progress update for the three ways an upgrade runs: each
// acts only for its update_range and only when the port's block number moved.

#include <QProgressBar>
#include <algorithm>

#include "app/UartToolCtrl.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/UpgradeProgress.h"

namespace {

// The port's block number when it moved since the last look, paired with the
// board recorded with it (fnum is stored last and read first).
bool takeNewBlock(UartToolCtrl& ctrl, int& f, int& i) {
    if (!ctrl.m_ULXSerialPort) return false;
    f = ctrl.m_ULXSerialPort->fnum.load(std::memory_order_acquire);
    if (f == ctrl.fnum) return false;
    ctrl.fnum = f;
    i = ctrl.m_ULXSerialPort->IDNum.load();
    return true;
}

void show(UartToolCtrl& ctrl, const upgrade::ProgressStep& step) {
    // Past the maximum (the last reports of a single image) the bar shows full.
    ctrl.progressIndicator->setValue(std::min(step.value, ctrl.progressIndicator->maximum()));
    if (step.boardMessage) ctrl.setOut(QString::fromLatin1(step.boardMessage));
    if (step.finished) {
        ctrl.m_ULXSerialPort->iapstate = 10;
        ctrl.setOut(QString::fromLatin1(upgrade::kUpgradeCompleteMessage));
        ctrl.rTimerFlag = false;
    }
}

}  // namespace

void UartToolCtrl::ProgressCtrl() {
    if (firmwareVariables().update_range != 3) return;
    int f = 0, i = 0;
    if (!takeNewBlock(*this, f, i)) return;
    show(*this, upgrade::singleImageProgress(3, f, i, MaxProgress));
}

void UartToolCtrl::ProgressCtrl0x02() {
    if (firmwareVariables().update_range != 2) return;
    int f = 0, i = 0;
    if (!takeNewBlock(*this, f, i)) return;
    show(*this, upgrade::singleImageProgress(2, f, i, MaxProgress));
}

void UartToolCtrl::ProgressCtrl2() {
    const FirmwareVariables& v = firmwareVariables();
    if (v.update_range == 3 || v.update_range == 2) return;
    int f = 0, i = 0;
    if (!takeNewBlock(*this, f, i)) return;
    int64_t blocks[4] = {0};
    for (int k = 1; k <= 3; ++k) blocks[k] = v.Blocknum_id[k] + v.LastBlock_id[k];
    show(*this, upgrade::multiImageProgress(v.update_range, f, i, blocks));
}
