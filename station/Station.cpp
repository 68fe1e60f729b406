#include "station/Station.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/BuildInfo.h"
#include "platform/TimeText.h"
#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/FirmwareLoading.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Releases.h"
#include "unitupgrade/Sha256.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/Verification.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/UpgradeSupervisor.h"

namespace gimbalctl {
namespace {

// The fixture's place a port stands for: its name in the folder of ports.

StationObserver noObserver;

}  // namespace

std::optional<StationFirmware> prepareStation(const StationOptions& options, StationLog& log,
                                              SlotLabels& slots, int& status) {
    const bool json = options.json;
    // A station runs for hours, its output often into a pipe: every line goes
    // out at once (Windows has no line buffering: every write then).
#ifdef _WIN32
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#else
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
#endif
    StationFirmware firmware;
    std::string expectSha256 = options.expectSha256;
    std::string file = options.file;
    if (!options.releases.release.empty()) {
        const auto release = fetchChosenRelease(
            options.releases, json, {{"command", "station"}, {"release", options.releases.release}},
            status);
        if (!release) return std::nullopt;
        file = release->path;
        firmware.release = release->version, firmware.signedBy = release->signedBy;
        if (expectSha256.empty()) expectSha256 = release->sha256;  // the cached file checked again
        if (!json) std::printf("%s\n", releaseLine(*release).c_str());
    } else if (file.empty()) {
        printFailure(json, {{"command", "station"}},
                     N_("a firmware FILE or --release VERSION|latest is required "
                        "(see gimbalctl station --help)"));
        status = kBadInput;
        return std::nullopt;
    }
    const nlohmann::json context = {{"command", "station"}, {"file", file}};
    firmware.path = file;
    std::string error;
    const std::optional<firmware::LoadResult> loaded =
        loadFirmwareFile(file, error, &firmware.bytes);
    if (!loaded) {
        printFailure(json, context, error);
        status = kBadInput;
        return std::nullopt;
    }
    if (options.releases.requireSigned && firmware.release.empty()) {
        const auto release =
            findSignedRelease(options.releases, firmware.bytes, json, context, status);
        if (!release) return std::nullopt;
        firmware.release = release->version, firmware.signedBy = release->signedBy;
        if (!json) std::printf("%s\n", releaseLine(*release).c_str());
    }
    if (const std::string why = digestMismatch(firmware.bytes, expectSha256); !why.empty()) {
        printFailure(json, context, file + ": " + why);
        status = kRefusedFile;
        return std::nullopt;
    }
    // Usable, yet with an empty image area: every upgrade would refuse it.
    const bool nothingToSend = loaded->usable && firmwareVariables().iFileLength == 0;
    if (!loaded->usable || nothingToSend) {
        const std::string text =
            nothingToSend ? logLines(upgrade::kNoFileMessage).front() : loaded->messages.front();
        const std::string why = nothingToSend ? "no image to send" : loaded->refusal;
        printFailure(json, context, text + " (" + file + ": " + why + ")");
        status = kRefusedFile;
        return std::nullopt;
    }
    if (!options.slotsPath.empty()) {
        std::optional<SlotLabels> read = SlotLabels::read(options.slotsPath, error);
        if (!read) {
            printFailure(json, context, error);
            status = kBadInput;
            return std::nullopt;
        }
        slots = std::move(*read);
    }
    if (!options.logPath.empty()) {
        const StationLog::Opened opened = log.open(options.logPath, error);
        if (opened != StationLog::Opened::kOk) {
            printFailure(json, context, error);
            status = opened == StationLog::Opened::kCannotWrite ? kWriteFailed : kBadInput;
            return std::nullopt;
        }
    }
    firmware.maxProgress = loaded->maxProgress;
    firmware.versions = loaded->versions;
    firmware.makerWordMatches = loaded->makerWordMatches;
    return firmware;
}

Station::Station(const StationFirmware& firmware, StationLog log, bool json, PortFacts facts,
                 SlotLabels slots)
    : file_(firmware.path),
      firmwareName_(firmware.path.substr(firmware.path.find_last_of("/\\") + 1)),
      firmwareSize_(firmware.bytes.size()),
      firmwareSha256_(sha256Hex(firmware.bytes)),
      firmwareVersions_(firmware.versions),
      release_(firmware.release),
      signedBy_(firmware.signedBy),
      log_(std::move(log)),
      json_(json),
      terminal_(!json && standardOutputIsTerminal()),
      facts_(std::move(facts)),
      slots_(std::move(slots)),
      observer_(&noObserver),
      sequence_(log_.lastSequence()) {
    // What every unit receives, so that a person can check it is the right file.
    if (json_) {
        printJson({{"event", "firmware"},
                   {"file", firmwareName_},
                   {"file_size", firmwareSize_},
                   {"file_sha256", firmwareSha256_},
                   {"hardware_version", firmwareVersions_.hardware.text()},
                   {"firmware_version", firmwareVersions_.firmware.text()}});
    } else {
        view_.emplace(std::vector<std::string>{}, terminal_);
        view_->line(formatted(_("firmware: %1, %2 bytes, SHA-256 %3, %4"),
                              {firmwareName_, std::to_string(firmwareSize_), firmwareSha256_,
                               shown(firmwareVersions_.wording())}));
        if (!firmware.makerWordMatches)
            notice(N_("the file's maker word does not match; it is sent all the same."));
        view_->setFooter(tally());
    }
    for (const translations::Wording& text : log_.takeNotices()) notice(text);  // its identities
}

void Station::recordAs(const std::string& stationId, std::function<void()> recorded) {
    stationId_ = stationId;
    recorded_ = std::move(recorded);
}

void Station::setObserver(StationObserver& observer) {
    observer_ = &observer;
    observer_->firmware(firmwareName_, firmwareVersions_.firmware.text(), firmwareSha256_);
    observer_->tallyChanged(counts());
}

void Station::appeared(const UnitIdentity& unit) { present_[unit.port] = unit; }

void Station::gone(const std::string& port) {
    if (!present_.erase(port)) return;
    // Present, yet never looked at: plugged in and pulled out at once.
    if (!stopping_ && !units_.count(port) && !upgradedSinceAppearing_.count(port)) {
        notice(N_("%1 appeared and went away before its upgrade began; not a unit."), {port});
    }
    upgradedSinceAppearing_.erase(port);
}

std::vector<std::string> Station::portsToStart() {
    std::vector<std::string> ready;
    if (stopping_) return ready;
    for (const auto& [port, identity] : present_) {
        if (units_.count(port) || !upgradedSinceAppearing_.insert(port).second) continue;
        if (const std::string why = facts_.whyNotSerial(port); !why.empty()) {
            notice(N_("%1 Left alone."), {why});
            continue;
        }
        Unit unit{0, std::chrono::steady_clock::now(), identity};
        if (view_) {
            unit.row = view_->addPort(slots_.nameOf(identity));  // progress once its upgrade begins
        } else {
            printJson({{"event", "started"},
                       {"port", port},
                       {"slot", identity.slot},
                       {"slot_label", slots_.labelOf(identity.slot)},
                       {"usb_serial", identity.usbSerial}});
        }
        units_[port] = unit;
        ready.push_back(port);
        observer_->unitStarted(identity.slot);
    }
    return ready;
}

UpgradeEvents Station::eventsOf(const std::string& port) {
    UpgradeEvents shown = shownEvents(port);
    const std::string slot = units_.at(port).identity.slot;
    return {[this, shown, slot](const std::string& line) {
                shown.message(line);
                observer_->unitMessage(slot, line);
            },
            [this, shown, slot](int value, int maximum) {
                shown.progress(value, maximum);
                observer_->unitProgress(slot, value, maximum);
            }};
}

UpgradeEvents Station::shownEvents(const std::string& port) {
    const std::size_t row = units_.at(port).row;
    if (!view_) {
        return {[port](const std::string& line) {
                    printJson({{"event", "message"}, {"port", port}, {"message", line}});
                },
                [port](int value, int maximum) {
                    printJson({{"event", "progress"},
                               {"port", port},
                               {"progress", value},
                               {"maximum", maximum}});
                }};
    }
    return {[this, row](const std::string& line) { view_->message(row, line); },
            [this, row](int value, int maximum) { view_->progress(row, value, maximum); }};
}

void Station::finished(const UpgradeOutcome& outcome) {
    const auto found = units_.find(outcome.port);
    if (found == units_.end()) return;
    const Unit unit = found->second;
    units_.erase(found);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - unit.start).count();
    const std::string name = slots_.nameOf(unit.identity);
    (outcome.status != kOk ? failed_ : outcome.result == "skipped" ? skipped_ : upgraded_) += 1;
    verified_ += outcome.verified && outcome.result != "skipped";
    if (outcome.status != kOk) {
        lastFailed_.push_back(name);
        if (lastFailed_.size() > kFailedNamed) lastFailed_.erase(lastFailed_.begin());
    }
    if (status_ == kOk) status_ = outcome.status;  // the first failure decides
    if (outcome.result == "interrupted") {
        cutShort_ += (cutShort_.empty() ? "" : ", ") + name;
    }

