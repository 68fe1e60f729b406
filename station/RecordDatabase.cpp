#include "station/RecordDatabase.h"

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "station/UnitsSchema.h"

namespace gimbalctl {
namespace {

// Each record's columns come from its own fields of the same name, keyed by
// its journal (none: its station's legacy key); the function keeps a clashing
// record apart and names it.
constexpr const char* kInsert =
    "SELECT journal::text, sequence FROM units_insert($1::uuid, $2::uuid, $3::jsonb)";

// Stations and people making the schema at once take turns.
constexpr const char* kCreateLock = "SELECT pg_advisory_xact_lock(7203315591);";

// A statement waits this long for a lock, and works this long, before giving
// up: the records wait in the journal, and a stop is never held up.
constexpr const char* kTimeouts = "SET lock_timeout = '3s'; SET statement_timeout = '5s'";
// Making or upgrading the schema, or a report, may take longer on a large table.
constexpr const char* kPatientTimeouts = "SET lock_timeout = '10s'; SET statement_timeout = 0";

using Options = std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)>;

// A connection attempt ends this long after it began, whatever the hosts.
constexpr std::chrono::seconds kConnectDeadline{5};

// The first line of libpq's or the server's message, without its severity.
std::string firstLine(const char* text) {
    const std::string all = text ? text : "";
    std::string line = all.substr(0, all.find('\n'));
    for (const char* severity : {"FATAL:", "ERROR:"}) {
        if (line.rfind(severity, 0) == 0) {
            const std::size_t words = line.find_first_not_of(' ', std::strlen(severity));
            line = words == std::string::npos ? "" : line.substr(words);
        }
    }
    return line.empty() ? "no reason given" : line;
}

bool isUri(const std::string& conninfo) {
    return conninfo.rfind("postgresql://", 0) == 0 || conninfo.rfind("postgres://", 0) == 0;
}

// The string's options as libpq reads them, or none.
std::map<std::string, std::string> optionsOf(const std::string& conninfo) {
    std::map<std::string, std::string> parts;
    const Options options(PQconninfoParse(conninfo.c_str(), nullptr), PQconninfoFree);
    for (PQconninfoOption* o = options.get(); o && o->keyword; ++o) {
        if (o->val && *o->val) parts[o->keyword] = o->val;
    }
    return parts;
}

// libpq quotes the part of the string it stumbled on, which may be a piece of
// a password: every quoted part is hidden except those in `shown` and a
// single character (the "=" it missed).
std::string maskQuoted(const std::string& message, const std::set<std::string>& shown = {}) {
    std::string masked;
    std::size_t from = 0;
    for (std::size_t open; (open = message.find('"', from)) != std::string::npos;) {
        const std::size_t close = message.find('"', open + 1);
        if (close == std::string::npos) return masked + message.substr(from, open - from) + "…";
        const std::string inside = message.substr(open + 1, close - open - 1);
        bool show = inside.size() <= 1 || shown.count(inside);
        for (const std::string& part : shown)
            show = show || (part.size() > 1 && inside.rfind(part, 0) == 0);
        masked += message.substr(from, open - from) + (show ? '"' + inside + '"' : "\"…\"");
        from = close + 1;
    }
    return masked + message.substr(from);
}

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;
Result run(pg_conn* connection, const char* sql) { return {PQexec(connection, sql), PQclear}; }

bool succeeded(const Result& result) {
    const ExecStatusType status = PQresultStatus(result.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string sqlState(const Result& result) {
    const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    return state ? state : "";
}

std::string message(const Result& result) {
    return firstLine(PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY));
}

void ignoreNotice(void*, const char*) {}

// A connection, or null with `why`: one deadline for the whole attempt,
// whatever the hosts in the string (a host that accepts and never answers
// would hold a blocking connect for its own time-out, host after host), given
// up at once when `stopped` turns true. Short time-outs after: a database
// that does not answer only delays the records.
pg_conn* open(const std::string& conninfo, const char* application, std::string& why,
              const std::atomic<bool>* stopped = nullptr) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + kConnectDeadline;
    const char* keys[] = {"tcp_user_timeout", "keepalives_idle", "application_name", "dbname",
                          nullptr};
    const char* values[] = {"15000", "15", application, conninfo.c_str(), nullptr};
    pg_conn* connection = PQconnectStartParams(keys, values, 1);
    if (!connection) {
        why = "out of memory";
        return nullptr;
    }
    // Polled as libpq asks: first for writing, then as each step says.
    PostgresPollingStatusType step = PGRES_POLLING_WRITING;
    while (PQstatus(connection) != CONNECTION_BAD && step != PGRES_POLLING_OK &&
           step != PGRES_POLLING_FAILED) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || (stopped && *stopped)) {
            why = left.count() <= 0
                      ? "no answer within " + std::to_string(kConnectDeadline.count()) + " s"
                      : "stopped while connecting";
            PQfinish(connection);
            return nullptr;
        }
        pollfd socket{PQsocket(connection), short(step == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                      0};
        // In slices, so that a stop is seen within a tenth of a second.
        const int ready = ::poll(&socket, 1, int(std::min<long long>(left.count(), 100)));
        if (ready > 0 || socket.fd < 0) step = PQconnectPoll(connection);
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        why = withoutPassword(firstLine(PQerrorMessage(connection)), conninfo);
        PQfinish(connection);
        return nullptr;
    }
    // CREATE ... IF NOT EXISTS and the like tell the server's notices on standard error.
    PQsetNoticeProcessor(connection, ignoreNotice, nullptr);
    return connection;
}

