#include "station/StationOptions.h"

#include <CLI/CLI.hpp>

namespace gimbalctl {

CLI::App* addStationCommand(CLI::App& app, StationOptions& options) {
    CLI::App* station = app.add_subcommand(
        "station", "Production station: upgrade every gimbal as it is plugged in, keep a record");
    station->add_option("FILE", options.file, "Firmware file, checked once at start")->required();
    station->add_option("--ports-from", options.portsFrom,
                        "Folder whose entries are the ports, as udev makes /dev/serial/by-path "
                        "(Linux; default: the USB serial devices as udev adds them)");
    station->add_option("--log", options.logPath,
                        "Append one JSON line per finished unit to this file, flushed to disk; "
                        "a log that cannot be written stops the station with status 7");
    station->footer(
        "Ctrl+C or SIGTERM: no new units, the upgrades in progress finish; a second Ctrl+C\n"
        "interrupts them. Status: 0 when every unit succeeded, else the first failure's.");
    return station;
}

}  // namespace gimbalctl
