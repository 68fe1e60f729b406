// One port's upgrade on Windows: the link session answers the gimbal's block
// requests, the supervisor ticks every 0.04 s on the same thread.

#include <algorithm>

#include "gimbalctl/Commands.h"
#include "gimbalctl/Output.h"
#include "gimbalctl/Upgrade.h"
#include "gimbalctl/windows/LinePump.h"
#include "upgrade/FirmwareVariables.h"

namespace gimbalctl {

UpgradeOutcome upgradeOnePort(const std::string& path, int maxProgress,
                              const UpgradeEvents& events) {
    using windows::LinePump;
    UpgradeOutcome outcome;
    outcome.port = path;
    windows::SerialLine::Opened opened = windows::SerialLine::open(path);
    if (!opened.line) {
        outcome.status = kPortFailed;
        outcome.result = "port failed";
        outcome.detail = opened.error;
        return outcome;
    }
    windows::SerialLine& line = *opened.line;
    protocol::LinkSession session;
    session.setFirmware(firmwareVariables());
    session.answersOnlyAcceptedUpgrade = true;  // never a block for an earlier run's request
    LinePump pump(line, session);
    session.opened(LinePump::now());

    upgrade::UpgradeSupervisor supervisor(recordingOutput(outcome, events, maxProgress));
    if (!supervisor.Upgrade(&session, maxProgress)) {  // a file with an empty image area
        line.close();
        outcome.status = kRefusedFile;
        outcome.result = "refused file";
        return outcome;
    }

    // The window's timer: a tick every 0.04 s, counted from the start so
    // that the ticks keep their pace.
    const auto tick = std::chrono::milliseconds(upgrade::kTickMs);
    auto next = LinePump::Clock::now() + tick;
    for (;;) {
        const bool interrupted = !pump.runUntil(next);
        if (supervisor.rTimerFlag && interrupted) {
            line.close();  // puts the line's settings back
            setUnfinished(outcome, !pump.lineGone());
            return outcome;
        }
        next += tick;
        if (!supervisor.handleTick(&session)) break;  // the tick after the end closed the session
    }
    line.close();
    setResult(outcome, supervisor.ending);
    return outcome;
}

}  // namespace gimbalctl
