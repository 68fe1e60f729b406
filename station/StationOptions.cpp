#include "station/StationOptions.h"

#include <CLI/CLI.hpp>

#include "gimbalctl/ExitStatuses.h"

namespace gimbalctl {

CLI::App* addStationCommand(CLI::App& app, StationOptions& options) {
    CLI::App* station = app.add_subcommand(
        "station", "Production station: upgrade every gimbal as it is plugged in, keep a record");
    station->add_option("FILE", options.file, "Firmware file, checked once at start")->required();
    station->add_option("--ports-from", options.portsFrom,
                        "Folder whose entries are the ports (Linux; default /dev/serial/by-id)");
    station->add_option("--log", options.logPath,
                        "Append one JSON line per finished unit to this file, flushed to disk; "
                        "a log that cannot be written stops the station with status 7");
#ifdef _WIN32
    constexpr bool kOnWindows = true;
#else
    constexpr bool kOnWindows = false;
#endif
    station->footer(
        "Ctrl+C or SIGTERM: no new units, the upgrades in progress finish; a second Ctrl+C\n"
        "interrupts them.\n\n" +
        exitStatusList(kOnWindows, true));
    return station;
}

}  // namespace gimbalctl
