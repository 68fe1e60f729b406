// The releases' library's entries: fetch() with libcurl (Fetch.cpp) and the
// checks with libcrypto (Crypto.cpp), built as a library of its own so that
// a program loads libcurl, libcrypto and what they bring only when it first
// needs them (ReleasesLoader.cpp opens it then).
#include "releases/ReleasesLibrary.h"

#include "releases/Crypto.h"

#define GIMBAL_ENTRY extern "C" __attribute__((visibility("default")))

GIMBAL_ENTRY void gimbal_fetch(const std::string& location, std::size_t maxBytes,
                               const releases::FetchProgress& progress,
                               releases::Fetched& fetched) {
    fetched = releases::fetch(location, maxBytes, progress);
}

GIMBAL_ENTRY bool gimbal_ed25519_verify(const releases::Ed25519Key& key, std::string_view message,
                                        const releases::Ed25519Signature& signature) {
    return releases::ed25519Verify(key, message, signature);
}

GIMBAL_ENTRY void gimbal_sha256_hex(std::string_view bytes, std::string& hex) {
    hex = releases::sha256Hex(bytes);
}
