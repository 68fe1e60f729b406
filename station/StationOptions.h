#pragma once
// What `gimbalctl station` is told on its command line, and the one place its
// options are declared (StationOptions.cpp), so that the station's features
// add their options here rather than in gimbalctl's main.

#include <string>

namespace CLI {
class App;
}

namespace gimbalctl {

struct StationOptions {
    std::string file;       // the firmware file, checked once at start
    std::string portsFrom;  // Linux: a folder whose entries are the ports
    std::string logPath;    // the journal: one JSON line per finished unit
    std::string serve;      // Linux: [ADDR:]PORT of the operator's screen, or empty
    bool json = false;
};

// Declares the `station` subcommand and its options on `app`, filling `options`.
CLI::App* addStationCommand(CLI::App& app, StationOptions& options);

// Upgrades every gimbal as it is plugged in (each once per appearance, several
// at once) and records each unit; returns the exit status. Each system has its
// own (LinuxStation.cpp, windows/WindowsStation.cpp).
int runStation(const StationOptions& options);

}  // namespace gimbalctl
