#pragma once
// One image per transfer. A gimbal that asks for blocks outside an upgrade
// (between two upgrades, or after a lost line) is answered from the file in
// use; a newly chosen file is not installed until that gimbal has been silent
// for kServingWindowMs, or it could get blocks of two images in one transfer.
// A request that no file answers (none loaded: a gimbal in its boot loader
// asking before a file was chosen) keeps no file in use, and the line's
// close ends the wait: nothing of this tool serves the gimbal any more.
// While an upgrade runs the file buttons are locked and a chosen file is kept
// out likewise. The end of an upgrade (complete, failed, timed out, port
// closed) ends its transfer: a file chosen right after it is installed.
// Every face asks here, on its own clock, and shows fileKeptMessage when the
// answer is no.

#include <functional>
#include <optional>
#include <string>

#include "protocol/Millis.h"
#include "translations/Marked.h"
#include "upgrade/FirmwareLayout.h"
#include "upgrade/UpgradeSupervisor.h"

namespace upgrade {

// As long as the upgrade's own timeout: a gimbal silent that long has stopped asking.
inline constexpr protocol::Millis kServingWindowMs = kTimeoutMs;

// Whether a block request answered from `loaded` puts that file in use:
// not when no file is loaded.
inline bool answersFromFile(const FirmwareVariables& loaded) { return loaded.update_range != 0; }

// Whether a newly chosen file may replace the file in use now; when not,
// until when it is kept.
struct FileChoice {
    bool allowed = true;
    bool untilUpgradeEnds = false;  // kept while the upgrade runs
    protocol::Millis waitMs = 0;    // otherwise kept this much longer
};

// lastBlockOutsideUpgrade: when a block request was last answered from a
// loaded file while no upgrade ran (none since the last upgrade ended or the
// line opened: empty).
inline FileChoice fileChoice(bool upgradeRunning,
                             std::optional<protocol::Millis> lastBlockOutsideUpgrade,
                             protocol::Millis now) {
    if (upgradeRunning) return {false, true, 0};
    if (!lastBlockOutsideUpgrade) return {};
    const protocol::Millis left = *lastBlockOutsideUpgrade + kServingWindowMs - now;
    if (left <= 0) return {};
    return {false, false, left};
}

// The one line a face shows for a chosen file that was kept out: its name,
// the file in use (inUse: its path and versions) and when to choose again,
// in the words `translate` gives for the English ones (a face's catalogue).
inline constexpr const char* kKeptUntilUpgradeEnds =
    N_("%1 was not loaded: the gimbal is being sent blocks of the file in use (%2); choose it "
       "again once the upgrade has ended.\n");
inline constexpr const char* kKeptForSeconds =
    N_("%1 was not loaded: the gimbal is being sent blocks of the file in use (%2); choose it "
       "again in %3 s.\n");

// Which of the two, and its %3.
inline const char* fileKeptText(const FileChoice& choice) {
    return choice.untilUpgradeEnds ? kKeptUntilUpgradeEnds : kKeptForSeconds;
}
inline std::string fileKeptSeconds(const FileChoice& choice) {
    return std::to_string((choice.waitMs + 999) / 1000);
}

inline std::string fileKeptMessage(
    const FileChoice& choice, const std::string& chosenName, const std::string& inUse,
    const std::function<std::string(const char*)>& translate = [](const char* english) {
        return std::string(english);
    }) {
    return translations::filledIn(translate(fileKeptText(choice)),
                                  {chosenName, inUse, fileKeptSeconds(choice)});
}

}  // namespace upgrade
