#pragma once
// What the operator's screen shows, kept as one state under a mutex: the
// station tells it its news (StationObserver) on the station's thread, and
// each screen's thread takes the newest state as JSON text whenever it is
// ready for one. The station never waits for a screen: a slow screen skips
// the states it had no time for, and one that takes none at all is dropped
// by its connection's write timeout (OperatorScreen.cpp).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "station/StationObserver.h"

namespace gimbalctl {

class ScreenFeed : public StationObserver {
public:
    // The units listed as finished, newest first.
    static constexpr std::size_t kRecentUnits = 20;

    void firmware(const std::string& name, const std::string& version,
                  const std::string& sha256) override;
    void unitStarted(const std::string& slot) override;
    void unitMessage(const std::string& slot, const std::string& line) override;
    void unitProgress(const std::string& slot, int value, int maximum) override;
    void unitFinished(const UnitVerdict& verdict) override;
    void tallyChanged(const StationTally& tally) override;
    void stopping() override;

    // A slot known before a unit is plugged into it, or the name a plan of
    // the fixture gives it (shown instead of the slot's own name).
    void addSlot(const std::string& slot, const std::string& label);
    // The records not yet in the database.
    void setRecordsWaiting(int count);

    // The state as JSON, and its version (one more with every change).
    struct Snapshot {
        std::uint64_t version = 0;
        std::string json;
    };
    // The state once it is newer than version `seen`; none when `until`
    // comes first or the feed is closed.
    std::optional<Snapshot> newerThan(std::uint64_t seen,
                                      std::chrono::steady_clock::time_point until);
    // Returns at `until` or, sooner, when the feed is closed.
    void sleepUntil(std::chrono::steady_clock::time_point until);
    // The station is ending: every waiting screen returns at once.
    void close();
    bool closed() const;

private:
    struct Tile {
        std::string label;
        std::string state = "waiting";  // waiting, upgrading, passed, failed
        std::string board;              // upgrading: ID3, ID2 or ID1
        int progress = 0, maximum = 0;
        std::int64_t since = 0;   // ms since the epoch: started or finished
        bool bootLoader = false;  // its gimbal was in its boot loader at some point
        UnitVerdict verdict;
    };
    struct Finished {
        std::int64_t at = 0;
        std::string label;
        UnitVerdict verdict;
    };
    Tile& tile(const std::string& slot);  // made when first told of
    void changed();                       // with the lock held
    std::string toJson() const;           // with the lock held

    mutable std::mutex mutex_;
    std::condition_variable changes_;
    std::uint64_t version_ = 1;
    bool closed_ = false;
    bool stopping_ = false;
    std::string firmwareName_, firmwareVersion_, firmwareSha256_;
    int firstBoard_ = 3;  // the first board an upgrade serves
    StationTally tally_;
    std::optional<int> recordsWaiting_;
    std::map<std::string, Tile> tiles_;
    std::deque<Finished> recent_;
    mutable std::uint64_t jsonVersion_ = 0;
    mutable std::string json_;  // the state of jsonVersion_
};

}  // namespace gimbalctl
