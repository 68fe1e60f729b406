#pragma once
// One port's upgrade, as gimbalctl runs it in its own process, and its result
// as a JSON object (the same one the parallel parent collects from each child).

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "translations/Marked.h"
#include "upgrade/UpgradeSupervisor.h"

namespace gimbalctl {

struct UpgradeChecks;  // Verification.h

struct UpgradeOutcome {
    std::string port;
    int status = 0;      // ExitStatus
    std::string result;  // complete, refused file, port failed, gimbal error, timeout,
                         // line gone, interrupted
    std::string detail;  // the last message, or why the port failed
    std::vector<std::string> messages;  // the window's message log texts, line by line
    // The gimbal's firmware version before and after the upgrade ("2.010",
    // empty when it did not answer), when they were read (Verification.h).
    bool versionsRead = false;
    std::string versionBefore{}, versionAfter{};
    bool verified = false;  // it reports the file's version afterwards
    // The gimbal was in its boot loader at some point: found so, or restarted
    // into it mid-transfer (upgrade/BootLoader.h); the tries the upgrade took.
    bool bootLoader = false;
    int tries = 0;
};

// The line said of a gimbal found in its boot loader before its upgrade.
inline constexpr const char* kFoundInBootLoader =
    N_("the gimbal is in its boot loader (its last upgrade did not finish); upgrading it");
// How long an upgrade first listens for the gimbal's version or a boot
// loader's block request (which comes once a second).
inline constexpr std::chrono::milliseconds kBootLoaderProbe{1200};

struct UpgradeEvents {
    std::function<void(const std::string& line)> message;
    std::function<void(int value, int maximum)> progress;
};

// Opens the port, runs the upgrade of the loaded file with the window's
// schedule and timeout, and closes the port. Unless told whether the gimbal
// is in its boot loader (inBootLoader), it first asks for the version for up
// to kBootLoaderProbe and says kFoundInBootLoader when a boot loader asks
// for blocks instead.
UpgradeOutcome upgradeOnePort(const std::string& path, int maxProgress, const UpgradeEvents& events,
                              std::optional<bool> inBootLoader = std::nullopt);

// The outcome of an upgrade that ran to its end, by how it ended.
void setResult(UpgradeOutcome& outcome, upgrade::Ending ending);

// The supervisor's output for one port: every log line is kept in the
// outcome (the last one as its detail) and passed on with the progress.
upgrade::UpgradeSupervisor::Output recordingOutput(UpgradeOutcome& outcome,
                                                   const UpgradeEvents& events, int maxProgress);
// The outcome of an upgrade stopped before its end, by a stop signal or by
// its line going away (the caller has closed the port).
void setUnfinished(UpgradeOutcome& outcome, bool stopped);

nlohmann::json toJson(const UpgradeOutcome& outcome, const std::string& file);
UpgradeOutcome outcomeFromJson(const nlohmann::json& object);

// "PORT: RESULT: DETAIL", as each port's result is shown to people.
std::string outcomeLine(const UpgradeOutcome& outcome);

// Prints each port's result of a parallel upgrade and, after a stop, which
// gimbals need the upgrade run again; returns the status (the first port that
// did not succeed decides).
int reportOutcomes(const std::vector<UpgradeOutcome>& outcomes, const std::string& file, bool json);

// Several ports at once (one child process each on Linux, one thread each on
// Windows), each with the checks asked for; prints progress and results.
int upgradeInParallel(const std::vector<std::string>& ports, const std::string& file,
                      int maxProgress, bool json, const UpgradeChecks& checks);

}  // namespace gimbalctl