// The schema's version in the database: 0 when it has none, -1 when it holds
// a table units that is not ours (`why` says), -2 on another error.
int schemaVersion(pg_conn* c, std::string& why) {
    Result version = run(c, "SELECT units_schema_version()");
    if (succeeded(version)) return std::atoi(PQgetvalue(version.get(), 0, 0));
    if (sqlState(version) != "42883") {  // anything but no such function
        why = message(version);
        return -2;
    }
    Result table = run(c, "SELECT to_regclass('units') IS NOT NULL");
    if (succeeded(table) && std::strcmp(PQgetvalue(table.get(), 0, 0), "t") == 0) {
        why =
            "the database holds a table units that gimbalctl did not make "
            "(it has no units_schema_version())";
        return -1;
    }
    return 0;
}

std::string versionText(int found) {
    return "the database's units schema is version " + std::to_string(found) +
           "; this gimbalctl writes version " + std::to_string(kUnitsSchemaVersion);
}

}  // namespace

std::string connectionStringProblem(const std::string& conninfo) {
    if (conninfo.empty()) return "--db: the connection string is empty";
    const std::string notShown = " (not shown: it may hold a password)";
    if (!isUri(conninfo) && conninfo.find('=') == std::string::npos) {
        return "--db: not a connection string: give key=value pairs (such as "
               "\"host=db.factory dbname=units user=gimbal_station\") or a postgresql:// URI" +
               notShown;
    }
    if (isUri(conninfo)) {
        // A password's @ : / ? # must be written as %40 %3A %2F %3F %23, or
        // its pieces would be read as the host or the port.
        const std::size_t start = conninfo.find("://") + 3;
        const std::string authority =
            conninfo.substr(start, conninfo.find_first_of("/?", start) - start);
        if (authority.find('@') != authority.rfind('@')) {
            return "--db: the URI cannot be read: it has more than one @ before its host (write "
                   "a password's @ as %40)" +
                   notShown;
        }
        // libpq ends the host at the first /: a password's / would make the
        // rest of the password the port and the host part of the database's name.
        const std::string path = conninfo.substr(0, conninfo.find('?', start));
        const std::size_t slash = path.find('/', start);
        if (slash != std::string::npos && path.find('@', slash) != std::string::npos) {
            return "--db: the URI cannot be read: an @ follows a / before its host (write a "
                   "password's / as %2F, an @ in a database's name as %40)" +
                   notShown;
        }
    }
    char* error = nullptr;
    const Options options(PQconninfoParse(conninfo.c_str(), &error), PQconninfoFree);
    if (options) return {};
    const std::string why = error ? maskQuoted(firstLine(error)) : "out of memory";
    PQfreemem(error);
    return "--db: the connection string cannot be read: " + why;
}

std::string connectionTarget(const std::string& conninfo) {
    std::map<std::string, std::string> parts = optionsOf(conninfo);
    const auto part = [&](const char* key) {
        const auto found = parts.find(key);
        return found == parts.end() ? std::string() : found->second;
    };
    std::string text = part("dbname").empty() ? std::string("the default database")
                                              : "database \"" + part("dbname") + "\"";
    if (!part("service").empty()) text += " of service \"" + part("service") + "\"";
    const std::string host = part("host").empty() ? part("hostaddr") : part("host");
    if (!host.empty()) text += " on " + host;
    // Only a port of digits is shown: anything else may be a piece of a password.
    const std::string port = part("port");
    if (!port.empty() && port.find_first_not_of("0123456789,") == std::string::npos) {
        text += (host.empty() ? " on port " : ":") + port;
    }
    if (!part("user").empty()) text += " as " + part("user");
    return withoutPassword(text, conninfo);
}

