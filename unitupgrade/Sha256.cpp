#include "unitupgrade/Sha256.h"

#include <openssl/evp.h>

namespace gimbalctl {

std::string sha256Hex(const std::vector<uint8_t>& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr)) return {};
    return hexDigits(digest, length);
}

}  // namespace gimbalctl