    if (view_) {
        char took[32];
        std::snprintf(took, sizeof took, " (%.1f s)", seconds);
        view_->removePort(unit.row);
        UpgradeOutcome shown = outcome;
        shown.port = name;
        view_->line(timeText(std::time(nullptr), "%H:%M:%S ", false) + outcomeLine(shown) + took);
        view_->setFooter(tally());
        if (!terminal_) view_->line(tally());
    } else {
        nlohmann::json event = toJson(outcome, file_);
        event["event"] = "finished";
        event["slot_label"] = slots_.labelOf(unit.identity.slot);
        event["time"] = timeText(std::time(nullptr), kRecordTimeFormat, true);
        event["seconds"] = seconds;
        printJson(event);
    }
    const bool passed = outcome.status == kOk;
    const std::string word = !passed                       ? "failed"
                             : outcome.result == "skipped" ? "skipped"
                             : outcome.verified            ? "verified"
                                                           : "upgraded";
    observer_->unitFinished({unit.identity.slot, word, passed, outcome.status,
                             exitStatusWord(outcome.status), outcome.result, outcome.detail,
                             seconds, outcome.bootLoader});
    observer_->tallyChanged(counts());
    record(outcome, seconds, unit.identity);
}

void Station::withdrawn(const std::string& port, const std::string& why, bool quietly) {
    const auto found = units_.find(port);
    if (found == units_.end()) return;
    if (view_) {
        view_->removePort(found->second.row);
    } else {
        printJson({{"event", "withdrawn"}, {"port", port}});
    }
    units_.erase(found);
    if (!quietly) notice(N_("%1 %2; not a unit."), {port, why});
}

