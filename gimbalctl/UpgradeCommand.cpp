// gimbalctl upgrade --port P FILE: the whole upgrade, driven by the same
// supervisor as the window's, with a progress bar or progress lines. One
// port's upgrade runs in UpgradeLoop.cpp over each system's line.

#include <algorithm>
#include <cstdio>

#include "gimbalctl/Commands.h"
#include "unitupgrade/FirmwareLoading.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/ProgressView.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/Upgrade.h"
#include "unitupgrade/Verification.h"
#include "upgrade/FirmwareFile.h"

namespace gimbalctl {

void setResult(UpgradeOutcome& outcome, upgrade::Ending ending) {
    switch (ending) {
        case upgrade::Ending::kComplete:
            outcome.status = kOk, outcome.result = N_("complete");
            break;
        case upgrade::Ending::kError:
        case upgrade::Ending::kBootLoader:  // restarted in its boot loader in every try
            outcome.status = kGimbalFailed, outcome.result = N_("gimbal error");
            break;
        case upgrade::Ending::kNone:  // not ended: cannot happen once the ticks stop
        case upgrade::Ending::kTimeout:
            outcome.status = kNoAnswer, outcome.result = N_("timeout");
            break;
    }
}

constexpr const char* kRunAgain = "the gimbal needs the upgrade run again";

upgrade::UpgradeSupervisor::Output recordingOutput(UpgradeOutcome& outcome,
                                                   const UpgradeEvents& events, int maxProgress) {
    return {[&outcome, &events](const char* text) {
                for (const std::string& line : logLines(text)) {
                    outcome.messages.push_back(line);
                    outcome.detail = line;
                    events.message(line);
                }
            },
            // The last reports of a three-image file pass the maximum: every
            // watcher (the bars, a parent, the station's screen) sees it full.
            [&events, maxProgress](int value) {
                events.progress(std::clamp(value, 0, std::max(maxProgress, 1)), maxProgress);
            }};
}

void setUnfinished(UpgradeOutcome& outcome, bool stopped) {
    if (stopped) {
        outcome.status = stopStatus(), outcome.result = N_("interrupted");
        outcome.detail = kRunAgain;
    } else {
        outcome.status = kPortFailed, outcome.result = N_("line gone");
        outcome.detail = lineGoneText(outcome.port) + "; " + kRunAgain;
    }
}

namespace {

// Child of a parallel upgrade: progress, messages and the result as JSON lines.
void report(const nlohmann::json& line) {
    printJson(line);
    std::fflush(stdout);
}

}  // namespace

int runUpgrade(const std::vector<std::string>& ports, const std::string& file, bool json,
               bool reportToParent, UpgradeChecks checks, const std::string& fileName) {
    std::string error;
    std::vector<uint8_t> content;
    const std::optional<firmware::LoadResult> load =
        loadFirmwareFile(file, error, &content, fileName);
    if (!load) {
        printFailure(json, {{"command", "upgrade"}, {"file", file}}, error);
        return kBadInput;
    }
    const firmware::LoadResult& loaded = *load;
    // Nothing is sent with a file that is not the approved one, or not usable.
    const auto refuse = [&](const std::string& why, const std::string& text,
                            const std::vector<std::string>& messages) {
        if (json || reportToParent) {
            for (const std::string& port : ports) {
                UpgradeOutcome refused{port, kRefusedFile, "refused file", why, messages};
                report(reportToParent ? nlohmann::json{{"result", toJson(refused, file)}}
                                      : toJson(refused, file));
            }
        } else {
            printError(text);
        }
        return kRefusedFile;
    };
    if (const std::string why = digestMismatch(content, checks.expectSha256); !why.empty()) {
        return refuse(why, file + ": " + why, {});
    }
    if (!loaded.usable) {
        return refuse(loaded.refusal,
                      loaded.messages.front() + " (" + file + ": " + loaded.refusal + ")",
                      loaded.messages);
    }
    checks.fileVersion = loaded.versions.firmware;
    if (!json && !reportToParent) {
        // The file's versions as the gimbal will report them, or the window's
        // words for a wrong maker word.
        if (loaded.makerWordMatches) {
            std::printf("firmware: %s, %s\n", file.c_str(), loaded.versions.text().c_str());
        } else {
            for (const std::string& line : logLines(translated(loaded.messages.front()))) {
                std::printf("%s\n", line.c_str());
            }
        }
    }
    if (ports.size() > 1) return upgradeInParallel(ports, file, loaded.maxProgress, json, checks);

    UpgradeOutcome outcome;
    if (reportToParent) {
        // Never outlives the parent: its end is a stop signal here.
        stopWithParent();
        outcome = upgradeChecked(ports.front(), loaded.maxProgress,
                                 {[](const std::string& line) {
                                      report({{"message", line}});
                                  },
                                  [](int value, int maximum) {
                                      report({{"progress", value}, {"maximum", maximum}});
                                  }},
                                 checks);
        report({{"result", toJson(outcome, file)}});
        return outcome.status;
    }
    if (json) {
        outcome = upgradeChecked(ports.front(), loaded.maxProgress,
                                 {[](const std::string&) {}, [](int, int) {}}, checks);
        printJson(toJson(outcome, file));
        return outcome.result == "interrupted" ? reportStop(outcome.port + ": " + outcome.detail)
                                               : outcome.status;
    }
    ProgressView view({ports.front()}, standardOutputIsTerminal());
    outcome = upgradeChecked(ports.front(), loaded.maxProgress,
                             {[&](const std::string& line) { view.message(0, line); },
                              [&](int value, int maximum) { view.progress(0, value, maximum); }},
                             checks);
    view.finish();
    if (outcome.result == "interrupted") return reportStop(outcome.port + ": " + outcome.detail);
    if (outcome.status == kPortFailed) printError(outcome.detail);
    return outcome.status;
}

std::string outcomeLine(const UpgradeOutcome& o) {
    // For people: the result's word and its detail in their language.
    return o.port + ": " + translated(o.result) + (o.detail.empty() ? "" : ": ") +
           translatedLine(o.detail);
}

int reportOutcomes(const std::vector<UpgradeOutcome>& outcomes, const std::string& file,
                   bool json) {
    int status = kOk;
    std::string unfinished;
    for (const UpgradeOutcome& o : outcomes) {
        if (json) {
            printJson(toJson(o, file));
        } else {
            std::printf("%s\n", outcomeLine(o).c_str());
        }
        if (status == kOk) status = o.status;  // the first port that failed decides
        if (o.result == "interrupted") unfinished += (unfinished.empty() ? "" : ", ") + o.port;
    }
    if (!stopRequested()) return status;
    return reportStop(
        unfinished.empty() ? "" : "the gimbals on " + unfinished + " need the upgrade run again");
}

nlohmann::json toJson(const UpgradeOutcome& o, const std::string& file) {
    nlohmann::json object = {{"command", "upgrade"},  {"port", o.port},     {"file", file},
                             {"result", o.result},    {"status", o.status}, {"detail", o.detail},
                             {"messages", o.messages}};
    if (o.versionsRead) {
        object["version_before"] = o.versionBefore;
        object["version_after"] = o.versionAfter;
        object["verified"] = o.verified;
    }
    object["boot_loader"] = o.bootLoader;
    object["tries"] = o.tries;
    return object;
}

UpgradeOutcome outcomeFromJson(const nlohmann::json& object) {
    UpgradeOutcome o;
    o.port = object.value("port", "");
    o.status = object.value("status", static_cast<int>(kLostUpgrade));
    o.result = object.value("result", "");
    o.detail = object.value("detail", "");
    o.messages = object.value("messages", std::vector<std::string>{});
    o.versionsRead = object.contains("verified");
    o.versionBefore = object.value("version_before", "");
    o.versionAfter = object.value("version_after", "");
    o.verified = object.value("verified", false);
    o.bootLoader = object.value("boot_loader", false);
    o.tries = object.value("tries", 0);
    return o;
}

}  // namespace gimbalctl
