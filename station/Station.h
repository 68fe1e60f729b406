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

#include "station/SlotLabels.h"
#include "station/StationLog.h"
#include "station/StationObserver.h"
#include "station/StationOptions.h"
#include "station/UnitSource.h"
#include "unitupgrade/ProgressView.h"
#include "unitupgrade/Upgrade.h"
#include "upgrade/FirmwareVersion.h"

namespace gimbalctl {

// The firmware file as checked at start, once.
struct StationFirmware {
    std::string path;            // as given
    std::vector<uint8_t> bytes;  // what every unit receives
    int maxProgress = 0;
    firmware::Versions versions;  // as each unit must report them after its upgrade
    bool makerWordMatches = true;
    std::string release;   // the verified release it is, or empty
    std::string signedBy;  // that release's key number in hex, or empty
};

// Loads and checks the firmware file (a refused file, or one that is not the
// approved one, ends the station before anything is sent), reads the slots'
// labels and opens the log. None when the station cannot start, having said
// why, with the exit status in `status`.
std::optional<StationFirmware> prepareStation(const StationOptions& options, StationLog& log,
                                              SlotLabels& slots, int& status);

// What the runner knows of a port on its system.
struct PortFacts {
    // Why the port is not a serial device, or empty when it is one.
    std::function<std::string(const std::string& port)> whyNotSerial;
};

class Station {
public:
    Station(const StationFirmware& firmware, StationLog log, bool json, PortFacts facts,
            SlotLabels slots = {});

    // Tells `observer` (which outlives the station) the firmware and tally
    // now, then every unit's news.
    void setObserver(StationObserver& observer);

    // The unit source's news; a unit is known by the port it is opened by.
    void appeared(const UnitIdentity& unit);
    void gone(const std::string& port);
    // The unit on `port`, or none once it has gone.
    const UnitIdentity* identityOf(const std::string& port) const {
        const auto found = present_.find(port);
        return found == present_.end() ? nullptr : &found->second;
    }

    // The unit started on `port` as it was when it started (its device then),
    // or none when no unit is started there.
    const UnitIdentity* startedOn(const std::string& port) const {
        const auto found = units_.find(port);
        return found == units_.end() ? nullptr : &found->second.identity;
    }

    // The ports to start now: present, no upgrade running on them, not yet
    // upgraded since they appeared; each is counted as started. None once stopping.
    std::vector<std::string> portsToStart();
    // The progress and messages of a started port's upgrade.
    UpgradeEvents eventsOf(const std::string& port);
    // A started port's upgrade has ended: shown, counted and recorded.
    void finished(const UpgradeOutcome& outcome);
    // A started port that went away before its upgrade began: no unit, one
    // line (none when told quietly, the same having been said lately).
    void withdrawn(const std::string& port, const std::string& why, bool quietly = false);

    // The first stop: no new units; the ones in progress finish.
    void stopTaking();
    bool stopping() const { return stopping_; }
    bool busy() const { return !units_.empty(); }
    // The exit status: the first failure's, 7 when the log could not be
    // written, or (after a second stop) the stop's, naming the gimbals cut short.
    int finish(bool interrupted);

    // Each record names the station and carries the next sequence number
    // after the journal's last; `recorded` hears of each record once it is in
    // the journal.
    void recordAs(const std::string& stationId, std::function<void()> recorded = {});

    // A line about the station itself (a folder missing, a port left alone).
    void notice(const std::string& text);
    // A notice with %1, %2... filled in: translated for people, English in JSON.
    void notice(const char* text, std::vector<std::string> arguments);
    void notice(const translations::Wording& wording);

private:
    struct Unit {
        std::size_t row = 0;  // its bar
        std::chrono::steady_clock::time_point start;
        UnitIdentity identity;
    };
    void record(const UpgradeOutcome& outcome, double seconds, const UnitIdentity& unit);
    std::string tally() const;
    static constexpr std::size_t kFailedNamed = 3;  // failed units the tally names
    StationTally counts() const;
    UpgradeEvents shownEvents(const std::string& port);

    std::string file_;
    std::string firmwareName_;  // for the record
    std::size_t firmwareSize_;
    std::string firmwareSha256_;
    firmware::Versions firmwareVersions_;
    std::string release_, signedBy_;  // for the record: empty when not a verified release
    StationLog log_;
    bool json_;
    bool terminal_;
    PortFacts facts_;
    SlotLabels slots_;
    std::optional<ProgressView> view_;  // none with json
    StationObserver* observer_;

    std::map<std::string, UnitIdentity> present_;  // by port
    std::set<std::string> upgradedSinceAppearing_;
    std::map<std::string, Unit> units_;
    int upgraded_ = 0, skipped_ = 0, failed_ = 0;
    int verified_ = 0;                     // upgraded and then reporting the file's version
    std::vector<std::string> lastFailed_;  // the latest failed units' names, for the tally
    int status_ = 0;
    bool stopping_ = false;
    bool logFailed_ = false;
    std::string stationId_;
    unsigned long long sequence_;  // the last record's
    std::function<void()> recorded_;
    std::string cutShort_;  // ports whose upgrade a second stop interrupted
};

}  // namespace gimbalctl
