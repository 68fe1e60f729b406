#pragma once
// gimbalctl's exit statuses, listed once. --help and station --help end with
// them (the manual page is made from --help), the Windows zip's README.txt is
// given the Windows list at build time, and a test holds README.md's table to them.

#include <span>
#include <string>

namespace gimbalctl {

struct ExitStatusEntry {
    int status;
    const char* word;       // a word or two for records ("port failed")
    const char* meaning;    // on Linux
    const char* onWindows;  // on Windows; nullptr when Windows never returns it
    const char* atStation;  // what it means from `gimbalctl station`; nullptr: as above
};

std::span<const ExitStatusEntry> exitStatuses();

// The status's word: "failed" for one the table does not list.
std::string exitStatusWord(int status);

// "Exit status:" and one line per status ("  3    port missing, ...") that
// the system (Windows, or else Linux) can return; a station's meanings when
// `station` is true.
std::string exitStatusList(bool windows, bool station = false);

}  // namespace gimbalctl
