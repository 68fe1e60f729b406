#include "tests/support/PostgresServer.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const std::string kBin = POSTGRES_BIN;

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

PostgresServer::PostgresServer() {
    std::string name = std::filesystem::temp_directory_path() / "gimbal-postgres-XXXXXX";
    if (!::mkdtemp(name.data())) return;
    folder_ = name;
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(name.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return;
    }
    ok_ = asServerUser(kBin + "/initdb -D " + folder_ +
                       "/data -U gimbal --auth=trust -E UTF8 --no-locale >" + folder_ +
                       "/initdb.log 2>&1") &&
          start();
}

PostgresServer::~PostgresServer() {
    if (folder_.empty()) return;
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool PostgresServer::start() {
    return asServerUser(kBin + "/pg_ctl -D " + folder_ + "/data -l " + folder_ +
                        "/server.log -o \"-c listen_addresses='' -k " + folder_ +
                        "\" -w start >/dev/null");
}

bool PostgresServer::stop() {
    return asServerUser(kBin + "/pg_ctl -D " + folder_ + "/data -m fast -w stop >/dev/null 2>&1");
}

std::string PostgresServer::conninfo(const std::string& user) const {
    return "host=" + folder_ + " dbname=postgres user=" + user;
}

std::string PostgresServer::sql(const std::string& statements, const std::string& user) const {
    const std::string input = folder_ + "/input.sql", output = folder_ + "/output.txt";
    std::ofstream(input) << statements;
    const std::string command = kBin + "/psql -X -q -A -t -v ON_ERROR_STOP=1 \"" + conninfo(user) +
                                "\" -f " + input + " >" + output + " 2>&1";
    const bool ran = std::system(command.c_str()) == 0;
    const std::string printed = readAll(output);
    return ran ? printed : "ERROR " + printed;
}

bool PostgresServer::asServerUser(const std::string& command) const {
    const std::string shell = (::geteuid() == 0 ? "runuser -u nobody -- " : "") + command;
    return std::system(shell.c_str()) == 0;
}
