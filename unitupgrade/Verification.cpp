#include "unitupgrade/Verification.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>

#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Request.h"
#include "unitupgrade/Sha256.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "upgrade/VersionAfterUpgrade.h"

namespace gimbalctl {

std::vector<std::string> UpgradeChecks::arguments() const {
    std::vector<std::string> args;
    if (verify) args.push_back("--verify");
    if (skipCurrent) args.push_back("--skip-current");
    if (!expectSha256.empty()) args.insert(args.end(), {"--expect-sha256", expectSha256});
    return args;
}

std::string whyNotSha256(const std::string& text) {
    const bool digest =
        text.size() == 64 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); });
    return digest ? std::string()
                  : translations::filledIn(N_("not a SHA-256 digest (64 hexadecimal digits): %1"),
                                           {text});
}

void addExpectSha256Option(CLI::App& command, std::string& digest) {
    command
        .add_option("--expect-sha256", digest,
                    _("Refuse (status 1, nothing sent) a firmware file with another SHA-256"))
        ->type_name("SHA256")
        ->check(CLI::Validator(whyNotSha256, ""));
}

std::string digestMismatch(const std::vector<uint8_t>& bytes, const std::string& expectSha256) {
    if (expectSha256.empty()) return {};
    std::string expected = expectSha256;
    for (char& c : expected) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string actual = sha256Hex(bytes);
    if (actual == expected) return {};
    return translations::filledIn(N_("its SHA-256 is %1, not the approved %2; nothing sent"),
                                  {actual, expected});
}

VersionReply readFirmwareVersion(const std::string& path, std::chrono::milliseconds timeout,
                                 std::chrono::milliseconds resendEvery) {
    const GimbalReply answer =
        askGimbal(path, calibration::Request::kReadVer, timeout, resendEvery);
    VersionReply reply{{}, answer.portError, answer.lineGone, answer.bootLoader};
    if (answer.report) reply.version = upgrade::reportedVersion(answer.data);
    return reply;
}

namespace {

// A line of the verification, shown and kept as the upgrade's own lines are.
void say(UpgradeOutcome& outcome, const UpgradeEvents& events, const std::string& line) {
    outcome.messages.push_back(line);
    outcome.detail = line;
    events.message(line);
}

// Why no version could be read, as the outcome of a unit, or false when the
// gimbal simply did not answer.
bool setUnanswered(UpgradeOutcome& outcome, const VersionReply& reply, const std::string& when) {
    if (!reply.portError.empty()) {
        outcome.status = kPortFailed, outcome.result = N_("port failed");
        outcome.detail = reply.portError;
    } else if (stopRequested()) {
        outcome.status = stopStatus(), outcome.result = N_("interrupted");
        outcome.detail = translations::filledIn(N_("interrupted %1"), {when});
    } else if (reply.lineGone) {
        outcome.status = kPortFailed, outcome.result = "line gone";
        outcome.detail = translations::filledIn(
            N_("%1: the line went away (the gimbal or its adapter was unplugged or powered off) "
               "%2"),
            {outcome.port, when});
    } else {
        return false;
    }
    return true;
}

}  // namespace

UpgradeOutcome upgradeChecked(const std::string& path, int maxProgress, const UpgradeEvents& events,
                              const UpgradeChecks& checks) {
    if (!checks.verify && !checks.skipCurrent) return upgradeOnePort(path, maxProgress, events);

    UpgradeOutcome outcome;
    outcome.port = path;
    const VersionReply before = readFirmwareVersion(path, kVersionBeforeWait);
    if (setUnanswered(outcome, before,
                      N_("before the upgrade; the gimbal needs the upgrade run again"))) {
        return outcome;
    }
    const std::string fileVersion = checks.fileVersion.text();
    const std::string versionBefore = before.version ? before.version->text() : "";
    // Compared byte for byte, as the gimbal reports them.
    if (checks.skipCurrent && before.version == checks.fileVersion) {
        outcome.status = kOk, outcome.result = N_("skipped");
        outcome.versionsRead = outcome.verified = true;
        outcome.versionBefore = outcome.versionAfter = versionBefore;
        say(outcome, events,
            translations::filledIn(
                N_("the gimbal already runs firmware %1, the file's version; left alone"),
                {versionBefore}));
        return outcome;
    }

    // A boot loader answers no version: never current, and said so before its upgrade.
    outcome = upgradeOnePort(path, maxProgress, events, before.bootLoader);
    outcome.versionsRead = true;
    outcome.versionBefore = versionBefore;
    if (outcome.result != "complete") return outcome;

    // The gimbal restarts into its new firmware: silent a while, then answering.
    say(outcome, events, upgrade::kReadingVersionAfter);
    const VersionReply after =
        readFirmwareVersion(path, upgrade::kVersionAfterWait, upgrade::kVersionAfterEvery);
    outcome.versionAfter = after.version ? after.version->text() : "";
    if (after.version == checks.fileVersion) {
        outcome.verified = true;
        say(outcome, events, upgrade::versionAfterText(after.version, checks.fileVersion));
    } else if (after.version) {
        outcome.status = kGimbalFailed, outcome.result = N_("not verified");
        say(outcome, events, upgrade::versionAfterText(after.version, checks.fileVersion));
    } else if (!setUnanswered(outcome, after,
                              translations::filledIn(
                                  N_("after a complete upgrade, before the gimbal reported its "
                                     "firmware version; the file carries %1"),
                                  {fileVersion}))) {
        outcome.status = kGimbalFailed, outcome.result = "not verified";
        say(outcome, events, upgrade::versionAfterText({}, checks.fileVersion));
    }
    return outcome;
}

}  // namespace gimbalctl
