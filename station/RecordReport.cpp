#include "station/RecordReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "platform/TimeText.h"
#include "unitupgrade/Translation.h"

namespace gimbalctl {
namespace {

constexpr std::size_t kLatestFailures = 10;

// A UTC time ("2026-12-08T09:14:41Z") in the record, or -1.
template <class Json>
std::time_t recordTime(const Json& record, const char* key = "time") {
    const auto found = record.find(key);
    if (found == record.end() || !found->is_string()) return -1;
    std::tm parts{};
    if (std::sscanf(found->template get<std::string>().c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ",
                    &parts.tm_year, &parts.tm_mon, &parts.tm_mday, &parts.tm_hour, &parts.tm_min,
                    &parts.tm_sec) != 6) {
        return -1;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
#ifdef _WIN32
    return ::_mkgmtime(&parts);
#else
    return ::timegm(&parts);
#endif
}

template <class Json>
std::string text(const Json& record, const char* key) {
    const auto found = record.find(key);
    return found != record.end() && found->is_string() ? found->template get<std::string>() : "";
}

int status(const nlohmann::json& record) {
    const auto found = record.find("status");
    return found != record.end() && found->is_number_integer() ? found->get<int>() : -1;
}

// Verified when the record says so; a record without a verdict, when its upgrade completed.
bool verified(const nlohmann::json& record) {
    const auto found = record.find("verified");
    return found != record.end() && found->is_boolean() ? found->get<bool>() : status(record) == 0;
}

std::string slotOf(const nlohmann::json& record) {
    const std::string slot = text(record, "slot");
    return slot.empty() ? text(record, "port") : slot;
}

// A slot as people know it: its label where the record carries one.
template <class Json>
std::string slotName(const Json& row) {
    const std::string label = text(row, "slot_label");
    return label.empty() ? text(row, "slot") : label;
}

struct Tally {
    long units = 0, verified = 0, failed = 0;
    std::time_t lastFailure = -1;
    std::string label;  // the slot's latest label

    void add(const nlohmann::json& record, std::time_t time) {
        ++units;
        if (const std::string named = text(record, "slot_label"); !named.empty()) label = named;
        verified += gimbalctl::verified(record);
        if (status(record) != 0) {
            ++failed;
            lastFailure = std::max(lastFailure, time);
        }
    }
    // Tenths of a percent, rounded half away from zero as SQL's round() does.
    long yieldTenths() const {
        return units ? std::lround(static_cast<double>(verified) * 1000.0 / units) : 0;
    }
    void into(nlohmann::ordered_json& object) const {
        object["units"] = units;
        object["verified"] = verified;
        object["failed"] = failed;
        object["yield_percent"] =
            units ? nlohmann::json(static_cast<double>(yieldTenths()) / 10) : nlohmann::json();
    }
};

std::string figures(const nlohmann::ordered_json& tally) {
    std::string yield = "-";
    if (!tally["yield_percent"].is_null()) {
        const long tenths = std::lround(tally["yield_percent"].get<double>() * 10);
        yield = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
    }
    return formatted(
        _("units %1, verified %2, failed %3, yield %4"),
        {tally["units"].dump(), tally["verified"].dump(), tally["failed"].dump(), yield});
}

}  // namespace

nlohmann::ordered_json recordReport(const std::vector<nlohmann::json>& records,
                                    const RecordFilter& filter) {
    Tally all;
    std::map<std::time_t, Tally> byHour;
    std::map<std::pair<std::string, std::string>, Tally> bySlot;
    std::vector<std::pair<std::time_t, const nlohmann::json*>> failures;
    long rescued = 0;  // upgraded although found in, or restarted into, the boot loader
    for (const nlohmann::json& record : records) {
        const std::time_t time = recordTime(record);
        if (!record.is_object() || time < filter.since) continue;
        if (!filter.firmware.empty() &&
            text(record, "file").find(filter.firmware) == std::string::npos) {
            continue;
        }
        if (!filter.station.empty() && text(record, "station") != filter.station) continue;
        if (!filter.slot.empty() && slotOf(record) != filter.slot &&
            text(record, "slot_label") != filter.slot) {
            continue;
        }
        all.add(record, time);
        std::tm hour = timeParts(time, false);
        hour.tm_min = hour.tm_sec = 0;
        byHour[std::mktime(&hour)].add(record, time);
        bySlot[{text(record, "station"), slotOf(record)}].add(record, time);
        if (status(record) != 0) failures.emplace_back(time, &record);
        const auto bootLoader = record.find("boot_loader");
        rescued += status(record) == 0 && bootLoader != record.end() && *bootLoader == true;
    }

    nlohmann::ordered_json report = {{"since", timeText(filter.since, kRecordTimeFormat, true)}};
    for (const auto& [key, value] :
         {std::pair{"firmware", &filter.firmware}, std::pair{"station", &filter.station},
          std::pair{"slot", &filter.slot}}) {
        if (!value->empty()) report[key] = *value;
    }
    all.into(report);
    report["rescued"] = rescued;
    report["by_hour"] = nlohmann::ordered_json::array();
    for (const auto& [hour, tally] : byHour) {
        nlohmann::ordered_json row = {{"hour", timeText(hour, "%Y-%m-%d %H:00", false)}};
        tally.into(row);
        report["by_hour"].push_back(row);
    }
    // The worst first: most failures, then the lowest yield.
    std::vector<std::pair<std::pair<std::string, std::string>, Tally>> slots(bySlot.begin(),
                                                                             bySlot.end());
    std::stable_sort(slots.begin(), slots.end(), [](const auto& a, const auto& b) {
        return std::tuple(-a.second.failed, a.second.yieldTenths()) <
               std::tuple(-b.second.failed, b.second.yieldTenths());
    });
    report["by_slot"] = nlohmann::ordered_json::array();
    for (const auto& [key, tally] : slots) {
        nlohmann::ordered_json row = {
            {"station", key.first}, {"slot", key.second}, {"slot_label", tally.label}};
        tally.into(row);
        row["last_failure"] =
            tally.lastFailure < 0
                ? nlohmann::json()
                : nlohmann::json(timeText(tally.lastFailure, kRecordTimeFormat, true));
        report["by_slot"].push_back(row);
    }
    std::stable_sort(failures.begin(), failures.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    report["latest_failures"] = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < std::min(failures.size(), kLatestFailures); ++k) {
        const nlohmann::json& record = *failures[k].second;
        report["latest_failures"].push_back({{"time", text(record, "time")},
                                             {"station", text(record, "station")},
                                             {"slot", slotOf(record)},
                                             {"slot_label", text(record, "slot_label")},
                                             {"result", text(record, "result")},
                                             {"status_word", text(record, "status_word")},
                                             {"detail", text(record, "detail")}});
    }
    return report;
}

std::string reportText(const nlohmann::ordered_json& report) {
    const std::time_t since = recordTime(report, "since");
    std::string out = formatted(_("since %1"), {timeText(since, "%Y-%m-%d %H:%M", false)});
    for (const char* key : {"firmware", "station", "slot"}) {
        if (report.contains(key)) out += ", " + std::string(key) + " " + text(report, key);
    }
    out += ": " + figures(report) + "\n";
    if (report.value("rescued", 0) > 0) {
        out +=
            formatted(_("rescued from the boot loader (their last upgrade had not finished): %1"),
                      {report["rescued"].dump()}) +
            "\n";
    }
    if (!report["by_hour"].empty()) out += _("by hour:\n");
    for (const auto& row : report["by_hour"]) {
        out += "  " + text(row, "hour") + "  " + figures(row) + "\n";
    }
    if (!report["by_slot"].empty()) out += _("by slot and station, the worst first:\n");
    for (const auto& row : report["by_slot"]) {
        const std::string station = text(row, "station");
        out += "  " + (station.empty() ? "-" : station) + "  " + slotName(row) + "  " +
               figures(row) + "\n";
    }
    if (!report["latest_failures"].empty()) out += _("latest failures:\n");
    for (const auto& row : report["latest_failures"]) {
        const std::string station = text(row, "station");
        // The record's words and detail are English; people read them in their language.
        out += "  " + timeText(recordTime(row), "%Y-%m-%d %H:%M:%S", false) + "  " +
               (station.empty() ? "-" : station) + "  " +
               formatted(_("%1: %2 (%3): %4"),
                         {slotName(row), translated(text(row, "status_word")),
                          translated(text(row, "result")), translatedLine(text(row, "detail"))}) +
               "\n";
    }
    return out;
}

bool parseSince(const std::string& text, std::time_t now, std::time_t& since) {
    std::tm parts = timeParts(now, false);
    parts.tm_hour = parts.tm_min = parts.tm_sec = 0;
    parts.tm_isdst = -1;
    int days = 0;
    char unit = 0, extra = 0;
    if (text == "today" || text == "yesterday") {
        parts.tm_mday -= text == "yesterday";
    } else if (std::sscanf(text.c_str(), "%d%c%c", &days, &unit, &extra) == 2 && unit == 'd' &&
               days >= 0) {
        since = now - static_cast<std::time_t>(days) * 24 * 3600;
        return true;
    } else {
        std::tm given{};
        char separator = 0;
        const int read =
            std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d%c", &given.tm_year, &given.tm_mon,
                        &given.tm_mday, &separator, &given.tm_hour, &given.tm_min, &extra);
        const bool dateOnly = read == 3,
                   withTime = read == 6 && (separator == ' ' || separator == 'T');
        if (!dateOnly && !withTime) return false;
        if (given.tm_mon < 1 || given.tm_mon > 12 || given.tm_mday < 1 || given.tm_mday > 31 ||
            given.tm_hour > 23 || given.tm_min > 59) {
            return false;
        }
        given.tm_year -= 1900;
        given.tm_mon -= 1;
        given.tm_isdst = -1;
        parts = given;
    }
    since = std::mktime(&parts);
    return since != -1;
}

}  // namespace gimbalctl
