#include "upgrade/ReleaseFetch.h"

#include "releases/ReleaseSource.h"
#include "releases/TrustedKeys.h"
#include "translations/Marked.h"

namespace releases {

namespace {

// The source's verified catalogue as gimbalctl gets it, or why not in one line.
ReleaseList verifiedList(const std::string& source) {
    const TrustedKeys trusted = loadTrustedKeys({});
    ReleaseList list = loadReleaseList(source, trusted.keys);
    if (list.outcome == ReleaseList::Outcome::kNoTrustedKey) {
        list.error = translations::filledIn(
            N_("no release key is trusted: put the maker's .pub file in %1"), {userKeyFolder()});
    }
    return list;
}

}  // namespace

ListedReleases listReleasesOf(const std::string& source) {
    const ReleaseList list = verifiedList(source);
    ListedReleases listed;
    if (!list.catalogue) {
        listed.error = list.error;
        return listed;
    }
    if (list.offline) listed.lines = {list.offlineReason, offlineLine(*list.catalogue)};
    for (const Release& release : list.catalogue->releases) {
        listed.versions.push_back(release.version);
        listed.labels.push_back(releaseListLabel(release));
    }
    return listed;
}

FetchedRelease fetchRelease(const std::string& source, const std::string& version) {
    const ReleaseList list = verifiedList(source);
    FetchedRelease fetched;
    if (!list.catalogue) {
        fetched.error = list.error;
        return fetched;
    }
    const Release* release = chooseRelease(*list.catalogue, version, fetched.error);
    const ReleaseFile* file = release ? chooseFile(*release, "", fetched.error) : nullptr;
    if (!file) return fetched;
    ReleaseFileBytes bytes = fetchReleaseFile(source, *file);
    if (!bytes.error.empty()) {
        fetched.error = bytes.error;
        return fetched;
    }
    fetched.name = file->name;
    fetched.bytes.assign(bytes.bytes.begin(), bytes.bytes.end());
    fetched.loadedLine =
        releaseLoadedLine(*release, keyNumberHex(list.signedBy->number), list.signedBy->comment);
    return fetched;
}

}  // namespace releases
