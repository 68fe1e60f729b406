#pragma once
// Sends the journal's records to the factory's database on a thread of its
// own, so that no unit ever waits for the database. The journal stays the
// source of truth: the sender reads the file the station writes (through its
// descriptor, never its path, and only what the station has flushed to disk)
// from where it last stopped (a cursor kept beside it, JOURNAL.sent: the byte
// offset sent up to and the journal's identity there), sends what follows and
// moves the cursor on; when the station moves on to a new journal, the old
// one is sent to its end first. A record sent twice (after a crash, or a
// cursor lost) is kept once: the table's key is the record's journal and
// sequence number. While the database is down or refusing, the sender says
// so once with the records waiting, tries again after a pause that grows to
// half a minute (at once when a new record comes), and says when they are all sent.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/UniqueFd.h"
#include "station/RecordDatabase.h"
#include "station/StationLog.h"

namespace gimbalctl {

class RecordSender {
public:
    // Starts sending at once, from a database already tried (connected when ready).
    RecordSender(std::shared_ptr<JournalFile> journal, std::string conninfo,
                 std::unique_ptr<RecordDatabase> database, RecordDatabase::State state,
                 const std::string& why);
    ~RecordSender();  // stops the thread
    RecordSender(const RecordSender&) = delete;
    RecordSender& operator=(const RecordSender&) = delete;

    // A record was appended to the journal.
    void recorded();
    // Readable when there is news for the display (takeNews).
    int descriptor() const { return newsRead_.get(); }
    std::vector<translations::Wording> takeNews();
    // Records in the journal that the database does not hold yet, as far as known.
    std::size_t waiting() const { return waiting_; }
    // The station ends: one more try, waiting up to `patience` for it, then
    // the statement in flight cancelled; the records still waiting, sent by
    // the next start.
    std::size_t finish(std::chrono::milliseconds patience);

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        OutgoingRecord record;
        std::size_t end;  // the journal's offset after its line
    };
    // The records between the cursor and what the station has flushed, and
    // where reading them ended (with the journal in effect there).
    struct Reading {
        std::vector<Pending> pending;
        std::size_t end = 0;
        JournalHeader header;
    };
    void run();
    bool sendWaiting();  // false while the database does not take them
    bool sendBatch(const std::vector<Pending>& batch);
    bool sendOneByOne(const std::vector<Pending>& batch);
    void tellClashes(const std::vector<RecordClash>& clashes);
    bool trouble(const std::string& why);  // told once an outage; false
    void tell(translations::Wording news);
    void wakeStation();  // readable descriptor(): news, or the count waiting moved
    void startFromCursor();
    Reading readPending();
    void moveCursor(std::size_t offset, const JournalHeader& header);

    std::shared_ptr<JournalFile> file_;  // the journal being sent
    const std::string cursorPath_, conninfo_, target_;
    std::unique_ptr<RecordDatabase> database_;
    std::size_t offset_ = 0;  // the journal is sent up to here
    JournalHeader header_;    // the journal in effect at the offset
    bool outage_ = false;     // the database's trouble was told
    bool cursorTold_ = false;
    std::atomic<std::size_t> waiting_{0};
    std::atomic<bool> stop_{false};

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    bool fresh_ = true;  // something to send
    bool finishing_ = false, finished_ = false;
    Clock::time_point retryAt_ = Clock::time_point::max();

    std::mutex newsMutex_;
    std::vector<translations::Wording> news_;
    UniqueFd newsRead_, newsWrite_;
    std::thread thread_;  // last: starts once the rest is ready
};

// Checks the connection string and the database once at start: the sender,
// or null with one line in `error` when the station must not start (a string
// that cannot be read, a database of another schema, a journal that is not a
// file). A database that is down or refusing does not stop the station: its
// records wait in the journal.
std::unique_ptr<RecordSender> startRecordSender(std::shared_ptr<JournalFile> journal,
                                                const std::string& conninfo, std::string& error);

}  // namespace gimbalctl
