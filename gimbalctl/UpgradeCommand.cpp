// gimbalctl upgrade --port P FILE: the whole upgrade, driven by the same
// supervisor as the window's, with a progress bar or progress lines. One
// port's upgrade runs in UpgradeLoop.cpp over each system's line.

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
        return refuse(why, formatted(N_("%1: %2"), {file, why}), {});
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
            std::printf("%s\n", formatted(_("firmware: %1, hardware %2, firmware %3"),
                                          {file, loaded.versions.hardware.text(),
                                           loaded.versions.firmware.text()})
                                    .c_str());
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
        unfinished.empty()
            ? ""
            : formatted(N_("the gimbals on %1 need the upgrade run again"), {unfinished}));
}

}  // namespace gimbalctl
