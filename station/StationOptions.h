#pragma once
// What `gimbalctl station` is told on its command line, and the one place its
// options are declared (StationOptions.cpp), so that the station's features
// add their options here rather than in gimbalctl's main.

#include <string>

#include "unitupgrade/Releases.h"

namespace CLI {
class App;
}

namespace gimbalctl {

struct StationOptions {
    std::string file;          // the firmware file, checked once at start (or a release)
    ReleaseOptions releases;   // --release VERSION|latest, --from, --require-signed
    std::string portsFrom;     // Linux: a folder whose entries are the ports, else udev's devices
    std::string logPath;       // the journal: one JSON line per finished unit
    std::string expectSha256;  // the approved file's digest, or empty
    bool skipCurrent = false;  // units already on the file's version are left alone
    std::string slotsPath;     // the slots' labels, "LABEL SLOT" lines
    std::string db;            // Linux: the factory's database (libpq connection string)
    std::string stationId;     // names the station in each record; the host name by default
    std::string serve;         // Linux: [ADDR:]PORT of the operator's screen, or empty
    bool json = false;
};

// Declares the `station` subcommand and its options on `app`, filling `options`.
CLI::App* addStationCommand(CLI::App& app, StationOptions& options);

// The journal: --log, or with --db alone units.jsonl in the user's state
// folder ($XDG_STATE_HOME/gimbalctl, else ~/.local/state/gimbalctl), made when
// missing; empty when the station keeps no journal, or with `error` set.
std::string journalPath(const StationOptions& options, std::string& error);
// That default journal's path, its folder made when `make` says so.
std::string defaultJournalPath(bool make, std::string& error);

// Upgrades every gimbal as it is plugged in (each once per appearance, several
// at once) and records each unit; returns the exit status. Each system has its
// own (LinuxStation.cpp, windows/WindowsStation.cpp).
int runStation(const StationOptions& options);

}  // namespace gimbalctl
