#pragma once
// The production station's bookkeeping, the same on every system: each port
// is upgraded once per appearance; each upgrade is shown as `gimbalctl
// upgrade` shows it, each finished unit in a line of its own with a running
// tally, and recorded in the log; the first failure decides the exit status.
// Each system's runner watches the ports and runs the upgrades
// (LinuxStation.cpp, windows/WindowsStation.cpp) and tells this
// what happens.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gimbalctl/ProgressView.h"
#include "station/StationLog.h"
#include "station/StationObserver.h"
#include "gimbalctl/Upgrade.h"

namespace gimbalctl {

// The firmware file as checked at start, once.
struct StationFirmware {
    std::string path;            // as given
    std::vector<uint8_t> bytes;  // what every unit receives
    int maxProgress = 0;
    std::string version;  // the firmware version its trailer names, "2.010"
};

// Loads and checks the firmware file (a refused file ends the station before
// anything is sent) and opens the log. None when the station cannot start,
// having said why, with the exit status in `status`.
std::optional<StationFirmware> prepareStation(const std::string& file, const std::string& logPath,
                                              bool json, StationLog& log, int& status);

// What the runner knows of a port on its system.
struct PortFacts {
    // Why the port is not a serial device, or empty when it is one.
    std::function<std::string(const std::string& port)> whyNotSerial;
    // The adapter's USB serial number, or empty when the system does not know it.
    std::function<std::string(const std::string& port)> usbSerial;
};

class Station {
public:
    Station(const StationFirmware& firmware, StationLog log, bool json, PortFacts facts);

    // Tells `observer` (which outlives the station) the firmware and tally
    // now, then every unit's news.
    void setObserver(StationObserver& observer);

    // The watcher's news.
    void appeared(const std::string& port);
    void gone(const std::string& port);

    // The ports to start now: present, no upgrade running on them, not yet
    // upgraded since they appeared; each is counted as started. None once stopping.
    std::vector<std::string> portsToStart();
    // The progress and messages of a started port's upgrade.
    UpgradeEvents eventsOf(const std::string& port);
    // A started port's upgrade has ended: shown, counted and recorded.
    void finished(const UpgradeOutcome& outcome);

    // The first stop: no new units; the ones in progress finish.
    void stopTaking();
    bool stopping() const { return stopping_; }
    bool busy() const { return !units_.empty(); }
    // The exit status: the first failure's, 7 when the log could not be
    // written, or (after a second stop) the stop's, naming the gimbals cut short.
    int finish(bool interrupted);

    // A line about the station itself (a folder missing, a port left alone).
    void notice(const std::string& text);

private:
    struct Unit {
        std::size_t row = 0;  // its bar
        std::chrono::steady_clock::time_point start;
        std::string usbSerial;
    };
    void record(const UpgradeOutcome& outcome, double seconds, const std::string& usbSerial);
    std::string tally() const;
    StationTally counts() const;
    UpgradeEvents shownEvents(const std::string& port);

    std::string file_;
    std::string firmwareName_;  // for the record
    std::size_t firmwareSize_;
    std::string firmwareSha256_;
    std::string firmwareVersion_;
    int maxProgress_;
    StationLog log_;
    bool json_;
    bool terminal_;
    PortFacts facts_;
    std::optional<ProgressView> view_;  // none with json
    StationObserver* observer_;

    std::set<std::string> present_;
    std::set<std::string> upgradedSinceAppearing_;
    std::map<std::string, Unit> units_;
    int upgraded_ = 0, failed_ = 0;
    int status_ = 0;
    bool stopping_ = false;
    bool logFailed_ = false;
    std::string cutShort_;  // ports whose upgrade a second stop interrupted
};

}  // namespace gimbalctl
