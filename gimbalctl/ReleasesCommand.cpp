// gimbalctl releases, and the releases that upgrade and station take: the
// source's catalogue verified by the core's rules with libcrypto's Ed25519,
// its files fetched with libcurl and kept in the cache for offline work.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "releases/Crypto.h"
#include "releases/ReleaseSource.h"
#include "releases/TrustedKeys.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/ProgressView.h"
#include "unitupgrade/Releases.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/Verification.h"

namespace gimbalctl {

namespace {

using releases::ReleaseList;

// The source's verified catalogue, or none once the failure is printed.
std::optional<ReleaseList> verifiedList(const ReleaseOptions& options, bool json,
                                        const nlohmann::json& context, int& status) {
    if (options.from.empty()) {
        printFailure(json, context,
                     N_("no release source: give --from URL or set GIMBAL_RELEASES_URL"));
        status = kBadInput;
        return std::nullopt;
    }
    const releases::TrustedKeys trusted = releases::loadTrustedKeys(options.trustKeys);
    if (!trusted.error.empty()) {
        printFailure(json, context, trusted.error);
        status = kBadInput;
        return std::nullopt;
    }
    for (const std::string& skipped : trusted.skipped)
        printError(formatted(N_("%1 (not trusted)"), {skipped}));
    ReleaseList list = releases::loadReleaseList(options.from, trusted.keys);
    switch (list.outcome) {
        case ReleaseList::Outcome::kVerified:
            break;
        case ReleaseList::Outcome::kNoTrustedKey:
            printFailure(json, context,
                         N_("no release key is trusted: put the maker's .pub file in %1 or give "
                            "--trust-key FILE"),
                         {releases::userKeyFolder()});
            status = kRefusedFile;
            return std::nullopt;
        case ReleaseList::Outcome::kRefused:
            printFailure(json, context, list.error);
            status = kRefusedFile;
            return std::nullopt;
        case ReleaseList::Outcome::kUnreachable:
            printFailure(json, context, list.error);
            status = kSourceUnreachable;
            return std::nullopt;
    }
    if (list.offline && !json) {
        printError(list.offlineReason);
        std::printf("%s\n",
                    formatted(_(releases::kOfflineLine), {list.catalogue->published}).c_str());
    }
    return list;
}

ChosenRelease chosen(const ReleaseList& list, const releases::Release& release,
                     const releases::ReleaseFile& file, std::string path) {
    return {std::move(path), file.sha256, release.version,
            releases::keyNumberHex(list.signedBy->number), list.signedBy->comment};
}

}  // namespace

int runReleases(const ReleaseOptions& options, bool json) {
    const nlohmann::json context = {{"command", "releases"}, {"source", options.from}};
    int status = kOk;
    const auto list = verifiedList(options, json, context, status);
    if (!list) return status;
    const releases::Catalogue& catalogue = *list->catalogue;
    const std::string key = releases::keyNumberHex(list->signedBy->number);
    if (json) {
        nlohmann::json object = context;
        object.update({{"ok", true},
                       {"serial", catalogue.serial},
                       {"published", catalogue.published},
                       {"offline", list->offline},
                       {"signed_by", key},
                       {"key_comment", list->signedBy->comment},
                       {"releases", nlohmann::json::array()}});
        for (const releases::Release& release : catalogue.releases) {
            nlohmann::json files = nlohmann::json::array();
            for (const releases::ReleaseFile& file : release.files) {
                files.push_back({{"name", file.name},
                                 {"size", file.size},
                                 {"sha256", file.sha256},
                                 {"cached", releases::isCached(options.from, file)}});
            }
            object["releases"].push_back({{"version", release.version},
                                          {"date", release.date},
                                          {"channel", release.channel},
                                          {"notes", release.notes},
                                          {"files", std::move(files)}});
        }
        printJson(object);
        return kOk;
    }
    std::printf("%s\n", formatted(_("%1: serial %2, published %3, signed by key %4 (%5)"),
                                  {options.from, std::to_string(catalogue.serial),
                                   catalogue.published, key, list->signedBy->comment})
                            .c_str());
    for (const releases::Release& release : catalogue.releases) {
        for (const releases::ReleaseFile& file : release.files) {
            std::printf(
                "%-8s %-10s %-6s %s\n", release.version.c_str(), release.date.c_str(),
                release.channel.c_str(),
                formatted(releases::isCached(options.from, file) ? _("%1, %2 bytes, cached")
                                                                 : _("%1, %2 bytes, not cached"),
                          {file.name, std::to_string(file.size)})
                    .c_str());
        }
    }
    return kOk;
}

std::optional<ChosenRelease> fetchChosenRelease(const ReleaseOptions& options, bool json,
                                                const nlohmann::json& context, int& status) {
    const auto list = verifiedList(options, json, context, status);
    if (!list) return std::nullopt;
    std::string error;
    const releases::Release* release =
        releases::chooseRelease(*list->catalogue, options.release, error);
    const releases::ReleaseFile* file =
        release ? releases::chooseFile(*release, options.releaseFile, error) : nullptr;
    if (!file) {
        printFailure(json, context, error);
        status = kRefusedFile;
        return std::nullopt;
    }
    std::optional<ProgressView> bar;
    if (!json && standardOutputIsTerminal()) bar.emplace(std::vector{file->name}, true);
    const releases::ReleaseFileBytes fetched = releases::fetchReleaseFile(
        options.from, *file, [&](std::uint64_t done, std::uint64_t total) {
            if (bar && total > 0) {
                bar->progress(0, static_cast<int>(done >> 10), static_cast<int>(total >> 10));
            }
            return !stopRequested();
        });
    if (bar) bar->finish();
    if (stopRequested()) {
        status = reportStop("nothing was sent");
        return std::nullopt;
    }
    if (fetched.unreachable) {
        // One line about the connection: an offline catalogue's has said it already.
        if (!list->offline && !json) printError(fetched.error);
        printFailure(json, context,
                     N_("release %1 is not in the cache of %2, and %2 cannot be reached"),
                     {release->version, options.from});
        status = kSourceUnreachable;
        return std::nullopt;
    }
    if (!fetched.error.empty() || fetched.path.empty()) {
        if (fetched.error.empty()) {
            printFailure(json, context, N_("%1 cannot be kept in %2"),
                         {file->name, releases::releaseCacheRoot()});
        } else {
            printFailure(json, context, fetched.error);
        }
        status = fetched.error.empty() ? kBadInput : kRefusedFile;
        return std::nullopt;
    }
    return chosen(*list, *release, *file, fetched.path);
}

std::optional<ChosenRelease> findSignedRelease(const ReleaseOptions& options,
                                               const std::vector<std::uint8_t>& bytes, bool json,
                                               const nlohmann::json& context, int& status) {
    const auto list = verifiedList(options, json, context, status);
    if (!list) return std::nullopt;
    const std::string digest =
        releases::sha256Hex({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    for (const releases::Release& release : list->catalogue->releases) {
        for (const releases::ReleaseFile& file : release.files) {
            if (releases::fileMismatch(file, bytes.size(), digest).empty()) {
                return chosen(*list, release, file, "");
            }
        }
    }
    printFailure(json, context,
                 N_("the firmware file is in no release of %1 (SHA-256 %2): --require-signed "
                    "refuses it"),
                 {options.from, digest});
    status = kRefusedFile;
    return std::nullopt;
}

bool refuseDowngrades(const std::vector<std::string>& ports, const ChosenRelease& release,
                      const ReleaseOptions& options, bool json) {
    if (options.allowDowngrade) return true;
    bool refused = false;
    for (const std::string& port : ports) {
        // Asked again while it does not answer: a gimbal just upgraded is restarting.
        const VersionReply reply =
            readFirmwareVersion(port, kVersionBeforeWait, upgrade::kVersionAfterEvery);
        if (!reply.portError.empty() || reply.lineGone) continue;  // the upgrade says why
        const std::string running = reply.version ? reply.version->text() : "";
        if (reply.version && releases::downgradeRefusal(release.version, running).empty()) continue;
        const translations::Wording why =
            reply.version
                ? translations::Wording{releases::kDowngradeRefusal, {release.version, running}}
                : translations::Wording{N_("the gimbal did not report its version, so release "
                                           "%1 may be a downgrade"),
                                        {release.version}};
        refused = true;
        const char* refusal = N_("%1: %2 (--allow-downgrade to send it anyway)");
        if (json) {
            printFailure(json, {{"command", "upgrade"}, {"port", port}, {"result", "refused file"}},
                         formatted(refusal, {port, why.english()}));
        } else {
            printError(formatted(_(refusal), {port, shown(why)}));
        }
    }
    return !refused;
}

}  // namespace gimbalctl
