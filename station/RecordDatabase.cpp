#include "station/RecordDatabase.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "station/UnitsSchema.h"

namespace gimbalctl {
namespace {

// Each record's columns come from its own fields of the same name; the whole
// record is kept beside them. One statement for any number of records.
constexpr const char* kInsert = R"sql(
INSERT INTO units (station, sequence, time, port, slot, slot_label, node, by_id, usb_serial,
                   file, file_size, file_sha256, version_before, version_after, verified,
                   result, status, status_word, detail, seconds, gimbalctl, record)
SELECT u.station, u.sequence, u.time, u.port, u.slot, u.slot_label, u.node, u.by_id, u.usb_serial,
       u.file, u.file_size, u.file_sha256, u.version_before, u.version_after, u.verified,
       u.result, u.status, u.status_word, u.detail, u.seconds, u.gimbalctl, r
FROM jsonb_array_elements($1::jsonb) AS r, jsonb_populate_record(NULL::units, r) AS u
ON CONFLICT DO NOTHING)sql";

// Stations creating the schema at once take turns.
constexpr const char* kCreateLock = "SELECT pg_advisory_xact_lock(7203315591);";

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

// The connection string's own words, or a database's name alone.
bool isConnectionString(const std::string& conninfo) {
    return conninfo.find('=') != std::string::npos || conninfo.rfind("postgresql://", 0) == 0 ||
           conninfo.rfind("postgres://", 0) == 0;
}

// libpq quotes the part of the string it stumbled on, which may be a
// password: every quoted part is hidden, except an option's unknown name and
// a single character (the "=" it missed).
std::string maskQuoted(const std::string& message) {
    if (message.rfind("invalid connection option", 0) == 0) return message;
    std::string masked;
    std::size_t from = 0;
    for (std::size_t open; (open = message.find('"', from)) != std::string::npos;) {
        const std::size_t close = message.find('"', open + 1);
        if (close == std::string::npos) return masked + message.substr(from, open - from) + "…";
        const bool shown = close - open <= 2;
        masked += message.substr(from, open - from) +
                  (shown ? message.substr(open, close - open + 1) : "\"…\"");
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

// A connection, or null with `why`. Short time-outs: a database that does not
// answer only delays the records.
pg_conn* open(const std::string& conninfo, const char* application, std::string& why) {
    const char* keys[] = {"connect_timeout",  "tcp_user_timeout", "keepalives_idle",
                          "application_name", "dbname",           nullptr};
    const char* values[] = {"5", "15000", "15", application, conninfo.c_str(), nullptr};
    pg_conn* connection = PQconnectdbParams(keys, values, 1);
    if (!connection) {
        why = "out of memory";
        return nullptr;
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        why = firstLine(PQerrorMessage(connection));
        PQfinish(connection);
        return nullptr;
    }
    // CREATE ... IF NOT EXISTS and the like tell the server's notices on standard error.
    PQsetNoticeProcessor(connection, ignoreNotice, nullptr);
    return connection;
}

}  // namespace

std::string connectionStringProblem(const std::string& conninfo) {
    if (conninfo.empty()) return "--db: the connection string is empty";
    if (!isConnectionString(conninfo)) return {};
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
    if (options) {
        PQconninfoFree(options);
        return {};
    }
    const std::string why = error ? maskQuoted(firstLine(error)) : "out of memory";
    PQfreemem(error);
    return "--db: the connection string cannot be read: " + why;
}

std::string connectionTarget(const std::string& conninfo) {
    std::map<std::string, std::string> parts;
    if (!isConnectionString(conninfo)) parts["dbname"] = conninfo;
    if (PQconninfoOption* options =
            isConnectionString(conninfo) ? PQconninfoParse(conninfo.c_str(), nullptr) : nullptr) {
        for (PQconninfoOption* o = options; o->keyword; ++o) {
            if (o->val && *o->val) parts[o->keyword] = o->val;
        }
        PQconninfoFree(options);
    }
    const auto part = [&](const char* key) {
        const auto found = parts.find(key);
        return found == parts.end() ? std::string() : found->second;
    };
    std::string text = part("dbname").empty() ? std::string("the default database")
                                              : "database \"" + part("dbname") + "\"";
    if (!part("service").empty()) text += " of service \"" + part("service") + "\"";
    const std::string host = part("host").empty() ? part("hostaddr") : part("host");
    if (!host.empty()) text += " on " + host;
    if (!part("port").empty()) text += (host.empty() ? " on port " : ":") + part("port");
    if (!part("user").empty()) text += " as " + part("user");
    return text;
}

void RecordDatabase::Close::operator()(pg_conn* connection) const { PQfinish(connection); }

RecordDatabase::RecordDatabase() = default;
RecordDatabase::~RecordDatabase() = default;
RecordDatabase::RecordDatabase(RecordDatabase&&) noexcept = default;
RecordDatabase& RecordDatabase::operator=(RecordDatabase&&) noexcept = default;

RecordDatabase::State RecordDatabase::failure(const std::string& state) {
    if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK) {
        connection_.reset();
        return State::kDown;
    }
    // A data exception or a broken rule (22, 23) is the record's; anything
    // else (no privilege, a full disk, a read-only server) is the database's.
    if (state.rfind("22", 0) == 0 || state.rfind("23", 0) == 0) return State::kBadRecord;
    connection_.reset();
    return State::kRefused;
}

RecordDatabase::State RecordDatabase::connect(const std::string& conninfo, std::string& why) {
    connection_.reset(open(conninfo, "gimbalctl station", why));
    if (!connection_) return State::kDown;
    pg_conn* c = connection_.get();

    Result version = run(c, "SELECT units_schema_version()");
    if (!succeeded(version) && sqlState(version) == "42883") {  // no such function
        Result table = run(c, "SELECT to_regclass('units') IS NOT NULL");
        if (succeeded(table) && std::strcmp(PQgetvalue(table.get(), 0, 0), "t") == 0) {
            why =
                "the database holds a table units that gimbalctl did not make "
                "(it has no units_schema_version())";
            connection_.reset();
            return State::kWrongSchema;
        }
        Result made = run(c, (std::string(kCreateLock) + kUnitsSchema).c_str());
        if (!succeeded(made)) {
            why = "the table units is missing and cannot be made: " + message(made);
            return failure("");
        }
        version = run(c, "SELECT units_schema_version()");
    }
    if (!succeeded(version)) {
        why = message(version);
        return failure("");
    }
    const int found = std::atoi(PQgetvalue(version.get(), 0, 0));
    if (found != kUnitsSchemaVersion) {
        why = "the database's units schema is version " + std::to_string(found) +
              "; this gimbalctl writes version " + std::to_string(kUnitsSchemaVersion);
        connection_.reset();
        return State::kWrongSchema;
    }
    Result allowed = run(c, "SELECT has_table_privilege('units', 'INSERT')");
    if (!succeeded(allowed) || std::strcmp(PQgetvalue(allowed.get(), 0, 0), "t") != 0) {
        const char* user = PQuser(c);
        why = std::string("the role ") + (user ? user : "") + " may not insert into units";
        connection_.reset();
        return State::kRefused;
    }
    return State::kReady;
}

RecordDatabase::State RecordDatabase::insert(const std::vector<std::string>& records,
                                             std::string& why) {
    if (!connection_) return State::kDown;
    std::string array = "[";
    for (const std::string& record : records) array += (array.size() > 1 ? "," : "") + record;
    array += "]";
    const char* values[] = {array.c_str()};
    Result result(PQexecParams(connection_.get(), kInsert, 1, nullptr, values, nullptr, nullptr, 0),
                  PQclear);
    if (succeeded(result)) return State::kReady;
    why = result ? message(result) : firstLine(PQerrorMessage(connection_.get()));
    if (PQstatus(connection_.get()) != CONNECTION_OK) {
        why = firstLine(PQerrorMessage(connection_.get()));
    }
    return failure(sqlState(result));
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
                                           : message(rows));
        return false;
    }
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        records.push_back(nlohmann::json::parse(PQgetvalue(rows.get(), row, 0), nullptr, false));
    }
    return true;
}

}  // namespace gimbalctl
