// The station's records in a PostgreSQL server of the test's own: each unit
// once in the database through outages and restarts, identical to the
// journal; refusals told in one line while the units go on; the report the
// same from the database and from the journal, and the views counting alike.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "tests/cli/GimbalctlRun.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/WaitFor.h"

namespace {

using namespace std::chrono_literals;
using Faults = GimbalSimulator::Faults;

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::vector<nlohmann::json> parsedLines(const std::string& text) {
    std::vector<nlohmann::json> all;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) all.push_back(nlohmann::json::parse(line));
    return all;
}

class Records : public ::testing::Test {
protected:
    TempDir dir;
    PostgresServer server;
    const std::string ports = dir.path() + "/by-id";
    const std::string journal = dir.path() + "/units.jsonl";
    const std::string file =
        dir.write("gimbal-2.010.plov", singleImageFile(imageBytes(100, 3), 0, 0));
    std::vector<pid_t> stations;

    void SetUp() override {
        setenv("TMPDIR", dir.path().c_str(), 1);
        mkdir(ports.c_str(), 0755);
        ASSERT_TRUE(server.ok()) << slurp(server.folder() + "/initdb.log");
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        for (pid_t pid : stations) {
            if (waitpid(pid, nullptr, WNOHANG) != 0) continue;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    Started station(const std::string& db, const std::string& id = "line-1") {
        Started started = start(dir, {"station", "--ports-from", ports, "--log", journal,
                                      "--station-id", id, "--db", db, file});
        stations.push_back(started.pid);
        return started;
    }
    // Unplugged and plugged in again: upgraded again.
    void plug(const GimbalSimulator& gimbal, const std::string& name) const {
        unlink((ports + "/" + name).c_str());
        ASSERT_EQ(symlink(gimbal.slavePath().c_str(), (ports + "/" + name).c_str()), 0);
    }
    std::vector<nlohmann::json> journalRecords() const { return parsedLines(slurp(journal)); }
    std::vector<nlohmann::json> databaseRecords() const {
        return parsedLines(server.sql("SELECT record FROM units ORDER BY station, sequence"));
    }
    bool waitForUnits(std::size_t inJournal, std::size_t inDatabase) const {
        return waitFor([&] { return journalRecords().size() >= inJournal; }, 20000ms, 50ms) &&
               (inDatabase == 0 ||
                waitFor([&] { return databaseRecords().size() >= inDatabase; }, 40000ms, 100ms));
    }
};

}  // namespace

TEST_F(Records, EachUnitReachesTheDatabaseOnceThroughOutagesAndRestarts) {
    GimbalSimulator gimbals[4];
    gimbals[3].setFaults(Faults{.upgradeAnswer = GimbalSimulator::UpgradeAnswer::kRefuse1});
    const std::string uri = "postgresql://gimbal:secret@/postgres?host=" + server.folder();
    Started run = station(uri);
    for (int k = 0; k < 4; ++k) plug(gimbals[k], "g" + std::to_string(k));
    ASSERT_TRUE(waitForUnits(4, 4)) << slurp(run.err);
    EXPECT_EQ(databaseRecords(), journalRecords());

    // Down while two more units finish: they wait, and are sent when it is back.
    ASSERT_TRUE(server.stop());
    plug(gimbals[0], "g0");
    plug(gimbals[1], "g1");
    ASSERT_TRUE(waitFor([&] { return contains(slurp(run.err), "records waiting: "); }, 20000ms));
    ASSERT_TRUE(waitForUnits(6, 0));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(waitForUnits(6, 6)) << slurp(run.err);
    EXPECT_EQ(databaseRecords(), journalRecords());

    // Down again, and the station restarted meanwhile.
    ASSERT_TRUE(server.stop());
    plug(gimbals[0], "g0");
    plug(gimbals[1], "g1");
    ASSERT_TRUE(waitForUnits(8, 0));
    kill(run.pid, SIGTERM);
    const Result first = run.finish();
    EXPECT_EQ(first.status, 4) << "gimbal 3's refusal";
    EXPECT_EQ(occurrences(first.err, "records waiting: "), 2 + 1 + 1)
        << first.err << "each outage told once, each end of one, and the records left at the stop";
    EXPECT_TRUE(contains(first.err, "records waiting: 2; the station's next start sends them"))
        << first.err;
    for (int k = 0; k < 4; ++k) unlink((ports + "/g" + std::to_string(k)).c_str());
    Started again = station(uri);
    ASSERT_TRUE(waitFor([&] { return contains(slurp(again.err), "records waiting: 2 ("); }))
        << slurp(again.err);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(waitForUnits(8, 8)) << slurp(again.err);
    kill(again.pid, SIGTERM);
    const Result second = again.finish();
    const std::vector<nlohmann::json> records = databaseRecords();
    EXPECT_EQ(records, journalRecords());
    for (std::size_t k = 0; k < records.size(); ++k) EXPECT_EQ(records[k]["sequence"], k + 1);
    for (const std::string& shown : {first.out, first.err, second.out, second.err, slurp(journal)})
        EXPECT_FALSE(contains(shown, "secret")) << shown;

    // The report is the same from the database and from the journal, and the views agree.
    for (const char* form : {"--json", "--since=today"}) {
        const Result fromDatabase = gimbalctl(dir, {"records", form, "--db", server.conninfo()});
        const Result fromJournal = gimbalctl(dir, {"records", form, "--log", journal});
        EXPECT_EQ(fromDatabase.status, 0) << fromDatabase.err;
        EXPECT_EQ(fromDatabase.out, fromJournal.out);
    }
    const nlohmann::json report = nlohmann::json::parse(
        gimbalctl(dir, {"records", "--json", "--firmware", "2.010", "--log", journal}).out);
    EXPECT_EQ(report["units"], 8);
    EXPECT_EQ(report["verified"], 7);
    EXPECT_EQ(report["failed"], 1);
    EXPECT_EQ(report["yield_percent"], 87.5);
    EXPECT_EQ(report["by_slot"][0]["slot"], "g3");  // the unit's slot, its name in the folder
    EXPECT_EQ(report["latest_failures"][0]["status_word"], "gimbal failed");
    EXPECT_EQ(server.sql("SELECT sum(units), sum(verified), sum(failed), max(yield_percent) "
                         "FROM unit_yield_by_day WHERE day = current_date"),
              "8|7|1|87.5\n");
    EXPECT_EQ(server.sql("SELECT slot, units, failed FROM unit_failures_by_slot LIMIT 1"),
              "g3|1|1\n");
}

TEST_F(Records, EachRoleDoesItsOwnWorkAndARefusalIsOneLineWhileUnitsGoOn) {
    // The schema as a database administrator applies it, then the roles as the README makes them.
    ASSERT_EQ(server.sql(slurp(SOURCE_DIR "/station/units-schema.sql")), "");
    const std::string readme = slurp(SOURCE_DIR "/README.md");
    const std::size_t roles = readme.find("```sql\n");
    ASSERT_NE(roles, std::string::npos);
    ASSERT_EQ(server.sql(readme.substr(roles + 7, readme.find("```", roles + 7) - roles - 7)), "");
    ASSERT_EQ(server.sql("CREATE ROLE reader LOGIN"), "");

    // The station's role may insert, and read nothing; the report's may read.
    GimbalSimulator gimbal;
    plug(gimbal, "a");
    Started allowed = station(server.conninfo("gimbal_station") + " password=hush");
    ASSERT_TRUE(waitForUnits(1, 1)) << slurp(allowed.err);
    kill(allowed.pid, SIGTERM);
    EXPECT_EQ(allowed.finish().status, 0);
    const Result stationReads =
        gimbalctl(dir, {"records", "--db", server.conninfo("gimbal_station")});
    EXPECT_EQ(stationReads.status, 2);
    EXPECT_TRUE(contains(stationReads.err, "permission denied for table units"))
        << stationReads.err;
    const Result reportReads =
        gimbalctl(dir, {"records", "--db", server.conninfo("gimbal_report")});
    EXPECT_TRUE(contains(reportReads.out, ": units 1, verified 1, failed 0, yield 100.0%\n"))
        << reportReads.out << reportReads.err;

    // A role that may not insert: one line, and the units go on into the journal.
    unlink((ports + "/a").c_str());
    Started refused = station(server.conninfo("reader"));
    plug(gimbal, "a");
    ASSERT_TRUE(waitForUnits(2, 1));
    std::this_thread::sleep_for(1500ms);  // tried again meanwhile
    kill(refused.pid, SIGTERM);
    const Result told = refused.finish();
    EXPECT_EQ(told.status, 0);
    EXPECT_EQ(occurrences(told.err, "the role reader may not insert into units"), 1u) << told.err;
    EXPECT_EQ(journalRecords().back()["sequence"], 2);

    // Bad input at start: a connection string libpq cannot read, a database of
    // another schema; one line each, the password in neither.
    const Result malformed =
        gimbalctl(dir, {"station", "--ports-from", ports, "--db", "password=hush host", file});
    EXPECT_EQ(malformed.status, 2);
    EXPECT_EQ(malformed.err,
              "gimbalctl: --db: the connection string cannot be read: missing \"=\" after \"…\" "
              "in connection info string\n");
    server.sql(
        "CREATE OR REPLACE FUNCTION units_schema_version() RETURNS integer "
        "LANGUAGE sql IMMUTABLE AS 'SELECT 2'");
    const Result otherSchema = gimbalctl(dir, {"station", "--ports-from", ports, "--db",
                                               server.conninfo() + " password=hush", file});
    EXPECT_EQ(otherSchema.status, 2);
    EXPECT_EQ(occurrences(otherSchema.err, "\n"), 1u) << otherSchema.err;
    EXPECT_TRUE(contains(otherSchema.err,
                         "units schema is version 2; this gimbalctl writes "
                         "version 1"))
        << otherSchema.err;
    EXPECT_FALSE(contains(malformed.err + otherSchema.err + otherSchema.out, "hush"));
}
