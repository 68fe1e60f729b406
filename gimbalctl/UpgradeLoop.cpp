// One port's upgrade on any system: the supervisor ticks every 0.04 s over
// the system's line (GimbalLine.h) while the line answers the gimbal. The
// messages and progress go out through a queue of their own, so that output
// that blocks (a console held by a selection, a full pipe) never holds up the
// line; the supervision keeps its times on the clock, so a tick that comes
// late is never made up for by ticks in a row.

#include <algorithm>

#include "gimbalctl/Commands.h"
#include "gimbalctl/GimbalLine.h"
#include "gimbalctl/OutputQueue.h"
#include "gimbalctl/Upgrade.h"
#include "platform/SteadyMillis.h"
#include "upgrade/UpgradeSupervisor.h"

namespace gimbalctl {

UpgradeOutcome upgradeOnePort(const std::string& path, int maxProgress,
                              const UpgradeEvents& events) {
    UpgradeOutcome outcome;
    outcome.port = path;
    OpenedLine opened = openGimbalLine(path);
    if (!opened.line) {
        outcome.status = kPortFailed;
        outcome.result = N_("port failed");
        outcome.detail = opened.error;
        return outcome;
    }
    GimbalLine& line = *opened.line;
    OutputQueue queued(events);  // delivers everything before the outcome is returned

    upgrade::UpgradeSupervisor supervisor(recordingOutput(outcome, queued.events(), maxProgress));
    if (!supervisor.Upgrade(&line.upgradeLink(), maxProgress, steadyMillis())) {
        line.close();  // a file with an empty image area
        outcome.status = kRefusedFile;
        outcome.result = N_("refused file");
        return outcome;
    }

    const auto tick = std::chrono::milliseconds(upgrade::kTickMs);
    auto next = GimbalLine::Clock::now() + tick;
    for (;;) {
        const bool interrupted = !line.runUntil(next);
        if (supervisor.rTimerFlag && interrupted) {
            const bool stopped = !line.lineGone();
            line.close();
            setUnfinished(outcome, stopped);
            return outcome;
        }
        if (!supervisor.handleTick(&line.upgradeLink(), steadyMillis())) break;
        // Ticks keep their pace from the start; after a stall the next one
        // is a whole tick away.
        next = std::max(next + tick, GimbalLine::Clock::now());
    }
    line.close();
    setResult(outcome, supervisor.ending);
    return outcome;
}

}  // namespace gimbalctl
