#include "releases/Trust.h"

namespace releases {

std::string serialRefusal(std::int64_t serial, std::optional<std::int64_t> highestSeen) {
    if (!highestSeen || serial >= *highestSeen) return {};
    return "older than the one already seen: serial " + std::to_string(serial) + " after " +
           std::to_string(*highestSeen);
}

VerifiedCatalogue verifyCatalogue(std::string_view catalogueBytes, std::string_view signatureText,
                                  const std::vector<PublicKey>& trusted,
                                  const Ed25519Verify& verify,
                                  std::optional<std::int64_t> highestSeen) {
    VerifiedCatalogue result;
    if (trusted.empty()) {
        result.verdict = Verdict::kNoTrustedKey;
        result.error = "no release key is trusted";
        return result;
    }
    const ParsedSignature parsed = parseSignature(signatureText);
    if (!parsed.signature) {
        result.error = std::string(kSignatureName) + ": " + parsed.error;
        return result;
    }
    const Signature& signature = *parsed.signature;
    bool known = false;
    for (const PublicKey& key : trusted) {
        if (key.number != signature.number) continue;
        known = true;
        if (verify(key.key, catalogueBytes, signature.signature)) {
            result.signedBy = key;
            break;
        }
    }
    if (!known) {
        result.error = std::string(kCatalogueName) + " is signed by key " +
                       keyNumberHex(signature.number) + ", which is not trusted";
        return result;
    }
    if (!result.signedBy) {
        result.error = std::string("the signature does not match ") + kCatalogueName +
                       ": it was changed after signing";
        return result;
    }
    ParsedCatalogue catalogue = parseCatalogue(catalogueBytes);
    if (!catalogue.catalogue) {
        result.verdict = Verdict::kBadCatalogue;
        result.error = std::move(catalogue.error);
        result.signedBy.reset();
        return result;
    }
    if (std::string older = serialRefusal(catalogue.catalogue->serial, highestSeen);
        !older.empty()) {
        result.verdict = Verdict::kOlderSerial;
        result.error = std::string(kCatalogueName) + " is " + older;
        result.signedBy.reset();
        return result;
    }
    result.verdict = Verdict::kVerified;
    result.catalogue = std::move(catalogue.catalogue);
    return result;
}

}  // namespace releases
