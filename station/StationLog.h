#pragma once
// The station's record: one JSON line per finished unit, appended to a file
// that is never truncated. Each line is written whole in one write and
// flushed to disk before the call returns, so a power cut loses at most the
// unit in progress. Each record carries its station and a sequence number
// that goes on from the journal's last one, across restarts.

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
    // The sequence number of the journal's last numbered record, 0 when none.
    unsigned long long lastSequence() const { return lastSequence_; }

private:
    std::string path_;
    UniqueFd file_;
    unsigned long long lastSequence_ = 0;
};

}  // namespace gimbalctl
