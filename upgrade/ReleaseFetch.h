#pragma once
// The maker's releases as the window gets them: listed and fetched with the
// same fetching, cache, trust and rules as gimbalctl (releases/). Both calls
// block on the network; the window runs them off its GUI thread.

#include <cstdint>
#include <string>
#include <vector>

namespace releases {

struct ListedReleases {
    std::string error;                  // one line when nothing could be listed
    std::vector<std::string> lines;     // for the log ("offline: releases as of ...")
    std::vector<std::string> versions;  // newest first
    std::vector<std::string> labels;    // as the list shows them, same order
};

struct FetchedRelease {
    std::string error;           // one line when nothing may be loaded
    std::string name;            // the file's name in the catalogue
    std::vector<uint8_t> bytes;  // verified against the catalogue
    std::string loadedLine;      // names the release and the key that signed it
};

// The verified catalogue of `source` (or the cached one when it cannot be
// reached), its releases newest first.
ListedReleases listReleasesOf(const std::string& source);

// Release `version`'s file from `source` (or the cache), verified.
FetchedRelease fetchRelease(const std::string& source, const std::string& version);

}  // namespace releases
