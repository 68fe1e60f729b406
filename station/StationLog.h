#pragma once
// The station's journal: one JSON line per finished unit, appended to a file
// that is never truncated. Each line is written whole in one write and
// flushed to disk before the call returns, so a power cut loses at most the
// unit in progress. Each record carries its station and a sequence number
// that goes on from the journal's last one, across restarts.
//
// A journal has an identity of its own, in its first line (a header:
// {"journal":UUID,"station_uuid":UUID,"created":TIME[,"follows":UUID]}), and
// its station an identity made once, in station.uuid beside it; the factory's
// database keys each record by its journal and sequence, so that no two
// stations, journals or PCs share a key. A station locks its journal while it
// runs. When the journal is renamed or removed while the station runs, the
// next record goes to a new journal at the path, whose header names the one
// it follows; the sender goes on reading the old file until it has sent it.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"
#include "translations/Marked.h"

namespace gimbalctl {

// One journal file, shared by the station that writes it and the sender that
// reads it through the same descriptor (never by its path, which may name
// another file by then).
class JournalFile {
public:
    JournalFile(std::string path, UniqueFd fd, bool regular)
        : path_(std::move(path)), fd_(std::move(fd)), regular_(regular) {}
    const std::string& path() const { return path_; }  // where it was opened
    int descriptor() const { return fd_.get(); }
    bool regular() const { return regular_; }  // a pipe, a terminal or a device is not
    // The bytes written and flushed to disk: all that may be read.
    std::size_t flushed() const { return flushed_; }
    void setFlushed(std::size_t size) { flushed_ = size; }
    // The journal written after this one, once this one was moved away.
    std::shared_ptr<JournalFile> next() const;
    void setNext(std::shared_ptr<JournalFile> next);

private:
    std::string path_;
    UniqueFd fd_;
    bool regular_;
    std::atomic<std::size_t> flushed_{0};
    mutable std::mutex nextMutex_;
    std::shared_ptr<JournalFile> next_;
};

// A journal's header line, or none: its identity and its station's.
struct JournalHeader {
    std::string journal, station;
};
bool readHeader(const std::string& line, JournalHeader& header);

// The last header of the file's first `end` bytes: the journal that the
// records written there, up to `end`, belong to; false when there is none.
bool lastHeader(int fd, std::size_t end, JournalHeader& header);

// `size` bytes of the file from `offset`, or fewer at its end.
std::string readJournalAt(int fd, std::size_t offset, std::size_t size);

class StationLog {
public:
    enum class Opened { kOk, kCannotWrite, kInUse, kFolder };
    StationLog() = default;  // no log: every line is dropped
    // Opens `path` for appending, creating it when missing, and locks it. A
    // last line left unfinished by a crash is ended first, so that the next
    // line parses; a new journal gets its header.
    Opened open(const std::string& path, std::string& error);
    // Appends the line and its line feed and flushes them to disk; moves on
    // to a new journal first when this one is no longer at its path.
    bool append(const std::string& line, std::string& error);
    // The sequence number of the journal's last numbered record, 0 when none.
    unsigned long long lastSequence() const { return lastSequence_; }
    // The journal first opened (the ones after it follow from it), or none.
    std::shared_ptr<JournalFile> file() const { return first_; }
    // The identities, "" when the log is not a regular file.
    const std::string& journalId() const { return header_.journal; }
    const std::string& stationId() const { return header_.station; }
    // What the station should say about its journal (its identities at
    // start, a journal moved away), once each.
    std::vector<translations::Wording> takeNotices() { return std::move(notices_); }

private:
    Opened openFile(const std::string& follows, std::string& error);
    bool moved() const;  // the path names another file now, or none

    std::string path_;
    std::shared_ptr<JournalFile> first_, current_;
    JournalHeader header_;
    unsigned long long lastSequence_ = 0;
    std::vector<translations::Wording> notices_;
};

}  // namespace gimbalctl
