#include "gimbalctl/ExitStatuses.h"

#include <cstdio>

#include "gimbalctl/Commands.h"

namespace gimbalctl {

namespace {
// Each meaning fits on one line of an 80-column terminal after its status.
constexpr ExitStatusEntry kStatuses[] = {
    {kOk, "done", "done"},
    {kRefusedFile, "firmware file refused", "firmware file refused"},
    {kBadInput, "bad input: unknown command or option, missing or unreadable file",
     "bad input: unknown command or option, missing or unreadable file"},
    {kPortFailed, "port missing, permission denied, held by another program, or unplugged",
     "port missing, held by another program, or unplugged"},
    {kGimbalFailed, "the gimbal refused or failed, or calibration values out of range",
     "the gimbal refused or failed, or calibration values out of range"},
    {kNoAnswer, "no answer", "no answer"},
    {kLostUpgrade, "an upgrade process ended without a result", nullptr},
    {kWriteFailed, "standard output could not be written (full disk, I/O error)",
     "standard output could not be written (full disk, I/O error)"},
    {129, "stopped by SIGHUP (its terminal closed)", "its console window was closed"},
    {130, "stopped by Ctrl+C (SIGINT)", "stopped by Ctrl+C or Ctrl+Break"},
    {141, "stopped: the reader of standard output went away (SIGPIPE)", nullptr},
    {143, "stopped by SIGTERM", nullptr},
};
}  // namespace

std::span<const ExitStatusEntry> exitStatuses() { return kStatuses; }

std::string exitStatusList(bool windows) {
    std::string text = "Exit status:\n";
    for (const auto& entry : kStatuses) {
        const char* meaning = windows ? entry.onWindows : entry.meaning;
        if (!meaning) continue;
        char line[128];
        std::snprintf(line, sizeof line, "  %-5d%s\n", entry.status, meaning);
        text += line;
    }
    return text;
}

}  // namespace gimbalctl
