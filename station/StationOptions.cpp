#include "station/StationOptions.h"

#include <CLI/CLI.hpp>

#include "gimbalctl/ExitStatuses.h"
#include "gimbalctl/Verification.h"

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
    station
        ->add_option("--expect-sha256", options.expectSha256,
                     "Refuse (status 1, nothing sent) a firmware file with another SHA-256")
        ->check(CLI::Validator(whyNotSha256, "HEX"));
    station->add_flag("--skip-current", options.skipCurrent,
                      "Leave a unit alone that already reports the file's firmware version");
    station->add_option("--slots", options.slotsPath,
                        "Lines \"LABEL SLOT\" naming the slots (such as A1 "
                        "pci-0000:00:14.0-usb-0:2.1:1.0), shown and recorded instead of paths");
#ifdef _WIN32
    constexpr bool kOnWindows = true;
#else
    constexpr bool kOnWindows = false;
#endif
    station->footer(
        "Ctrl+C or SIGTERM: no new units, the upgrades in progress finish; a second Ctrl+C\n"
        "interrupts them. Each unit's firmware version is read before and after its upgrade:\n"
        "a unit that then reports another version than the file's fails with status 4.\n\n" +
        exitStatusList(kOnWindows, true));
    return station;
}

}  // namespace gimbalctl
