#pragma once
// The factory's database of unit records (PostgreSQL through libpq, Linux
// only): the station sends its journal's records through the function
// units_insert, and `gimbalctl records` reads them back. No text here ever
// shows a password: the texts for people say which database, on which host,
// as which user, and libpq's and the server's messages are masked.

#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "translations/Marked.h"

struct pg_conn;
struct pg_cancel;

namespace gimbalctl {

// Why the string cannot be used (neither key=value pairs nor a postgres:// or
// postgresql:// URI, or one libpq cannot read), never echoing it; empty when it can.
std::string connectionStringProblem(const std::string& conninfo);
// Which database, host and user the string names, for people.
std::string connectionTarget(const std::string& conninfo);
// `text` with the string's password, and every part libpq quoted, masked.
std::string withoutPassword(const std::string& text, const std::string& conninfo);

// A record on its way: the journal's line, and where it comes from.
struct OutgoingRecord {
    std::string line;
    // The identities of its journal and station, empty for lines from before
    // journals had them.
    std::string journal;
    std::string station;
};
// A record whose key the database holds with other content: kept apart.
struct RecordClash {
    std::string journal;
    unsigned long long sequence = 0;
};

class RecordDatabase {
public:
    enum class State {
        kReady,        // connected, the schema is ours, and the role may send
        kDown,         // no connection: down, unreachable or refusing logins
        kRefused,      // connected, but the database refuses to take the records
        kWrongSchema,  // a table units that is not ours, or another version of ours
        kBadRecord,    // one record the database cannot take (insert alone)
    };

    RecordDatabase();
    ~RecordDatabase();
    RecordDatabase(RecordDatabase&&) = delete;

    // Connects (5 s at most for the whole attempt, whatever the hosts), makes
    // or upgrades the schema when this role may, and checks its version and
    // that this role may send; `why` says what is wrong, in one line.
    State connect(const std::string& conninfo, std::string& why);
    bool connected() const { return connection_ != nullptr; }
    // Sends the records, all of one journal, in one statement: one already
    // there and identical is left as it is; one whose key holds another
    // record is kept apart and named in `clashes` the first time. Drops the
    // connection unless kReady or kBadRecord. Every statement gives up after
    // a few seconds of waiting for a lock or of work.
    State insert(const std::vector<OutgoingRecord>& records, std::vector<RecordClash>& clashes,
                 std::string& why);
    // From another thread: asks the server to cancel the statement in flight
    // (without waiting for its answer), or, with `now`, cuts the connection
    // so that the statement returns at once. A connection attempt in
    // progress gives up at once, and none is made after.
    void cancel(bool now);

private:
    State failure(const std::string& sqlState);
    void keep(pg_conn* connection);  // the connection used from now on, or none
    std::string conninfo_;
    pg_conn* connection_ = nullptr;
    std::mutex cancelMutex_;  // the connection's socket and its cancel request, for cancel()
    std::shared_ptr<pg_cancel> canceller_;
    std::atomic<bool> stopped_{false};
};

// Applies the schema (station/units-schema.sql): makes it, upgrades an older
// version keeping its rows, or says it is there; false with `text` saying
// what the role lacks or what is wrong.
bool initDatabase(const std::string& conninfo, translations::Wording& text);

// The records of units finished at `since` or later, oldest first, from a
// connection that may only read `units`; false with `error` when none can be read.
bool fetchRecords(const std::string& conninfo, std::time_t since,
                  std::vector<nlohmann::json>& records, std::string& error);

}  // namespace gimbalctl
