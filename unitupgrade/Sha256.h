#pragma once
// The SHA-256 digest of a firmware file's bytes, for the station's record:
// libcrypto on Linux, the system's CNG (bcrypt) on Windows.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gimbalctl {

// 64 lower-case hexadecimal digits; empty when the system cannot hash.
std::string sha256Hex(const std::vector<uint8_t>& bytes);

inline std::string hexDigits(const unsigned char* bytes, std::size_t size) {
    std::string hex;
    for (std::size_t k = 0; k < size; ++k) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", bytes[k]);
        hex += pair;
    }
    return hex;
}

}  // namespace gimbalctl
