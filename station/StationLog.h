#pragma once
// The station's record: one JSON line per finished unit, appended to a file
// that is never truncated. Each line is written whole in one write and
// flushed to disk before the call returns, so a power cut loses at most the
// unit in progress.

#include <string>

#include "platform/UniqueFd.h"

namespace gimbalctl {

class StationLog {
public:
    StationLog() = default;  // no log: every line is dropped
    // Opens `path` for appending, creating it when missing. A last line left
    // unfinished by a crash is ended first, so that the next line parses.
    bool open(const std::string& path, std::string& error);
    // Appends the line and its line feed and flushes them to disk.
    bool append(const std::string& line, std::string& error);

private:
    std::string path_;
    UniqueFd file_;
};

}  // namespace gimbalctl
