#pragma once
// gimbalctl's exit statuses, listed once, with the commands that can end with
// each. Each command's --help ends with its own (its manual page is made from
// --help), the Windows zip's README.txt is given the Windows list at build
// time, and a test holds README.md's table to them.

#include <span>
#include <string>

#include "translations/Marked.h"

namespace gimbalctl {

enum ExitStatus : int {
    kOk = 0,
    kRefusedFile = 1,        // the firmware file is refused (inspect, upgrade)
    kBadInput = 2,           // unknown command or option, missing or unreadable file
    kPortFailed = 3,         // the port does not exist, cannot be opened, or its line went away
    kGimbalFailed = 4,       // the gimbal refused the upgrade or reported a failure
    kNoAnswer = 5,           // no reply, or no progress for the timeout
    kLostUpgrade = 6,        // an upgrade process ended without a result
    kWriteFailed = 7,        // standard output or the station's log could not be written
    kSourceUnreachable = 8,  // the release source cannot be reached and nothing is cached
    // Stopped by a signal or a closed standard output: 128 + the signal (unitupgrade/Stop.h).
};

// What the help of each command that opens ports says of their settings.
inline constexpr const char* kLinesRestored = N_(
    "Each serial line's settings are restored when gimbalctl ends, also when a signal stops it.\n");

struct ExitStatusEntry {
    int status;
    const char* word;       // a word or two for records ("port failed")
    const char* meaning;    // on Linux
    const char* onWindows;  // on Windows; nullptr when Windows never returns it
    const char* atStation;  // what it means from `gimbalctl station`; nullptr: as above
    const char* commands;   // the commands that can end with it, space-separated; nullptr: all
};

std::span<const ExitStatusEntry> exitStatuses();

// The status's word: "failed" for one the table does not list.
std::string exitStatusWord(int status);

// "Exit status:" and one line per status ("  3    port missing, ...") that
// the system (Windows, or else Linux) can return: those `command` can end
// with (a station's in its own words), or with no command every one.
std::string exitStatusList(bool windows, const std::string& command = {});

}  // namespace gimbalctl
