#pragma once
// gimbalctl's exit statuses, listed once, with the commands that can end with
// each. Each command's --help ends with its own (its manual page is made from
// --help), the Windows zip's README.txt is given the Windows list at build
// time, and a test holds README.md's table to them.

#include <span>
#include <string>

namespace gimbalctl {

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
