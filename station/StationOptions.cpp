#include "station/StationOptions.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>

#include "unitupgrade/Translation.h"
#ifndef _WIN32
#include <unistd.h>
#endif

#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Verification.h"

namespace gimbalctl {
namespace {

std::string hostName() {
#ifdef _WIN32
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
#else
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
#endif
}

}  // namespace

CLI::App* addStationCommand(CLI::App& app, StationOptions& options) {
    CLI::App* station = app.add_subcommand(
        "station",
        _("Production station: upgrade every gimbal as it is plugged in, keep a record"));
    CLI::Option* file =
        station->add_option("FILE", options.file, _("Firmware file, checked once at start"))
            ->type_name("");
    station->add_flag("--require-signed", options.releases.requireSigned,
                      _("Refuse a FILE that no release of the source's verified catalogue names"));
    addReleaseChoiceOptions(*station, options.releases, file);
    station
        ->add_option("--ports-from", options.portsFrom,
                     _("Folder whose entries are the ports, as udev makes /dev/serial/by-path "
                       "(Linux; default: the USB serial devices as udev adds them)"))
        ->type_name("DIR");
    station
        ->add_option("--log", options.logPath,
                     _("Append one JSON line per finished unit to this file, flushed to disk; "
                       "a log that cannot be written stops the station with status 7"))
        ->type_name("FILE");
    addExpectSha256Option(*station, options.expectSha256);
    station->add_flag("--skip-current", options.skipCurrent,
                      _("Leave a unit alone that already reports the file's firmware version"));
    station
        ->add_option("--slots", options.slotsPath,
                     _("Lines \"LABEL SLOT\" naming the slots (such as A1 "
                       "pci-0000:00:14.0-usb-0:2.1:1.0), shown and recorded instead of paths"))
        ->type_name("FILE");
    station
        ->add_option("--db", options.db,
                     _("Linux: send each record to the table units of this PostgreSQL database "
                       "too (a libpq connection string or URI); the log stays the record "
                       "(default with --db alone: units.jsonl in ~/.local/state/gimbalctl)"))
        ->type_name("CONNINFO")
        ->envname("GIMBAL_STATION_DB");
    options.stationId = hostName();
    station
        ->add_option("--station-id", options.stationId,
                     _("Names the station in each record (default: the host name)"))
        ->type_name("NAME")
        ->check([](const std::string& name) {
            return name.empty() ? std::string("the station's name is empty") : std::string();
        });
    station
        ->add_option("--serve", options.serve,
                     _("Show the slots, tally and last units on a read-only page at this port "
                       "(Linux; on 127.0.0.1 unless an address is given: 0.0.0.0:8080 shows the "
                       "units to every PC that reaches port 8080)"))
        ->type_name("[ADDR:]PORT");
    station->footer(
        _("Ctrl+C or SIGTERM: no new units, the upgrades in progress finish; a second Ctrl+C\n"
          "interrupts them. Each unit's firmware version is read before and after its upgrade:\n"
          "a unit that then reports another version than the file's fails with status 4.\n") +
        translated(std::string(kLinesRestored)));
    return station;
}

std::string journalPath(const StationOptions& options, std::string& error) {
    if (!options.logPath.empty() || options.db.empty()) return options.logPath;
    return defaultJournalPath(true, error);
}

std::string defaultJournalPath(bool make, std::string& error) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path folder;
    if (state && *state == '/') {
        folder = std::filesystem::path(state) / "gimbalctl";
    } else if (home && *home) {
        folder = std::filesystem::path(home) / ".local" / "state" / "gimbalctl";
    } else {
        error = N_("--db needs a journal: give --log FILE (no HOME to keep one in)");
        return {};
    }
    std::error_code made;
    if (make) std::filesystem::create_directories(folder, made);
    if (made) {
        error = translations::filledIn(N_("%1: %2 (give --log FILE for the journal)"),
                                       {folder.string(), made.message()});
        return {};
    }
    return (folder / "units.jsonl").string();
}

}  // namespace gimbalctl
