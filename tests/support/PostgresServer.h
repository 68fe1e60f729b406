#pragma once
// A PostgreSQL server of a test's own (Debian's, from POSTGRES_BIN): initdb
// into a temporary folder, listening on a Unix socket in that folder only,
// trusting local connections, with the superuser `gimbal`. When the tests run
// as root the server runs as `nobody` (PostgreSQL refuses root) and the folder
// is its. Stopped and removed when the object goes, whatever the test did.

#include <string>

class PostgresServer {
public:
    PostgresServer();  // made and started; ok() tells
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    bool ok() const { return ok_; }
    bool start();
    bool stop();

    // key=value connection string for the database `postgres` as `user`.
    std::string conninfo(const std::string& user = "gimbal") const;
    const std::string& folder() const { return folder_; }
    // Runs the SQL through psql as `user`, stopping at the first error; the
    // rows printed unaligned, one a line; "ERROR" and the message when it failed.
    std::string sql(const std::string& statements, const std::string& user = "gimbal") const;

private:
    bool asServerUser(const std::string& command) const;  // a shell command; true when it succeeded

    std::string folder_;
    bool ok_ = false;
};