void Station::record(const UpgradeOutcome& outcome, double seconds, const UnitIdentity& unit) {
    if (logFailed_) return;
    nlohmann::ordered_json line = {{"time", timeText(std::time(nullptr), kRecordTimeFormat, true)},
                                   {"station", stationId_},
                                   {"sequence", sequence_ + 1},
                                   {"port", outcome.port},
                                   {"slot", unit.slot},
                                   {"slot_label", slots_.labelOf(unit.slot)},
                                   {"node", unit.node},
                                   {"by_id", unit.byId},
                                   {"usb_serial", unit.usbSerial},
                                   {"file", firmwareName_},
                                   {"file_size", firmwareSize_},
                                   {"file_sha256", firmwareSha256_},
                                   {"result", outcome.result},
                                   {"status", outcome.status},
                                   {"status_word", exitStatusWord(outcome.status)},
                                   {"detail", outcome.detail},
                                   {"version_before", outcome.versionBefore},
                                   {"version_after", outcome.versionAfter},
                                   {"verified", outcome.verified},
                                   {"boot_loader", outcome.bootLoader},
                                   {"tries", outcome.tries},
                                   {"seconds", std::round(seconds * 10) / 10},
                                   {"gimbalctl", build_info::kVersion}};
    if (!release_.empty()) {  // a verified release: which, and the key that signed it
        line["release"] = release_;
        line["signed_by"] = signedBy_;
    }
    std::string error;
    const bool kept =
        log_.append(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), error);
    for (const translations::Wording& text : log_.takeNotices()) notice(text);  // a journal moved
    if (kept) {
        ++sequence_;
        if (recorded_) recorded_();
        return;
    }
    logFailed_ = true;
    notice(N_("%1: the record cannot be kept, so the station takes no more units."), {error});
    stopping_ = true;
    observer_->stopping();
}

void Station::stopTaking() {
    if (stopping_) return;
    stopping_ = true;
    observer_->stopping();
    if (units_.empty()) return notice(N_("stopping."));
    notice(N_("stopping: no new units; upgrades in progress, finishing first: %1 (Ctrl+C again "
              "interrupts them)."),
           {std::to_string(units_.size())});
}

int Station::finish(bool interrupted) {
    if (view_) view_->finish();
    if (interrupted) {
        return reportStop(
            cutShort_.empty()
                ? ""
                : formatted(_("the gimbals on %1 need the upgrade run again"), {cutShort_}));
    }
    return logFailed_ ? kWriteFailed : status_;
}

void Station::notice(const std::string& text) {
    if (json_) {
        printJson({{"event", "notice"}, {"message", text}});
    } else if (terminal_) {
        view_->line("gimbalctl: " + translatedLine(text));
    } else {
        printError(text);
    }
}

void Station::notice(const char* text, std::vector<std::string> arguments) {
    notice(translations::Wording{text, std::move(arguments)});
}

void Station::notice(const translations::Wording& wording) {
    if (json_) return notice(wording.english());
    const std::string line = "gimbalctl: " + shown(wording);
    if (terminal_) {
        view_->line(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

StationTally Station::counts() const { return {upgraded_, failed_, verified_, skipped_}; }

std::string Station::tally() const {
    std::string text = formatted(_("units: %1 upgraded, "), {std::to_string(upgraded_)});
    if (skipped_ > 0) {
        text += formatted(_("%1 skipped (already current), "), {std::to_string(skipped_)});
    }
    text += formatted(_("%1 failed"), {std::to_string(failed_)});
    if (lastFailed_.empty()) return text;
    // The latest failures by name, so that the operator knows which units to take aside.
    std::string names;
    for (std::size_t k = 0; k < lastFailed_.size(); ++k) names += (k ? ", " : "") + lastFailed_[k];
    return text + formatted(failed_ > static_cast<int>(lastFailed_.size()) ? _(" (latest: %1)")
                                                                           : _(" (%1)"),
                            {names});
}

}  // namespace gimbalctl
