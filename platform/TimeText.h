#pragma once
// A moment as people and records read it: its calendar parts in UTC or local
// time, and those parts as a strftime format writes them. The record's times
// are UTC ("2026-12-08T09:14:41Z"); the display's and the report's are local.

#include <ctime>
#include <string>

namespace gimbalctl {

inline constexpr const char* kRecordTimeFormat = "%Y-%m-%dT%H:%M:%SZ";  // UTC

inline std::tm timeParts(std::time_t time, bool utc) {
    std::tm parts{};
#ifdef _WIN32
    utc ? ::gmtime_s(&parts, &time) : ::localtime_s(&parts, &time);
#else
    utc ? ::gmtime_r(&time, &parts) : ::localtime_r(&time, &parts);
#endif
    return parts;
}

inline std::string timeText(std::time_t time, const char* format, bool utc) {
    const std::tm parts = timeParts(time, utc);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

}  // namespace gimbalctl
