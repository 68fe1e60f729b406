// gimbalctl station FILE on Windows: the ports are the COM ports of USB
// adapters (those with a USB vendor:product, as /dev/serial/by-id holds only
// them on Linux), listed once a second as `gimbalctl ports` lists them. Each
// unit's upgrade runs on a thread of its own, as the parallel upgrade runs it.
// The first Ctrl+C is the station's alone (no new units); the second reaches
// the upgrades, which put their lines back.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "gimbalctl/Commands.h"
#include "gimbalctl/Output.h"
#include "station/Station.h"
#include "station/StationOptions.h"
#include "gimbalctl/Stop.h"
#include "gimbalctl/windows/Ports.h"
#include "gimbalctl/windows/WindowsStop.h"

namespace gimbalctl {
namespace {

constexpr auto kListEvery = std::chrono::seconds(1);
constexpr auto kTurn = std::chrono::milliseconds(50);

struct Unit {
    std::thread thread;
    std::atomic<bool> done{false};
    UpgradeOutcome outcome;
};

std::set<std::string> usbAdapterPorts() {
    std::set<std::string> ports;
    for (const windows::PortInfo& port : windows::presentPorts()) {
        if (!port.usbId.empty()) ports.insert(port.name);
    }
    return ports;
}

}  // namespace

int runStation(const StationOptions& options) {
    const std::string& file = options.file;
    const bool json = options.json;
    if (!options.portsFrom.empty()) {
        printFailure(json, {{"command", "station"}},
                     "--ports-from is for Linux: on Windows the station watches the COM ports of "
                     "USB adapters");
        return kBadInput;
    }
    if (!options.serve.empty()) {
        printFailure(json, {{"command", "station"}},
                     "--serve is for Linux: on Windows the station shows its units in the console");
        return kBadInput;
    }
    StationLog log;
    int status = kOk;
    const std::optional<StationFirmware> firmware =
        prepareStation(file, options.logPath, json, log, status);
    if (!firmware) return status;
    windows::holdFirstInterrupt();

    const auto nothingKnown = [](const std::string&) { return std::string(); };
    Station station(*firmware, std::move(log), json, {nothingKnown, nothingKnown});
    std::mutex stationMutex;  // the units' threads report through the station too
    std::map<std::string, std::unique_ptr<Unit>> units;
    std::set<std::string> present;
    auto nextList = std::chrono::steady_clock::now();
    int stopsSeen = 0;
    for (;;) {
        std::unique_lock lock(stationMutex);
        if (std::chrono::steady_clock::now() >= nextList) {
            const std::set<std::string> now = usbAdapterPorts();
            for (const std::string& port : present) {
                if (!now.count(port)) station.gone(port);
            }
            for (const std::string& port : now) station.appeared(port);
            present = now;
            nextList = std::chrono::steady_clock::now() + kListEvery;
        }
        if (const int stops = stopsRequested(); stops > stopsSeen) {
            station.stopTaking();
            stopsSeen = stops;
        }
        for (const std::string& port : station.portsToStart()) {
            auto unit = std::make_unique<Unit>();
            unit->thread = std::thread([&stationMutex, events = station.eventsOf(port), port,
                                        maxProgress = firmware->maxProgress, u = unit.get()] {
                u->outcome = upgradeOnePort(port, maxProgress,
                                            {[&](const std::string& line) {
                                                 std::lock_guard hold(stationMutex);
                                                 events.message(line);
                                             },
                                             [&](int value, int maximum) {
                                                 std::lock_guard hold(stationMutex);
                                                 events.progress(value, maximum);
                                             }});
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
