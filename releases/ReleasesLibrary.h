#pragma once
// The releases' library (libgimbal-releases.so: fetching with libcurl, Ed25519
// and SHA-256 with libcrypto), opened by ReleasesLoader.cpp the first time a
// program fetches or checks a release: its file name and the entries it
// exports, each the function of Fetch.h or Crypto.h it names.

#include <string>
#include <string_view>

#include "releases/Fetch.h"
#include "releases/Signify.h"

namespace releases {

inline constexpr const char* kReleasesLibraryName = "libgimbal-releases.so";

using FetchEntry = void (*)(const std::string& location, std::size_t maxBytes,
                            const FetchProgress& progress, Fetched& fetched);
using Ed25519VerifyEntry = bool (*)(const Ed25519Key& key, std::string_view message,
                                    const Ed25519Signature& signature);
using Sha256HexEntry = void (*)(std::string_view bytes, std::string& hex);

inline constexpr const char* kFetchEntryName = "gimbal_fetch";
inline constexpr const char* kEd25519VerifyEntryName = "gimbal_ed25519_verify";
inline constexpr const char* kSha256HexEntryName = "gimbal_sha256_hex";

}  // namespace releases
