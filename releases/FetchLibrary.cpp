// The fetcher library's one entry: fetch() with libcurl (Fetch.cpp), built as
// a library of its own so that a program loads libcurl and what it brings
// only when it first fetches (FetchLoader.cpp opens it then).
#include "releases/Fetch.h"
#include "releases/FetchLibrary.h"

extern "C" __attribute__((visibility("default"))) void gimbal_fetch(
    const std::string& location, std::size_t maxBytes, const releases::FetchProgress& progress,
    releases::Fetched& fetched) {
    fetched = releases::fetch(location, maxBytes, progress);
}
