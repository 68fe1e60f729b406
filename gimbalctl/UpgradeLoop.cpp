// One port's upgrade on any system: the supervisor ticks every 0.04 s over
// the system's line (GimbalLine.h) while the line answers the gimbal. The
// messages and progress go out through a queue of their own, so that output
// that blocks (a console held by a selection, a full pipe) never holds up the
// line; the supervision keeps its times on the clock, so a tick that comes
// late is never made up for by ticks in a row.

#include <algorithm>

#include "gimbalctl/Commands.h"
#include "gimbalctl/OutputQueue.h"
#include "platform/SteadyMillis.h"
#include "unitupgrade/GimbalLine.h"
#include "unitupgrade/Request.h"
#include "unitupgrade/Upgrade.h"
#include "upgrade/UpgradeSupervisor.h"

namespace gimbalctl {

namespace {

// Whether the gimbal is in its boot loader: asked for its version, it asks
// for blocks instead. A gimbal that answers ends the wait at once.
bool probeBootLoader(GimbalLine& line) {
    line.sendRequest(calibration::Request::kReadVer);
    const auto deadline = GimbalLine::Clock::now() + kBootLoaderProbe;
    const auto poll = std::chrono::milliseconds(calibration::kStatusPollMs);
    while (GimbalLine::Clock::now() < deadline) {
        if (!line.runUntil(std::min(GimbalLine::Clock::now() + poll, deadline))) return false;
        if (line.gimbalInBootLoader()) return true;
        const auto r = line.pollStatus(calibration::pageOf(calibration::Request::kReadVer));
        if (r && answers(calibration::Request::kReadVer, *r)) return false;
    }
    return false;
}

}  // namespace

UpgradeOutcome upgradeOnePort(const std::string& path, int maxProgress, const UpgradeEvents& events,
                              std::optional<bool> inBootLoader) {
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

    upgrade::UpgradeSupervisor::Output output =
        recordingOutput(outcome, queued.events(), maxProgress);
    // A file with an empty image area is refused below, with nothing sent.
    const bool fileUsable = line.upgradeLink().linkFirmware().iFileLength > 0;
    if (!inBootLoader) inBootLoader = fileUsable && probeBootLoader(line);
    outcome.bootLoader = *inBootLoader;
    if (outcome.bootLoader) output.message(kFoundInBootLoader);
    upgrade::UpgradeSupervisor supervisor(output);
    if (!supervisor.Upgrade(&line.upgradeLink(), maxProgress, steadyMillis())) {
        line.close();  // a file with an empty image area
        outcome.status = kRefusedFile;
        outcome.result = N_("refused file");
        return outcome;
    }

    // A restart in the boot loader mid-transfer counts as found there too.
    const auto noteTries = [&] {
        outcome.tries = supervisor.tries;
        outcome.bootLoader = outcome.bootLoader || supervisor.tries > 1;
    };
    const auto tick = std::chrono::milliseconds(upgrade::kTickMs);
    auto next = GimbalLine::Clock::now() + tick;
    for (;;) {
        const bool interrupted = !line.runUntil(next);
        if (supervisor.rTimerFlag && interrupted) {
            const bool stopped = !line.lineGone();
            noteTries();
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
    noteTries();
    setResult(outcome, supervisor.ending);
    return outcome;
}

}  // namespace gimbalctl
