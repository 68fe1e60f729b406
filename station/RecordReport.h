#pragma once
// The figures of `gimbalctl records`, from unit records however they were
// read (a journal, the factory's database): units, verified, failed and yield
// in all, by hour, by slot and station (the worst first), and the latest
// failures. The views unit_yield_by_day and unit_failures_by_slot of the
// database (station/units-schema.sql) count the same way.

#include <ctime>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace gimbalctl {

struct RecordFilter {
    std::time_t since = 0;  // units finished at this time or later
    std::string firmware;   // in the firmware file's name, when given
    std::string station;    // exactly, when given
    std::string
        slot;  // a slot or its label, exactly, when given (the port when a record names no slot)
};

// The report as one JSON object; `text` prints it for people (local time).
nlohmann::ordered_json recordReport(const std::vector<nlohmann::json>& records,
                                    const RecordFilter& filter);
std::string reportText(const nlohmann::ordered_json& report);

// A --since value (today, yesterday, Nd for N days back, YYYY-MM-DD or
// YYYY-MM-DD HH:MM, local time) as a time; false when it is none of these.
bool parseSince(const std::string& text, std::time_t now, std::time_t& since);

}  // namespace gimbalctl