std::string withoutPassword(const std::string& text, const std::string& conninfo) {
    std::map<std::string, std::string> parts = optionsOf(conninfo);
    const std::string password = parts["password"];
    std::set<std::string> shown;
    for (const char* key : {"host", "hostaddr", "user", "dbname", "service"}) {
        if (!parts[key].empty() && parts[key] != password) shown.insert(parts[key]);
    }
    std::string masked = maskQuoted(text, shown);
    if (password.size() >= 3) {
        for (std::size_t at; (at = masked.find(password)) != std::string::npos;) {
            masked.replace(at, password.size(), "…");
        }
    }
    return masked;
}

RecordDatabase::RecordDatabase() = default;
RecordDatabase::~RecordDatabase() { keep(nullptr); }

void RecordDatabase::keep(pg_conn* connection) {
    std::lock_guard lock(cancelMutex_);
    if (connection_) PQfinish(connection_);
    connection_ = connection;
    canceller_.reset(connection ? PQgetCancel(connection) : nullptr, PQfreeCancel);
}

void RecordDatabase::cancel(bool now) {
    stopped_ = true;  // a connection attempt in progress gives up
    std::lock_guard lock(cancelMutex_);
    if (!connection_) return;
    if (now) {
        ::shutdown(PQsocket(connection_), SHUT_RDWR);
        return;
    }
    // The request is a connection of its own, which a server that does not
    // answer would hold up: on a thread of its own, which owns what it uses.
    if (std::shared_ptr<pg_cancel> canceller = canceller_) {
        std::thread([canceller] {
            char ignored[256];
            PQcancel(canceller.get(), ignored, sizeof ignored);
        }).detach();
    }
}

RecordDatabase::State RecordDatabase::failure(const std::string& state) {
    if (!connection_ || PQstatus(connection_) != CONNECTION_OK) {
        keep(nullptr);
        return State::kDown;
    }
    // A data exception or a broken rule (22, 23) is the record's; anything
    // else (no privilege, a full disk, a lock or time-out) is the database's.
    if (state.rfind("22", 0) == 0 || state.rfind("23", 0) == 0) return State::kBadRecord;
    keep(nullptr);
    return State::kRefused;
}

RecordDatabase::State RecordDatabase::connect(const std::string& conninfo, std::string& why) {
    conninfo_ = conninfo;
    keep(open(conninfo, "gimbalctl station", why, &stopped_));
    if (!connection_) return State::kDown;
    pg_conn* c = connection_;
    run(c, kPatientTimeouts);

    const int found = schemaVersion(c, why);
    if (found == -1) {
        keep(nullptr);
        return State::kWrongSchema;
    }
    if (found == -2) return failure("");
    if (found < kUnitsSchemaVersion) {
        Result made = run(c, (std::string(kCreateLock) + kUnitsSchema).c_str());
        if (!succeeded(made)) {
            why = found == 0 ? "the table units is missing and cannot be made: " + message(made)
                             : versionText(found) +
                                   ": gimbalctl records --init-db as the database's owner "
                                   "upgrades it, keeping its rows";
            why = withoutPassword(why, conninfo);
            if (found == 0) return failure("");
            keep(nullptr);
            return State::kWrongSchema;
        }
    } else if (found > kUnitsSchemaVersion) {
        why = versionText(found);
        keep(nullptr);
        return State::kWrongSchema;
    }
    run(c, kTimeouts);
    Result allowed =
        run(c, "SELECT has_function_privilege('units_insert(uuid, uuid, jsonb)', 'EXECUTE')");
    if (!succeeded(allowed) || std::strcmp(PQgetvalue(allowed.get(), 0, 0), "t") != 0) {
        const char* user = PQuser(c);
        why = withoutPassword(std::string("the role ") + (user ? user : "") +
                                  " may not insert into units (it needs EXECUTE on FUNCTION "
                                  "units_insert(uuid, uuid, jsonb))",
                              conninfo);
        keep(nullptr);
        return State::kRefused;
    }
    return State::kReady;
}

