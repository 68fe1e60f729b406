#include "gimbalctl/ExitStatuses.h"

#include <cstdio>

#include "gimbalctl/Commands.h"
#include "gimbalctl/Translation.h"

namespace gimbalctl {

namespace {
// Each meaning fits on one line of an 80-column terminal after its status.
constexpr ExitStatusEntry kStatuses[] = {
    {kOk, "ok", N_("done"), N_("done"),
     N_("every unit done, also when the first Ctrl+C or SIGTERM ended it")},
    {kRefusedFile, "refused file", N_("firmware file refused"), N_("firmware file refused"),
     nullptr},
    {kBadInput, "bad input", N_("bad input: unknown command or option, missing or unreadable file"),
     N_("bad input: unknown command or option, missing or unreadable file"), nullptr},
    {kPortFailed, "port failed",
     N_("port missing, permission denied, held by another program, or unplugged"),
     N_("port missing, held by another program, or unplugged"),
     N_("the first failed unit's status: its port failed")},
    {kGimbalFailed, "gimbal failed",
     N_("the gimbal refused or failed, or calibration values out of range"),
     N_("the gimbal refused or failed, or calibration values out of range"),
     N_("the first failed unit's status: its gimbal refused or failed")},
    {kNoAnswer, "no answer", N_("no answer"), N_("no answer"),
     N_("the first failed unit's status: no answer")},
    {kLostUpgrade, "lost upgrade", N_("an upgrade process ended without a result"), nullptr,
     N_("the first failed unit's status: its upgrade process ended, no result")},
    {kWriteFailed, "write failed", N_("standard output or the station's log could not be written"),
     N_("standard output or the station's log could not be written"),
     N_("standard output or the station's log could not be written (full disk, I/O error)")},
    {129, "interrupted", N_("stopped by SIGHUP (its terminal closed)"),
     N_("its console window was closed"), nullptr},
    {130, "interrupted", N_("stopped by Ctrl+C (SIGINT)"), N_("stopped by Ctrl+C or Ctrl+Break"),
     N_("the second Ctrl+C, interrupting the upgrades in progress")},
    {141, "interrupted", N_("stopped: the reader of standard output went away (SIGPIPE)"), nullptr,
     nullptr},
    {143, "interrupted", N_("stopped by SIGTERM"), nullptr,
     N_("the second SIGTERM, interrupting the upgrades in progress")},
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
    std::string text = _("Exit status:\n");
    for (const auto& entry : kStatuses) {
        const char* meaning = windows ? entry.onWindows : entry.meaning;
        if (!meaning) continue;
        if (station && entry.atStation) meaning = entry.atStation;
        char status[16];
        std::snprintf(status, sizeof status, "  %-5d", entry.status);
        text += status + translated(std::string(meaning)) + "\n";
    }
    return text;
}

}  // namespace gimbalctl
