#include "upgrade/UpgradeSupervisor.h"

#include <algorithm>
#include <string>

#include "protocol/Frame.h"
#include "upgrade/BootLoader.h"
#include "upgrade/UpgradeProgress.h"
#include "upgrade/UpgradeRequest.h"

namespace upgrade {
namespace {

constexpr int kFastRequestTicks = 20;  // below this count, a request every 5 ticks

bool requestDue(int count) { return count < kFastRequestTicks ? count % 5 == 0 : count % 10 == 0; }

// Whether the schedule sends a request at any count from `first` to `last`.
bool requestDueBetween(int first, int last) {
    for (int count = first; count <= std::min(last, kTimeoutTicks - 1); ++count) {
        if (requestDue(count)) return true;
    }
    return false;
}

}  // namespace

bool UpgradeSupervisor::Upgrade(UpgradeLink* port, int maxProgress, protocol::Millis now) {
    if (!port || !port->linkIsOpen()) {
        out_.message(kPortNotOpenMessage);
        return false;
    }
    if (port->linkFirmware().iFileLength == 0) {
        out_.message(kNoFileMessage);
        return false;
    }
    out_.progress(0);
    out_.message(kBeginMessage);

    maxProgress_ = maxProgress;
    ending = Ending::kNone;
    rTimerFlag = true;
    tries = 1;
    beginTry(*port, now);
    return true;
}

void UpgradeSupervisor::beginTry(UpgradeLink& port, protocol::Millis now) {
    fnum = 0;
    board = -1;
    idleSince_ = now + kTickMs;
    countLeft_ = 0;
    port.beginUpgrade();
}

void UpgradeSupervisor::restartInBootLoader(UpgradeLink& port, protocol::Millis now) {
    // Where the try had come: the board and its blocks done of its blocks.
    const FirmwareVariables& v = port.linkFirmware();
    const bool single = v.update_range == 3 || v.update_range == 2;
    const int reachedBoard = board >= 0 ? board : (v.update_range == 2 ? 1 : 0);
    const int id = 3 - reachedBoard;
    const int64_t blocks = single ? v.Blocknum + v.LastBlock
                                  : v.Blocknum_id[id] + v.LastBlock_id[id];
    const std::string reached[] = {std::to_string(id), std::to_string(std::max(fnum, 0)),
                                   std::to_string(blocks)};
    if (tries >= kUpgradeTries) {
        const std::string line =
            translations::filledIn(kBootLoaderFailedMessage, {std::to_string(kUpgradeTries),
                                                              reached[0], reached[1], reached[2]});
        end(Ending::kBootLoader, line.c_str());
        return;
    }
    ++tries;
    const std::string line = translations::filledIn(
        kBootLoaderTryMessage, {reached[0], reached[1], reached[2], std::to_string(tries),
                                std::to_string(kUpgradeTries)});
    out_.message(line.c_str());
    out_.progress(0);  // after the line that says why
    beginTry(port, now);
}

bool UpgradeSupervisor::handleTick(UpgradeLink* port, protocol::Millis now) {
    if (rTimerFlag) {
        TransmitFile(port, now);
        return true;
    }
    // Every upgrade ends with the port closed, whatever its outcome.
    if (port) port->closeLink();
    return false;
}

void UpgradeSupervisor::TransmitFile(UpgradeLink* port, protocol::Millis now) {
    ProgressCtrl(port);
    ProgressCtrl0x02(port);
    ProgressCtrl2(port);
    if (!rTimerFlag) return;  // the last board's report ended it
    if (port && port->takeBootLoaderRestart()) {
        restartInBootLoader(*port, now);
        return;
    }

    const int state = port ? port->upgradeState() : 0;
    switch (state) {
        case kStateRequesting:
        case kStateTransferring:
        case kStateOwnBoardDone:
            superviseIdleTime(*port, state == kStateRequesting, now);
            break;
        case kStateFailed:
            end(Ending::kError, kErrorMessage);
            break;
        default:
            break;
    }
}

void UpgradeSupervisor::superviseIdleTime(UpgradeLink& port, bool requesting,
                                          protocol::Millis now) {
    const int seen = port.idleTicks();
    if (seen < countLeft_) {
        // Below what the last tick left: the link made progress since, and a
        // new run of idle ticks begins with this one.
        idleSince_ = now - protocol::Millis{seen} * kTickMs;
    } else if (countLeft_ == 0) {
        // No tick counted yet, so progress cannot be told from none: the run
        // begins no earlier than this tick.
        idleSince_ = std::max(idleSince_, now);
    }
    const protocol::Millis idle = now - idleSince_;
    if (idle >= kTimeoutMs) {
        end(Ending::kTimeout, kTimeoutMessage);
        return;
    }
    // The count a tick every kTickMs would have reached by now, to the
    // nearest tick so that a timer's jitter counts as on time.
    const protocol::Millis nearest = idle + kTickMs / 2;
    const int reached = nearest < 0 ? -1 : static_cast<int>(nearest / kTickMs);
    if (reached < seen) return;  // early: this count's time has not come
    if (requesting && requestDueBetween(seen, reached)) Askupdate(&port);
    port.countIdleTicks(seen, reached + 1);
    countLeft_ = reached + 1;
}

void UpgradeSupervisor::Askupdate(UpgradeLink* port) {
    if (!port) return;
    uint8_t buffer[kRequestBufferSize];
    const int n = fillUpgradeRequest(port->linkFirmware(), buffer);
    const std::size_t size = frame::completeFrame(buffer, static_cast<std::size_t>(n));
    port->writeFrame(buffer, size);
}

template <typename Step>
void UpgradeSupervisor::handleReports(UpgradeLink& port, Step step) {
    for (const BlockReport& report : port.takeBlockReports()) {
        if (!rTimerFlag) return;  // finished: later reports change nothing
        // A repeated report (the gimbal asked for the same block again) shows nothing new.
        if (report.board == board && report.block == fnum) continue;
        board = report.board;
        fnum = report.block;
        const ProgressStep s = step(report);
        show(port, s.value, s.boardMessage, s.finished);
    }
}

void UpgradeSupervisor::show(UpgradeLink& port, int value, const char* boardMessage,
                             bool finished) {
    out_.progress(value);
    if (boardMessage) out_.message(boardMessage);
    if (finished) {
        port.setUpgradeState(kStateComplete);
        end(Ending::kComplete, kUpgradeCompleteMessage);
    }
}

void UpgradeSupervisor::end(Ending how, const char* message) {
    ending = how;
    out_.message(message);
    rTimerFlag = false;
}

void UpgradeSupervisor::ProgressCtrl(UpgradeLink* port) {
    if (!port || port->linkFirmware().update_range != 3) return;
    handleReports(*port, [&](const BlockReport& r) {
        return singleImageProgress(3, r.block, r.board, maxProgress_);
    });
}

void UpgradeSupervisor::ProgressCtrl0x02(UpgradeLink* port) {
    if (!port || port->linkFirmware().update_range != 2) return;
    handleReports(*port, [&](const BlockReport& r) {
        return singleImageProgress(2, r.block, r.board, maxProgress_);
    });
}

void UpgradeSupervisor::ProgressCtrl2(UpgradeLink* port) {
    if (!port) return;
    const FirmwareVariables& v = port->linkFirmware();
    if (v.update_range == 3 || v.update_range == 2) return;
    int64_t blocks[4] = {0};
    for (int k = 1; k <= 3; ++k) blocks[k] = v.Blocknum_id[k] + v.LastBlock_id[k];
    handleReports(*port, [&](const BlockReport& r) {
        return multiImageProgress(v.update_range, r.block, r.board, blocks);
    });
}

}  // namespace upgrade