RecordDatabase::State RecordDatabase::insert(const std::vector<OutgoingRecord>& records,
                                             std::vector<RecordClash>& clashes, std::string& why) {
    if (!connection_) return State::kDown;
    std::string array = "[";
    for (const OutgoingRecord& record : records)
        array += (array.size() > 1 ? "," : "") + record.line;
    array += "]";
    const OutgoingRecord& first = records.front();
    const char* values[] = {first.journal.empty() ? nullptr : first.journal.c_str(),
                            first.station.empty() ? nullptr : first.station.c_str(), array.c_str()};
    Result result(PQexecParams(connection_, kInsert, 3, nullptr, values, nullptr, nullptr, 0),
                  PQclear);
    if (succeeded(result)) {
        for (int row = 0; row < PQntuples(result.get()); ++row) {
            clashes.push_back({PQgetvalue(result.get(), row, 0),
                               std::strtoull(PQgetvalue(result.get(), row, 1), nullptr, 10)});
        }
        return State::kReady;
    }
    why = result ? message(result) : firstLine(PQerrorMessage(connection_));
    if (PQstatus(connection_) != CONNECTION_OK) why = firstLine(PQerrorMessage(connection_));
    why = withoutPassword(why, conninfo_);
    return failure(sqlState(result));
}

bool initDatabase(const std::string& conninfo, translations::Wording& text) {
    const char* plain = "%1";  // a text the core made whole
    if (std::string problem = connectionStringProblem(conninfo); !problem.empty()) {
        text = {plain, {problem}};
        return false;
    }
    const std::string target = connectionTarget(conninfo);
    std::string why;
    std::unique_ptr<pg_conn, decltype(&PQfinish)> connection(
        open(conninfo, "gimbalctl records", why), PQfinish);
    if (!connection) {
        text = {plain, {target + ": " + why}};
        return false;
    }
    pg_conn* c = connection.get();
    run(c, kPatientTimeouts);
    const int found = schemaVersion(c, why);
    const std::string version = std::to_string(kUnitsSchemaVersion);
    if (found > kUnitsSchemaVersion) {
        text = {N_("%1: the database's units schema is version %2; this gimbalctl writes version "
                   "%3"),
                {target, std::to_string(found), version}};
        return false;
    }
    if (found < 0) {
        text = {plain, {target + ": " + withoutPassword(why, conninfo)}};
        return false;
    }
    if (found == kUnitsSchemaVersion) {
        text = {N_("%1: the units schema is version %2 already"), {target, version}};
        return true;
    }
    Result made = run(c, (std::string(kCreateLock) + kUnitsSchema).c_str());
    if (!succeeded(made)) {
        const char* user = PQuser(c);
        std::string failed = target + ": the units schema cannot be " +
                             (found ? "upgraded" : "made") + ": " +
                             withoutPassword(message(made), conninfo);
        if (sqlState(made) == "42501") {  // insufficient privilege
            failed += std::string(" (the role ") + (user ? user : "") +
                      " may not: run --init-db as the database's owner)";
        }
        text = {plain, {failed}};
        return false;
    }
    if (!found) {
        text = {N_("%1: the units schema is version %2"), {target, version}};
        return true;
    }
    Result rows = run(c, "SELECT count(*) FROM units");
    // The stations' roles of the older version may insert into units, which
    // the new version's stations no longer do: they need the function.
    text = {N_("%1: the units schema is version %2 (upgraded from version %3, its %4 records "
               "kept); the stations' roles now need EXECUTE on FUNCTION units_insert(uuid, "
               "uuid, jsonb)"),
            {target, version, std::to_string(found),
             succeeded(rows) ? PQgetvalue(rows.get(), 0, 0) : std::string("?")}};
    return true;
}

bool fetchRecords(const std::string& conninfo, std::time_t since,
                  std::vector<nlohmann::json>& records, std::string& error) {
    if (std::string problem = connectionStringProblem(conninfo); !problem.empty()) {
        error = problem;
        return false;
    }
    std::unique_ptr<pg_conn, decltype(&PQfinish)> connection(
        open(conninfo, "gimbalctl records", error), PQfinish);
    if (!connection) {
        error = connectionTarget(conninfo) + ": " + error;
        return false;
    }
    run(connection.get(), kPatientTimeouts);
    const std::string from = std::to_string(static_cast<long long>(since));
    const char* values[] = {from.c_str()};
    Result rows(PQexecParams(connection.get(),
                             "SELECT record::text FROM units WHERE time >= to_timestamp($1) "
                             "ORDER BY time, station, sequence",
                             1, nullptr, values, nullptr, nullptr, 0),
                PQclear);
    if (!succeeded(rows)) {
        error = connectionTarget(conninfo) + ": " +
                (sqlState(rows) == "42P01" ? "no table units (no station has sent records yet)"
                                           : withoutPassword(message(rows), conninfo));
        return false;
    }
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        records.push_back(nlohmann::json::parse(PQgetvalue(rows.get(), row, 0), nullptr, false));
    }
    return true;
}

}  // namespace gimbalctl
