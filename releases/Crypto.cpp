#include "releases/Crypto.h"

#include <openssl/evp.h>

#include <memory>

namespace releases {

bool ed25519Verify(const Ed25519Key& key, std::string_view message,
                   const Ed25519Signature& signature) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()),
        EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    EVP_MD_CTX_free);
    if (!publicKey || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr)) return {};
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int k = 0; k < length; ++k) {
        hex += kDigits[digest[k] >> 4];
        hex += kDigits[digest[k] & 0xf];
    }
    return hex;
}

}  // namespace releases
