#include "station/StationOptions.h"

#include <CLI/CLI.hpp>

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
    station
        ->add_option("--serve", options.serve,
                     "Show the slots, tally and last units on a read-only page at this port "
                     "(Linux; on 127.0.0.1 unless an address is given: 0.0.0.0:8080 shows the "
                     "units to every PC that reaches port 8080)")
        ->type_name("[ADDR:]PORT");
    station->footer(
        "Ctrl+C or SIGTERM: no new units, the upgrades in progress finish; a second Ctrl+C\n"
        "interrupts them. Status: 0 when every unit succeeded, else the first failure's.");
    return station;
}

}  // namespace gimbalctl
