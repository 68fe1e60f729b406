#pragma once
// Sends the journal's records to the factory's database on a thread of its
// own, so that no unit ever waits for the database. The journal stays the
// source of truth: the sender reads it from where it last stopped (a cursor
// kept beside it, JOURNAL.sent), sends what follows and moves the cursor on.
// A record sent twice (after a crash, or a cursor lost) is kept once: the
// table's key is the record's station and sequence number. While the database
// is down or refusing, the sender says so once with the records waiting,
// tries again after a pause that grows to half a minute (at once when a new
// record comes), and says when they are all sent.

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

namespace gimbalctl {

class RecordSender {
public:
    // Starts sending at once, from a database already tried (connected when ready).
    RecordSender(std::string journal, std::string conninfo, RecordDatabase database,
                 RecordDatabase::State state, const std::string& why);
    ~RecordSender();  // stops the thread
    RecordSender(const RecordSender&) = delete;
    RecordSender& operator=(const RecordSender&) = delete;

    // A record was appended to the journal.
    void recorded();
    // Readable when there is news for the display (takeNews).
    int descriptor() const { return newsRead_.get(); }
    std::vector<std::string> takeNews();
    // Records in the journal that the database does not hold yet, as far as known.
    std::size_t waiting() const { return waiting_; }
    // The station ends: one more try, waiting up to `patience` for it; the
    // records still waiting, sent by the next start.
    std::size_t finish(std::chrono::milliseconds patience);

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        std::string record;
        std::size_t end;  // the journal's offset after its line
    };
    void run();
    bool sendWaiting();  // false while the database does not take them
    bool sendOneByOne(const std::vector<Pending>& batch);
    bool trouble(const std::string& why);  // told once an outage; false
    void tell(const std::string& news);
    void wakeStation();  // readable descriptor(): news, or the count waiting moved
    std::vector<Pending> readPending();
    void moveCursor(std::size_t offset);

    const std::string journal_, cursorPath_, conninfo_, target_;
    RecordDatabase database_;
    std::size_t offset_ = 0;  // the journal is sent up to here
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
    std::vector<std::string> news_;
    UniqueFd newsRead_, newsWrite_;
    std::thread thread_;  // last: starts once the rest is ready
};

// Checks the connection string and the database once at start: the sender,
// or null with one line in `error` when the station must not start (a string
// libpq cannot read, a database of another schema). A database that is down
// or refusing does not stop the station: its records wait in the journal.
std::unique_ptr<RecordSender> startRecordSender(const std::string& journal,
                                                const std::string& conninfo, std::string& error);

}  // namespace gimbalctl
