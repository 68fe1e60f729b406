// One port's upgrade on Linux: the port object's reader thread answers the
// gimbal's block requests, the main loop ticks the supervisor.

#include <algorithm>
#include <chrono>

#include "gimbalctl/Commands.h"
#include "gimbalctl/Session.h"
#include "gimbalctl/Upgrade.h"
#include "serial/ULXSerialPort.h"
#include "upgrade/UpgradeSupervisor.h"

namespace gimbalctl {

UpgradeOutcome upgradeOnePort(const std::string& path, int maxProgress,
                              const UpgradeEvents& events) {
    UpgradeOutcome outcome;
    outcome.port = path;
    OpenedPort opened = openPort(path);
    if (!opened.port) {
        outcome.status = kPortFailed;
        outcome.result = "port failed";
        outcome.detail = opened.error;
        return outcome;
    }

    upgrade::UpgradeSupervisor supervisor(recordingOutput(outcome, events, maxProgress));
    ULXSerialPort* port = opened.port.get();
    if (!supervisor.Upgrade(port, maxProgress)) {  // a file with an empty image area
        port->close();
        outcome.status = kRefusedFile;
        outcome.result = "refused file";
        return outcome;
    }

    // The window's timer: a tick every 0.04 s on this thread, counted from
    // the start so that the ticks keep their pace.
    const auto tick = std::chrono::milliseconds(upgrade::kTickMs);
    auto next = std::chrono::steady_clock::now() + tick;
    for (;;) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            next - std::chrono::steady_clock::now());
        const bool stopped = !runLoopFor(std::max(wait, std::chrono::milliseconds(0)));
        // Only the device going away closes the port behind gimbalctl's back.
        if (supervisor.rTimerFlag && (stopped || !port->isOpen())) {
            port->close();  // puts the line's settings back
            setUnfinished(outcome, stopped);
            return outcome;
        }
        next += tick;
        if (!supervisor.handleTick(port)) break;  // the tick after the end closed the port
    }
    setResult(outcome, supervisor.ending);
    return outcome;
}

}  // namespace gimbalctl
