// The port-object side of a firmware upgrade, on the serial reader's thread:
// what the gimbal's upgrade frames mean is decided by upgrade::answerUpgradeFrame;
// here its answer is written, the pause after a block kept, and the state and
// the block reports recorded on the port.

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/SteadyMillis.h"
#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/BlockAnswer.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/ImageInUse.h"

namespace {
std::atomic<std::chrono::milliseconds::rep> pauseAfterBlockMs{kDefaultPauseAfterBlock.count()};
}  // namespace

void setPauseAfterBlock(std::chrono::milliseconds pause) { pauseAfterBlockMs = pause.count(); }

std::chrono::milliseconds pauseAfterBlock() {
    return std::chrono::milliseconds(pauseAfterBlockMs.load());
}

namespace {

int firmwareUpdateRange() {
    std::lock_guard lock(firmwareVariablesMutex());
    return firmwareVariables().update_range;
}

// A block sender: builds the frame from the loaded file under its lock and
// writes it on this port.
int8_t sendBlock(ULXSerialPort& port, int block, int gimbalId, bool singleImage) {
    std::vector<uint8_t> frame;
    upgrade::SendResult result;
    {
        std::lock_guard lock(firmwareVariablesMutex());
        result = upgrade::buildBlockFrame(firmwareVariables(), block, gimbalId, singleImage, frame);
    }
    if (result == upgrade::kPastTheEnd) return result;
    port.sendDataWithLen(frame.data(), static_cast<int>(frame.size()));
    // Only the single image moves on to the gimbal's reports for the other boards.
    if (singleImage && result == upgrade::kEndOfImageWritten) {
        port.iapstate = upgrade::kStateOwnBoardDone;
    }
    return result;
}

}  // namespace

void ULXSerialPort::Upgrade() {
    iapstate = upgrade::kStateRequesting;
    timer_count = 0;
    IDNum = 0;
    fnum.store(0, std::memory_order_release);
    {
        std::lock_guard lock(reportsMutex_);
        reports_.clear();
        lastReport_.reset();
    }
    std::lock_guard lock(bootLoaderMutex_);
    bootLoader_.beginTry();
}

int8_t ULXSerialPort::SendFirwareData(int block) { return sendBlock(*this, block, 3, true); }
int8_t ULXSerialPort::SendFirwareData0x02(int block) { return sendBlock(*this, block, 2, true); }
int8_t ULXSerialPort::SendFirwareData0x01(int block) { return sendBlock(*this, block, 1, true); }

int8_t ULXSerialPort::SendFirwareData2(int block, int gimbalId) {
    if (gimbalId < 1 || gimbalId > 3) return upgrade::kBlockWritten;  // nothing written
    return sendBlock(*this, block, gimbalId, false);
}

void ULXSerialPort::handleUpgradeFrame(const uint8_t* f) {
    {
        std::lock_guard lock(bootLoaderMutex_);
        if (f[5] == frame::kBlock && !upgrading_) noteBootLoaderSighting();
        if (f[5] != frame::kBlock) {
            bootLoader_.heard(steadyMillis());
        } else if (const int8_t state = iapstate.load();
                   bootLoader_.blockRequest(f[4], f[6], firmwareUpdateRange(),
                                            state == upgrade::kStateTransferring ||
                                                state == upgrade::kStateOwnBoardDone,
                                            steadyMillis())) {
            return;  // a boot loader's request after a restart: the upgrade begins again
        }
    }
    upgrade::UpgradeFrameAnswer answer;
    bool fromFile = false;
    {
        std::lock_guard lock(firmwareVariablesMutex());
        answer = upgrade::answerUpgradeFrame(firmwareVariables(), iapstate.load(), f,
                                             answersOnlyAcceptedUpgrade.load());
        fromFile = upgrade::answersFromFile(firmwareVariables());
    }
    if (!answer.frame.empty()) {
        // A block request answered from a file while no upgrade runs puts it in use.
        if (answer.pauseAfterFrame && !upgrading_ && fromFile) {
            lastBlockOutsideUpgrade_ = steadyMillis();
        }
        sendDataWithLen(answer.frame.data(), static_cast<int>(answer.frame.size()));
    }
    if (answer.resetIdleCount) timer_count = 0;
    if (answer.newState) iapstate = *answer.newState;
    // The gimbal is answered at no more than five frames a second. After the
    // pause the session may be over: nothing is recorded for it then.
    if (answer.pauseAfterFrame) {
        std::this_thread::sleep_for(pauseAfterBlock());
        if (readerSessionEnded()) return;
    }
    if (answer.report) recordBlockReport(*answer.report);
}

// A new sighting of a gimbal in its boot loader: its first request on this
// line, or the first since it left the boot loader.
void ULXSerialPort::noteBootLoaderSighting() {
    if (!bootLoaderSeenOnLine_ || !bootLoader_.inBootLoader(steadyMillis())) {
        bootLoaderNoticeDue_ = true;
    }
    bootLoaderSeenOnLine_ = true;
}

void ULXSerialPort::forgetGimbalOutsideUpgrade() {
    lastBlockOutsideUpgrade_ = kNoBlockAnswered;
    bootLoaderNoticeDue_ = false;
    std::lock_guard lock(bootLoaderMutex_);
    bootLoaderSeenOnLine_ = false;
}

// A closed line serves no gimbal: a file chosen then is installed.
std::optional<protocol::Millis> ULXSerialPort::lastBlockOutsideUpgrade() const {
    const protocol::Millis at = lastBlockOutsideUpgrade_.load();
    if (at == kNoBlockAnswered || !isOpen()) return std::nullopt;
    return at;
}

bool ULXSerialPort::gimbalInBootLoader() const {
    std::lock_guard lock(bootLoaderMutex_);
    return bootLoader_.inBootLoader(steadyMillis());
}

bool ULXSerialPort::takeBootLoaderRestart() {
    std::lock_guard lock(bootLoaderMutex_);
    return bootLoader_.takeRestart();
}

void ULXSerialPort::recordBlockReport(const upgrade::BlockReport& report) {
    {
        std::lock_guard lock(reportsMutex_);
        reports_.push_back(report);
        // Progress, and the timeout starts over; a block asked for again is none.
        if (report != lastReport_) timer_count = 0;
        lastReport_ = report;
    }
    // The supervision reads fnum (acquire) before IDNum, so it never sees a
    // new block number with the board of an older one.
    IDNum = report.board;
    fnum.store(report.block, std::memory_order_release);
}
