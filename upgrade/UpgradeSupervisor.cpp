#include "upgrade/UpgradeSupervisor.h"

#include "serial/ULXSerialPort.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/UpgradeProgress.h"
#include "upgrade/UpgradeRequest.h"

namespace upgrade {
namespace {

constexpr int kFastRequestTicks = 20;  // below this count, a request every 5 ticks

bool requestDue(int count) { return count < kFastRequestTicks ? count % 5 == 0 : count % 10 == 0; }

}  // namespace

bool UpgradeSupervisor::Upgrade(ULXSerialPort* port, int maxProgress) {
    if (!port || !port->isOpen()) {
        out_.message(kPortNotOpenMessage);
        return false;
    }
    if (firmwareVariables().iFileLength == 0) {
        out_.message(kNoFileMessage);
        return false;
    }
    out_.progress(0);
    out_.message(kBeginMessage);

    maxProgress_ = maxProgress;
    fnum = 0;
    ending = Ending::kNone;
    rTimerFlag = true;
    port->Upgrade();
    return true;
}

bool UpgradeSupervisor::handleTick(ULXSerialPort* port) {
    if (rTimerFlag) {
        TransmitFile(port);
        return true;
    }
    // Every upgrade ends with the port closed, whatever its outcome.
    if (port) port->close();
    return false;
}

void UpgradeSupervisor::TransmitFile(ULXSerialPort* port) {
    ProgressCtrl(port);
    ProgressCtrl0x02(port);
    ProgressCtrl2(port);

    const int state = port ? port->iapstate.load() : 0;
    switch (state) {
        case 1:
        case 2:
        case 3: {
            const int count = port->timer_count.load();
            if (count >= kTimeoutTicks) {
                end(Ending::kTimeout, kTimeoutMessage);
                return;
            }
            if (state == 1 && requestDue(count)) Askupdate(port);
            // One atomic add: a reset by the reader in between is never undone.
            port->timer_count.fetch_add(1);
            break;
        }
        case 9:
            end(Ending::kError, kErrorMessage);
            break;
        default:
            break;
    }
}

void UpgradeSupervisor::Askupdate(ULXSerialPort* port) {
    if (!port) return;
    uint8_t buffer[kRequestBufferSize];
    const int n = fillUpgradeRequest(buffer);
    port->ComSendData(buffer, n);
}

bool UpgradeSupervisor::takeNewBlock(ULXSerialPort& port, int& f, int& i) {
    // fnum is stored last and read first, so the board read after it belongs to it.
    f = port.fnum.load(std::memory_order_acquire);
    if (f == fnum) return false;
    fnum = f;
    i = port.IDNum.load();
    return true;
}

void UpgradeSupervisor::show(ULXSerialPort& port, int value, const char* boardMessage,
                             bool finished) {
    out_.progress(value);
    if (boardMessage) out_.message(boardMessage);
    if (finished) {
        port.iapstate = 10;
        end(Ending::kComplete, kUpgradeCompleteMessage);
    }
}

void UpgradeSupervisor::end(Ending how, const char* message) {
    ending = how;
    out_.message(message);
    rTimerFlag = false;
}

void UpgradeSupervisor::ProgressCtrl(ULXSerialPort* port) { singleImageStep(port, 3); }

void UpgradeSupervisor::ProgressCtrl0x02(ULXSerialPort* port) { singleImageStep(port, 2); }

void UpgradeSupervisor::singleImageStep(ULXSerialPort* port, int8_t updateRange) {
    if (firmwareVariables().update_range != updateRange || !port) return;
    int f = 0, i = 0;
    if (!takeNewBlock(*port, f, i)) return;
    const ProgressStep step = singleImageProgress(updateRange, f, i, maxProgress_);
    show(*port, step.value, step.boardMessage, step.finished);
}

void UpgradeSupervisor::ProgressCtrl2(ULXSerialPort* port) {
    const FirmwareVariables& v = firmwareVariables();
    if (v.update_range == 3 || v.update_range == 2 || !port) return;
    int f = 0, i = 0;
    if (!takeNewBlock(*port, f, i)) return;
    int64_t blocks[4] = {0};
    for (int k = 1; k <= 3; ++k) blocks[k] = v.Blocknum_id[k] + v.LastBlock_id[k];
    const ProgressStep step = multiImageProgress(v.update_range, f, i, blocks);
    show(*port, step.value, step.boardMessage, step.finished);
}

}  // namespace upgrade
