#pragma once
// Fetching a release folder's pieces: https, http and file URLs through
// libcurl, and plain paths (a mounted share) from the file system. Each
// fetch has a size cap, a connect timeout and ends when the source stalls;
// a redirect is followed only to the same scheme, host and port.

#include <cstdint>
#include <functional>
#include <string>

namespace releases {

struct Fetched {
    std::string bytes;
    std::string error;  // one line naming the URL when the fetch failed
    // The source answered with something refused (larger than the cap, a
    // redirect to another host): a cached copy must not stand in for it.
    bool refused = false;
    bool ok() const { return error.empty(); }
};

// Called as bytes arrive (total 0 while unknown); returning false stops the fetch.
using FetchProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The whole content at `location` (a URL or a path), at most `maxBytes`.
Fetched fetch(const std::string& location, std::size_t maxBytes,
              const FetchProgress& progress = {});

// Seconds without a byte after which a transfer is given up as stalled.
inline constexpr long kStallSeconds = 20;
inline constexpr long kConnectSeconds = 10;

}  // namespace releases
