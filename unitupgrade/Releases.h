#pragma once
// The maker's signed releases in gimbalctl: listing them, choosing one for an
// upgrade or a station (fetched, verified and kept for offline work), and the
// check that a local file is one a verified catalogue names. The rules are
// the core's (releases/); this is the command line around them. gimbalctl.exe
// has no Ed25519 from its build's libraries: there every one of these
// refuses in one line (windows/NoReleases.cpp).

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}

namespace gimbalctl {

struct ReleaseOptions {
    std::string from;                    // the source: --from, else GIMBAL_RELEASES_URL
    std::vector<std::string> trustKeys;  // --trust-key FILE, repeatable
    std::string release;                 // VERSION or "latest" (upgrade, station)
    std::string releaseFile;             // which of the release's files, when it has several
    bool allowDowngrade = false;         // upgrade: a release older than the gimbal's
    bool requireSigned = false;          // station: a FILE must be a verified catalogue's
};

// Declares --from (falling back to GIMBAL_RELEASES_URL) and --trust-key on `command`.
void addReleaseSourceOptions(CLI::App& command, ReleaseOptions& options);
// Declares --release (instead of `fileOption`), --release-file and the source's options.
void addReleaseChoiceOptions(CLI::App& command, ReleaseOptions& options, CLI::Option* fileOption);

// gimbalctl releases: the source's releases, newest first.
int runReleases(const ReleaseOptions& options, bool json);

// gimbalctl publish DIR: DIR/releases.json from the firmware files there.
int runPublish(const std::string& folder, bool json);

// A release's file, verified and kept in the cache, ready to load as a chosen file.
struct ChosenRelease {
    std::string path;      // the cached file (its name decides its kind)
    std::string sha256;    // as the catalogue names it
    std::string version;   // "2.010"
    std::string signedBy;  // the key's number in hex
    std::string keyComment;
};

// The release `options.release` names from the source, fetched (with a bar
// on a terminal) and checked. None once the failure is printed (as JSON with
// `json`, in `context`), with the exit status in `status`.
std::optional<ChosenRelease> fetchChosenRelease(const ReleaseOptions& options, bool json,
                                                const nlohmann::json& context, int& status);

// --require-signed: the release of the source's verified catalogue that names
// these bytes (by size and SHA-256); none once the refusal is printed.
std::optional<ChosenRelease> findSignedRelease(const ReleaseOptions& options,
                                               const std::vector<std::uint8_t>& bytes, bool json,
                                               const nlohmann::json& context, int& status);

// upgrade --release: refuses (status 1, nothing sent) when a gimbal reports a
// newer version than the release's, or no version at all, unless
// allowDowngrade; true to go on (also when a port cannot be opened: the
// upgrade then says why).
bool refuseDowngrades(const std::vector<std::string>& ports, const ChosenRelease& release,
                      const ReleaseOptions& options, bool json);

// upgrade --release: the release fetched and checked, no downgrade unless
// allowed, then the upgrade of its cached file, checked against its digest.
struct UpgradeChecks;
int runReleaseUpgrade(const std::vector<std::string>& ports, const ReleaseOptions& options,
                      bool json, UpgradeChecks checks);

// The one line that names the release and its key ("release 2.010, signed by
// key 0123456789abcdef (maker public key)").
std::string releaseLine(const ChosenRelease& release);

}  // namespace gimbalctl
