// The release options, the release line and an upgrade to a release, the
// same on every system (where releases cannot be verified, the fetch refuses).

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "unitupgrade/Releases.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/Verification.h"

namespace gimbalctl {

void addReleaseSourceOptions(CLI::App& command, ReleaseOptions& options) {
    command
        .add_option("--from", options.from,
                    _("Release folder: an https or http URL, a file URL or a path "
                      "(default: $GIMBAL_RELEASES_URL)"))
        ->envname("GIMBAL_RELEASES_URL")
        ->type_name("URL");
    command
        .add_option("--trust-key", options.trustKeys,
                    _("Also trust this release key (a signify .pub file); repeat for several"))
        ->type_name("FILE");
}

void addReleaseChoiceOptions(CLI::App& command, ReleaseOptions& options, CLI::Option* fileOption) {
    command
        .add_option("--release", options.release,
                    _("Instead of FILE: this release of the source, VERSION or latest (the newest "
                      "stable one), fetched, verified and kept for offline work"))
        ->excludes(fileOption)
        ->type_name("VERSION|latest");
    command
        .add_option("--release-file", options.releaseFile,
                    _("Which of the release's files, when it has several"))
        ->type_name("NAME");
    addReleaseSourceOptions(command, options);
}

std::string releaseLine(const ChosenRelease& release) {
    return formatted(_("release %1, signed by key %2 (%3)"),
                     {release.version, release.signedBy, release.keyComment});
}

int runReleaseUpgrade(const std::vector<std::string>& ports, const ReleaseOptions& options,
                      bool json, UpgradeChecks checks) {
    int status = kOk;
    const auto release = fetchChosenRelease(options, json, {{"command", "upgrade"}}, status);
    if (!release) return status;
    if (!json) {
        std::printf("%s\n", releaseLine(*release).c_str());
        std::fflush(stdout);  // before any refusal on standard error
    }
    if (!refuseDowngrades(ports, *release, options, json)) return kRefusedFile;
    // The cached file is checked again as it is loaded: its digest is the one to send.
    if (checks.expectSha256.empty()) checks.expectSha256 = release->sha256;
    return runUpgrade(ports, release->path, json, false, checks);
}

}  // namespace gimbalctl
