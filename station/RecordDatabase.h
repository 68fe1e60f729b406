#pragma once
// The factory's database of unit records (PostgreSQL through libpq, Linux
// only): the station inserts its journal's records into the table `units`,
// and `gimbalctl records` reads them back. Nothing here names a password:
// the texts for people say which database, on which host, as which user.

#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct pg_conn;

namespace gimbalctl {

// Why libpq cannot read the connection string (a URI, key=value pairs or a
// database's name), or empty when it can.
std::string connectionStringProblem(const std::string& conninfo);
// Which database, host and user the string names, for people.
std::string connectionTarget(const std::string& conninfo);

class RecordDatabase {
public:
    enum class State {
        kReady,        // connected, the schema is ours, and the role may insert
        kDown,         // no connection: down, unreachable or refusing logins
        kRefused,      // connected, but the database refuses to take the records
        kWrongSchema,  // a table units that is not ours, or another version of ours
        kBadRecord,    // one record the database cannot take (insert alone)
    };

    RecordDatabase();
    ~RecordDatabase();
    RecordDatabase(RecordDatabase&&) noexcept;
    RecordDatabase& operator=(RecordDatabase&&) noexcept;

    // Connects, creates the schema when it is absent and checks its version
    // and that this role may insert; `why` says what is wrong, in one line.
    State connect(const std::string& conninfo, std::string& why);
    bool connected() const { return connection_ != nullptr; }
    // Inserts the records (journal lines) in one statement; a record already
    // there is left as it is. Drops the connection unless kReady or kBadRecord.
    State insert(const std::vector<std::string>& records, std::string& why);

private:
    State failure(const std::string& sqlState);
    struct Close {
        void operator()(pg_conn* connection) const;
    };
    std::unique_ptr<pg_conn, Close> connection_;
};

// The records of units finished at `since` or later, oldest first, from a
// connection that may only read `units`; false with `error` when none can be read.
bool fetchRecords(const std::string& conninfo, std::time_t since,
                  std::vector<nlohmann::json>& records, std::string& error);

}  // namespace gimbalctl
