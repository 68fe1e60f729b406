// gimbalctl station FILE on Windows: the units are the COM ports of USB
// adapters (ComUnitSource). Each unit's upgrade runs on a thread of its own,
// as the parallel upgrade runs it. The first Ctrl+C is the station's alone
// (no new units); the second reaches the upgrades, which put their lines
// back. A closing console waits until every unit started is recorded.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "station/Station.h"
#include "station/StationOptions.h"
#include "station/windows/ComUnitSource.h"
#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Verification.h"
#include "unitupgrade/windows/WindowsStop.h"

namespace gimbalctl {
namespace {

constexpr auto kTurn = std::chrono::milliseconds(50);

struct Unit {
    std::thread thread;
    std::atomic<bool> done{false};
    UpgradeOutcome outcome;
};

}  // namespace

int runStation(const StationOptions& options) {
    const bool json = options.json;
    if (!options.portsFrom.empty()) {
        printFailure(json, {{"command", "station"}},
                     "--ports-from is for Linux: on Windows the station watches the COM ports of "
                     "USB adapters");
        return kBadInput;
    }
    if (!options.db.empty()) {
        printFailure(json, {{"command", "station"}},
                     "--db is for Linux: on Windows the station keeps its records in --log only");
        return kBadInput;
    }
    if (!options.serve.empty()) {
        printFailure(json, {{"command", "station"}},
                     "--serve is for Linux: on Windows the station shows its units in the console");
        return kBadInput;
    }
    StationLog log;
    SlotLabels slots;
    int status = kOk;
    const std::optional<StationFirmware> firmware = prepareStation(options, log, slots, status);
    if (!firmware) return status;
    windows::holdFirstInterrupt();

    const auto nothingKnown = [](const std::string&) { return std::string(); };
    Station station(*firmware, std::move(log), json, {nothingKnown}, std::move(slots));
    // Every unit's versions are read before and after its upgrade.
    const UpgradeChecks checks{true, options.skipCurrent, {}, firmware->versions.firmware};
    station.recordAs(options.stationId);
    std::mutex stationMutex;  // the units' threads report through the station too
    std::map<std::string, std::unique_ptr<Unit>> units;
    windows::ComUnitSource source({[&](const UnitIdentity& unit) { station.appeared(unit); },
                                   [&](const std::string& port) { station.gone(port); },
                                   [&](const std::string& text) { station.notice(text); }});
    int stopsSeen = 0;
    for (;;) {
        std::unique_lock lock(stationMutex);
        source.update();
        if (const int stops = stopsRequested(); stops > stopsSeen) {
            station.stopTaking();
            stopsSeen = stops;
        }
        for (const std::string& port : station.portsToStart()) {
            windows::holdConsoleClose();  // until its record is written
            auto unit = std::make_unique<Unit>();
            unit->thread = std::thread([&stationMutex, &checks, events = station.eventsOf(port),
                                        port, maxProgress = firmware->maxProgress, u = unit.get()] {
                u->outcome = upgradeChecked(port, maxProgress,
                                            {[&](const std::string& line) {
                                                 std::lock_guard hold(stationMutex);
                                                 events.message(line);
                                             },
                                             [&](int value, int maximum) {
                                                 std::lock_guard hold(stationMutex);
                                                 events.progress(value, maximum);
                                             }},
                                            checks);
                u->done = true;
            });
            units[port] = std::move(unit);
        }
        for (auto it = units.begin(); it != units.end();) {
            if (!it->second->done) {
                ++it;
                continue;
            }
            it->second->thread.join();  // done: it reports nothing more
            station.finished(it->second->outcome);
            windows::releaseConsoleClose();
            it = units.erase(it);
        }
        if (station.stopping() && units.empty()) break;
        lock.unlock();
        std::this_thread::sleep_for(kTurn);
    }
    // Only a second Ctrl+C, or the console closing, stops the upgrades themselves.
    return station.finish(stopRequested() != 0);
}

}  // namespace gimbalctl
