#pragma once
// A release source as a native face uses it: the verified catalogue, from the
// source or, when the source cannot be reached, from the cache; and a
// release's file, from the cache when it is still the catalogue's, else
// fetched, checked and kept. Every rule is the portable core's (Trust.h,
// Catalogue.h); this fetches, keeps and calls libcrypto.

#include <optional>
#include <string>
#include <vector>

#include "releases/Fetch.h"
#include "releases/ReleaseCache.h"
#include "releases/ReleaseTexts.h"  // offlineLine
#include "releases/Trust.h"

namespace releases {

struct ReleaseList {
    enum class Outcome {
        kVerified,      // fetched and verified now, or (offline) the cached one verified again
        kNoTrustedKey,  // no key is trusted
        kRefused,       // the source's catalogue is refused: `error` says why
        kUnreachable,   // the source cannot be reached and nothing is cached
    };
    Outcome outcome = Outcome::kUnreachable;
    std::string error;  // one line unless verified
    std::optional<Catalogue> catalogue{};
    std::optional<PublicKey> signedBy{};
    bool offline = false;         // the cached catalogue serves
    std::string offlineReason{};  // why the source was not used, when offline
};

// The source's verified catalogue; a newly verified one is kept in the cache
// with its serial.
ReleaseList loadReleaseList(const std::string& source, const std::vector<PublicKey>& trusted);

struct ReleaseFileBytes {
    std::string bytes;         // the file, checked against the catalogue
    std::string path;          // where the cache keeps it (empty when it could not be kept)
    std::string error;         // one line when it cannot be had or is not the catalogue's
    bool unreachable = false;  // not cached and the source cannot be reached
};

// `file` of the source's catalogue: the cached copy when it still matches,
// else fetched (at most its catalogue size), checked and kept.
ReleaseFileBytes fetchReleaseFile(const std::string& source, const ReleaseFile& file,
                                  const FetchProgress& progress = {});

// Whether the cache holds `file` as the catalogue names it (size and SHA-256).
bool isCached(const std::string& source, const ReleaseFile& file);

}  // namespace releases
