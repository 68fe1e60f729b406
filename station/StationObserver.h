#pragma once
// What a station tells a watcher beside its terminal output (the operator's
// screen): the firmware, each unit as it starts, progresses and ends, and the
// tally. Called on the station's own thread; a watcher must return at once
// and never hold a unit up. Every call does nothing unless overridden.

#include <optional>
#include <string>

namespace gimbalctl {

// How a unit ended, in the words its slot's tile shows.
struct UnitVerdict {
    std::string slot;        // the fixture's place the unit was plugged into
    std::string word;        // "upgraded", "failed", ...
    bool passed = false;     // green when true, red when false
    int status = 0;          // the exit status
    std::string statusWord;  // "ok", "no answer", ...
    std::string result;      // complete, timeout, line gone, ...
    std::string detail;      // the last message
    double seconds = 0;
    bool bootLoader = false;  // its gimbal was in its boot loader at some point
};

// The station's running counts; none where this station does not count it.
struct StationTally {
    int upgraded = 0;
    int failed = 0;
    std::optional<int> verified;
    std::optional<int> skipped;
};

class StationObserver {
public:
    virtual ~StationObserver() = default;
    virtual void firmware(const std::string& /*name*/, const std::string& /*version*/,
                          const std::string& /*sha256*/) {}
    virtual void unitStarted(const std::string& /*slot*/) {}
    virtual void unitMessage(const std::string& /*slot*/, const std::string& /*line*/) {}
    virtual void unitProgress(const std::string& /*slot*/, int /*value*/, int /*maximum*/) {}
    virtual void unitFinished(const UnitVerdict& /*verdict*/) {}
    virtual void tallyChanged(const StationTally& /*tally*/) {}
    // No new units from now on.
    virtual void stopping() {}
};

}  // namespace gimbalctl
