#include "gimbalctl/ExitStatuses.h"

#include <cstdio>

#include "gimbalctl/Commands.h"

namespace gimbalctl {

namespace {
// Each meaning fits on one line of an 80-column terminal after its status.
constexpr ExitStatusEntry kStatuses[] = {
    {kOk, "ok", "done", "done", "every unit done, also when the first Ctrl+C or SIGTERM ended it"},
    {kRefusedFile, "refused file", "firmware file or release refused", "firmware file refused",
     nullptr},
    {kBadInput, "bad input", "bad input: unknown command or option, missing or unreadable file",
     "bad input: unknown command or option, missing or unreadable file", nullptr},
    {kPortFailed, "port failed",
     "port missing, permission denied, held by another program, or unplugged",
     "port missing, held by another program, or unplugged",
     "the first failed unit's status: its port failed"},
    {kGimbalFailed, "gimbal failed",
     "the gimbal refused or failed, or calibration values out of range",
     "the gimbal refused or failed, or calibration values out of range",
     "the first failed unit's status: its gimbal refused or failed"},
    {kNoAnswer, "no answer", "no answer", "no answer", "the first failed unit's status: no answer"},
    {kLostUpgrade, "lost upgrade", "an upgrade process ended without a result", nullptr,
     "the first failed unit's status: its upgrade process ended, no result"},
    {kWriteFailed, "write failed", "standard output or the station's log could not be written",
     "standard output or the station's log could not be written",
     "standard output or the station's log could not be written (full disk, I/O error)"},
    {kSourceUnreachable, "source unreachable",
     "the release source cannot be reached and nothing of it is cached", nullptr, nullptr},
    {129, "interrupted", "stopped by SIGHUP (its terminal closed)", "its console window was closed",
     nullptr},
    {130, "interrupted", "stopped by Ctrl+C (SIGINT)", "stopped by Ctrl+C or Ctrl+Break",
     "the second Ctrl+C, interrupting the upgrades in progress"},
    {141, "interrupted", "stopped: the reader of standard output went away (SIGPIPE)", nullptr,
     nullptr},
    {143, "interrupted", "stopped by SIGTERM", nullptr,
     "the second SIGTERM, interrupting the upgrades in progress"},
};
}  // namespace

std::span<const ExitStatusEntry> exitStatuses() { return kStatuses; }

std::string exitStatusWord(int status) {
    for (const auto& entry : kStatuses) {
        if (entry.status == status) return entry.word;
    }
    return status > 128 ? "interrupted" : "failed";
}

std::string exitStatusList(bool windows, bool station) {
    std::string text = "Exit status:\n";
    for (const auto& entry : kStatuses) {
        const char* meaning = windows ? entry.onWindows : entry.meaning;
        if (!meaning) continue;
        if (station && entry.atStation) meaning = entry.atStation;
        char line[128];
        std::snprintf(line, sizeof line, "  %-5d%s\n", entry.status, meaning);
        text += line;
    }
    return text;
}

}  // namespace gimbalctl
