#pragma once
// The fetcher library (libgimbal-fetch.so, with libcurl), opened by
// FetchLoader.cpp the first time a program fetches: its file name and the
// entry it exports.

#include "releases/Fetch.h"

namespace releases {

inline constexpr const char* kFetchLibraryName = "libgimbal-fetch.so";
inline constexpr const char* kFetchEntryName = "gimbal_fetch";

// The entry's type: releases::fetch(location, maxBytes, progress) into `fetched`.
using FetchEntry = void (*)(const std::string& location, std::size_t maxBytes,
                            const FetchProgress& progress, Fetched& fetched);

}  // namespace releases
