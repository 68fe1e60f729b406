// gimbalctl.exe and releases: its build has no maintained Ed25519 among the
// libraries it is made from, and a release that cannot be verified is never
// sent, so every release command refuses in one line and points to the web
// page, which lists and verifies the releases.

#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Releases.h"

namespace gimbalctl {

namespace {

constexpr const char* kNoReleases =
    "releases cannot be verified by gimbalctl.exe: use the web page's firmware list, or "
    "gimbalctl on Linux";

}  // namespace

int runReleases(const ReleaseOptions&, bool json) {
    printFailure(json, {{"command", "releases"}}, kNoReleases);
    return kBadInput;
}

std::optional<ChosenRelease> fetchChosenRelease(const ReleaseOptions&, bool json,
                                                const nlohmann::json& context, int& status) {
    printFailure(json, context, kNoReleases);
    status = kBadInput;
    return std::nullopt;
}

std::optional<ChosenRelease> findSignedRelease(const ReleaseOptions&,
                                               const std::vector<std::uint8_t>&, bool json,
                                               const nlohmann::json& context, int& status) {
    printFailure(json, context, kNoReleases);
    status = kBadInput;
    return std::nullopt;
}

bool refuseDowngrades(const std::vector<std::string>&, const ChosenRelease&, const ReleaseOptions&,
                      bool) {
    return false;
}

}  // namespace gimbalctl
