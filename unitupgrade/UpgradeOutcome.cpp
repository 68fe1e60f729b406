// One unit's upgrade outcome: how it ended, its log and progress passed on,
// and the JSON object a child reports it in and a parent reads it from.

#include <algorithm>
#include <string>

#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/Upgrade.h"

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

constexpr const char* kRunAgain = N_("the gimbal needs the upgrade run again");

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

std::string outcomeLine(const UpgradeOutcome& o) {
    // For people: the result's word and its detail in their language.
    return o.port + ": " + translated(o.result) + (o.detail.empty() ? "" : ": ") +
           translatedLine(o.detail);
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
