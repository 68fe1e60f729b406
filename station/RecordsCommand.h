#pragma once
// gimbalctl records: the figures of the units recorded since a time, from the
// factory's database (--db, Linux) or from stations' journals (--log, by
// default the station's default journal); --init-db makes the database's schema.

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace gimbalctl {

struct RecordsOptions {
    std::string db;
    std::vector<std::string> logs;
    std::string since = "today";
    std::string firmware, station, slot;
    bool initDb = false;  // apply the schema to --db instead of reporting
    bool json = false;
};

CLI::App* addRecordsCommand(CLI::App& app, RecordsOptions& options);
int runRecords(const RecordsOptions& options);

}  // namespace gimbalctl
