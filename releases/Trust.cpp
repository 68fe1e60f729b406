#include "releases/Trust.h"

#include "translations/Marked.h"

namespace releases {

std::string serialRefusal(std::int64_t serial, std::optional<std::int64_t> highestSeen) {
    if (!highestSeen || serial >= *highestSeen) return {};
    return "older than the one already seen: serial " + std::to_string(serial) + " after " +
           std::to_string(*highestSeen);
}

SignatureToVerify signatureToVerify(std::string_view signatureText,
                                    const std::vector<PublicKey>& trusted) {
    SignatureToVerify check;
    if (trusted.empty()) {
        check.verdict = Verdict::kNoTrustedKey;
        check.error = N_("no release key is trusted");
        return check;
    }
    const ParsedSignature parsed = parseSignature(signatureText);
    if (!parsed.signature) {
        check.error = std::string(kSignatureName) + ": " + parsed.error;
        return check;
    }
    check.signature = parsed.signature->signature;
    for (const PublicKey& key : trusted) {
        if (key.number != parsed.signature->number) continue;
        check.verdict = Verdict::kVerified;
        check.key = key;
        return check;
    }
    check.error = std::string(kCatalogueName) + " is signed by key " +
                  keyNumberHex(parsed.signature->number) + ", which is not trusted";
    return check;
}

VerifiedCatalogue acceptCatalogue(std::string_view catalogueBytes, const SignatureToVerify& check,
                                  bool matches, std::optional<std::int64_t> highestSeen) {
    VerifiedCatalogue result;
    if (check.verdict != Verdict::kVerified) {
        result.verdict = check.verdict;
        result.error = check.error;
        return result;
    }
    if (!matches) {
        result.error = std::string("the signature does not match ") + kCatalogueName +
                       ": it was changed after signing";
        return result;
    }
    ParsedCatalogue catalogue = parseCatalogue(catalogueBytes);
    if (!catalogue.catalogue) {
        result.verdict = Verdict::kBadCatalogue;
        result.error = std::move(catalogue.error);
        return result;
    }
    if (std::string older = serialRefusal(catalogue.catalogue->serial, highestSeen);
        !older.empty()) {
        result.verdict = Verdict::kOlderSerial;
        result.error = std::string(kCatalogueName) + " is " + older;
        return result;
    }
    result.verdict = Verdict::kVerified;
    result.catalogue = std::move(catalogue.catalogue);
    result.signedBy = check.key;
    return result;
}

VerifiedCatalogue verifyCatalogue(std::string_view catalogueBytes, std::string_view signatureText,
                                  const std::vector<PublicKey>& trusted,
                                  const Ed25519Verify& verify,
                                  std::optional<std::int64_t> highestSeen) {
    const SignatureToVerify check = signatureToVerify(signatureText, trusted);
    const bool matches = check.verdict == Verdict::kVerified &&
                         verify(check.key.key, catalogueBytes, check.signature);
    return acceptCatalogue(catalogueBytes, check, matches, highestSeen);
}

}  // namespace releases
