#include "station/RecordsCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "station/RecordDatabase.h"
#include "station/RecordReport.h"
#include "station/StationLog.h"
#include "station/StationOptions.h"
#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Translation.h"

namespace gimbalctl {
namespace {

// Every JSON object of the journals; a line a crash cut short is passed over.
bool readJournals(const std::vector<std::string>& paths, std::vector<nlohmann::json>& records,
                  std::string& error) {
    for (const std::string& path : paths) {
#ifdef _WIN32  // the command line's UTF-8, not the code page
        std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                         std::ios::binary);
#else
        std::ifstream in(path, std::ios::binary);
#endif
        if (!in) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        for (std::string line; std::getline(in, line);) {
            if (JournalHeader header; readHeader(line, header)) continue;  // not a unit
            nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
            if (record.is_object()) records.push_back(std::move(record));
        }
    }
    return true;
}

}  // namespace

CLI::App* addRecordsCommand(CLI::App& app, RecordsOptions& options) {
    CLI::App* records = app.add_subcommand(
        "records", _("Units, verified, failed and yield from the stations' records"));
    CLI::Option* db =
        records
            ->add_option("--db", options.db,
                         _("The factory's PostgreSQL database (a libpq connection string or URI; "
                           "Linux)"))
            ->type_name("CONNINFO");
    records
        ->add_option("--log", options.logs,
                     _("A station's journal; repeat for several (default without --db: "
                       "units.jsonl in ~/.local/state/gimbalctl)"))
        ->type_name("FILE")
        ->excludes(db);
    records
        ->add_flag("--init-db", options.initDb,
                   _("Make the schema in the --db database, or upgrade an older one keeping its "
                     "rows (as the database's owner)"))
        ->needs(db);
    records
        ->add_option("--since", options.since,
                     _("today, yesterday, Nd (N days back), YYYY-MM-DD or 'YYYY-MM-DD HH:MM' "
                       "(local time)"))
        ->type_name("WHEN")
        ->capture_default_str();
    records->add_option("--firmware", options.firmware,
                        _("Only units given a firmware file whose name holds this"));
    records->add_option("--station", options.station, _("Only this station's units"))
        ->type_name("NAME");
    records
        ->add_option("--slot", options.slot,
                     _("Only this slot's units, by its label or its slot (the port when the "
                       "station names no slots)"))
        ->type_name("SLOT");
    return records;
}

int runRecords(const RecordsOptions& options) {
    const nlohmann::json context = {{"command", "records"}};
    std::string error;
    if (options.initDb) {
        translations::Wording text;
        const bool made = initDatabase(options.db, text);
        if (!made) {
            printFailure(options.json, context, text.english());
            return kBadInput;
        }
        if (options.json) {
            printJson({{"event", "schema"}, {"message", text.english()}});
        } else {
            std::printf("%s\n", shown(text).c_str());
        }
        return kOk;
    }
    RecordFilter filter{0, options.firmware, options.station, options.slot};
    if (!parseSince(options.since, std::time(nullptr), filter.since)) {
        printFailure(options.json, context,
                     N_("--since %1: not a time (today, yesterday, Nd, YYYY-MM-DD or "
                        "'YYYY-MM-DD HH:MM')"),
                     {options.since});
        return kBadInput;
    }
    std::vector<std::string> logs = options.logs;
    if (options.db.empty() && logs.empty()) {
        const std::string journal = defaultJournalPath(false, error);
        std::error_code ignored;
        if (journal.empty() || !std::filesystem::exists(journal, ignored)) {
            if (journal.empty()) {
                printFailure(options.json, context,
                             N_("no default journal: records needs --db CONNINFO or --log FILE"));
            } else {
                printFailure(options.json, context,
                             N_("no journal at %1: records needs --db CONNINFO or --log FILE"),
                             {journal});
            }
            return kBadInput;
        }
        logs.push_back(journal);
    }
    std::vector<nlohmann::json> records;
    const bool read = options.db.empty() ? readJournals(logs, records, error)
                                         : fetchRecords(options.db, filter.since, records, error);
    if (!read) {
        printFailure(options.json, context, error);
        return kBadInput;
    }
    const nlohmann::ordered_json report = recordReport(records, filter);
    if (options.json) {
        std::printf("%s\n",
                    report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        std::fputs(reportText(report).c_str(), stdout);
    }
    return kOk;
}

}  // namespace gimbalctl
