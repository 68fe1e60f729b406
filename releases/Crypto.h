#pragma once
// libcrypto's Ed25519 and SHA-256 for the native faces (gimbalctl, the
// window); the page uses WebCrypto's.

#include <cstdint>
#include <string>
#include <string_view>

#include "releases/Signify.h"

namespace releases {

// True when `signature` is `key`'s Ed25519 signature of exactly `message`
// (an Ed25519Verify for verifyCatalogue).
bool ed25519Verify(const Ed25519Key& key, std::string_view message,
                   const Ed25519Signature& signature);

// 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace releases
