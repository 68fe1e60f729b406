#pragma once
// In the first seconds after a plug, another program (ModemManager, brltty)
// may probe a new serial device. A unit whose port is held when it appears
// waits for it, up to kLongest, saying what it waits for, before its upgrade
// starts (and then fails as held, naming the holder); a unit whose device
// went away meanwhile, or whose name now leads to another device, is
// withdrawn with one line (the other device is a unit of its own; a name
// re-pointed again and again is told of once a minute at most).

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "station/Station.h"

namespace gimbalctl {

class PortSettle {
public:
    static constexpr std::chrono::seconds kLongest{10};
    static constexpr std::chrono::seconds kRepointToldEvery{60};

    // A port the station has just started.
    void add(const std::string& port);
    // The ports to run the upgrade on now: free, or waited for long enough.
    std::vector<std::string> ready(Station& station);
    // A second stop: the units still waiting are not started at all.
    void dropAll(Station& station);
    // How long the runner may sleep before ready() wants to look again: not
    // at all after a withdrawal, whose name may now be another unit's.
    int pollTimeoutMs() const { return withdrew_ ? 0 : waiting_.empty() ? -1 : 200; }

private:
    struct Waiting {
        std::chrono::steady_clock::time_point since;
        std::string told;  // the holders last named
    };
    std::map<std::string, Waiting> waiting_;
    std::map<std::string, std::chrono::steady_clock::time_point> repointTold_;  // by port
    bool withdrew_ = false;  // by the last ready()
};

}  // namespace gimbalctl
