// unitupgrade/Sha256.h on Windows: the system's CNG hash.

#include "unitupgrade/Sha256.h"

#include <windows.h>
// after windows.h
#include <bcrypt.h>

namespace gimbalctl {

std::string sha256Hex(const std::vector<uint8_t>& bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return {};
    }
    unsigned char digest[32];
    const bool hashed =
        BCRYPT_SUCCESS(::BCryptHash(algorithm, nullptr, 0, const_cast<PUCHAR>(bytes.data()),
                                    static_cast<ULONG>(bytes.size()), digest, sizeof digest));
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return hashed ? hexDigits(digest, sizeof digest) : std::string();
}

}  // namespace gimbalctl
