#include "unitupgrade/ExitStatuses.h"

#include <cstdio>
#include <sstream>

#include "unitupgrade/Translation.h"

namespace gimbalctl {

namespace {
// The commands that judge a firmware file, and those that talk to a gimbal.
constexpr const char* kFileCommands = "inspect upgrade station";
constexpr const char* kGimbalCommands = "version probe calibrate upgrade station";

// Each meaning fits on one line of an 80-column terminal after its status.
constexpr ExitStatusEntry kStatuses[] = {
    {kOk, "ok", N_("done"), N_("done"),
     N_("every unit done, also when the first Ctrl+C or SIGTERM ended it"), nullptr},
    {kRefusedFile, "refused file", N_("firmware file or release refused"),
     N_("firmware file refused"), nullptr, "inspect upgrade station releases publish"},
    {kBadInput, "bad input", N_("bad input: unknown command or option, missing or unreadable file"),
     N_("bad input: unknown command or option, missing or unreadable file"), nullptr, nullptr},
    {kPortFailed, "port failed",
     N_("port missing, permission denied, held by another program, or unplugged"),
     N_("port missing, held by another program, or unplugged"),
     N_("the first failed unit's status: its port failed"), kGimbalCommands},
    {kGimbalFailed, "gimbal failed",
     N_("the gimbal refused or failed, or calibration values out of range"),
     N_("the gimbal refused or failed, or calibration values out of range"),
     N_("the first failed unit's status: its gimbal refused or failed"), kGimbalCommands},
    {kNoAnswer, "no answer", N_("no answer"), N_("no answer"),
     N_("the first failed unit's status: no answer"), kGimbalCommands},
    {kLostUpgrade, "lost upgrade", N_("an upgrade process ended without a result"), nullptr,
     N_("the first failed unit's status: its upgrade process ended, no result"), "upgrade station"},
    {kWriteFailed, "write failed", N_("standard output could not be written"),
     N_("standard output could not be written"),
     N_("standard output or the station's log could not be written (full disk, I/O error)"),
     nullptr},
    {kSourceUnreachable, "source unreachable",
     N_("the release source cannot be reached and nothing of it is cached"), nullptr, nullptr,
     "releases upgrade station"},
    {129, "interrupted", N_("stopped by SIGHUP (its terminal closed)"),
     N_("its console window was closed"), nullptr, nullptr},
    {130, "interrupted", N_("stopped by Ctrl+C (SIGINT)"), N_("stopped by Ctrl+C or Ctrl+Break"),
     N_("the second Ctrl+C, interrupting the upgrades in progress"), nullptr},
    {141, "interrupted", N_("stopped: the reader of standard output went away (SIGPIPE)"), nullptr,
     nullptr, nullptr},
    {143, "interrupted", N_("stopped by SIGTERM"), nullptr,
     N_("the second SIGTERM, interrupting the upgrades in progress"), nullptr},
};

bool endsWith(const ExitStatusEntry& entry, const std::string& command) {
    if (command.empty() || !entry.commands) return true;
    std::istringstream names(entry.commands);
    for (std::string name; names >> name;) {
        if (name == command) return true;
    }
    return false;
}
}  // namespace

std::span<const ExitStatusEntry> exitStatuses() { return kStatuses; }

std::string exitStatusWord(int status) {
    for (const auto& entry : kStatuses) {
        if (entry.status == status) return entry.word;
    }
    return status > 128 ? "interrupted" : "failed";
}

std::string exitStatusList(bool windows, const std::string& command) {
    std::string text = _("Exit status:\n");
    for (const auto& entry : kStatuses) {
        const char* meaning = windows ? entry.onWindows : entry.meaning;
        if (!meaning || !endsWith(entry, command)) continue;
        if (command == "station" && entry.atStation) meaning = entry.atStation;
        char status[16];
        std::snprintf(status, sizeof status, "  %-5d", entry.status);
        text += status + translated(std::string(meaning)) + "\n";
    }
    return text;
}

}  // namespace gimbalctl
