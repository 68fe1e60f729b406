#include "releases/ReleaseSource.h"

#include "releases/Crypto.h"
#include "releases/SourceNames.h"

namespace releases {

namespace {

// A signature file is two short lines.
constexpr std::size_t kMaxSignatureSize = 4096;

ReleaseList fromVerdict(VerifiedCatalogue verified) {
    ReleaseList list;
    list.error = std::move(verified.error);
    switch (verified.verdict) {
        case Verdict::kVerified:
            list.outcome = ReleaseList::Outcome::kVerified;
            list.catalogue = std::move(verified.catalogue);
            list.signedBy = std::move(verified.signedBy);
            break;
        case Verdict::kNoTrustedKey:
            list.outcome = ReleaseList::Outcome::kNoTrustedKey;
            break;
        default:
            list.outcome = ReleaseList::Outcome::kRefused;
    }
    return list;
}

std::optional<std::string> cachedMatch(const ReleaseCache& cache, const ReleaseFile& file) {
    auto bytes = cache.read(ReleaseCache::fileEntry(file.name), file.size);
    if (!bytes || !fileMismatch(file, bytes->size(), sha256Hex(*bytes)).empty()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

ReleaseList loadReleaseList(const std::string& source, const std::vector<PublicKey>& trusted) {
    const ReleaseCache cache(source);
    if (trusted.empty()) return fromVerdict({Verdict::kNoTrustedKey, "no release key is trusted"});
    std::string unreadable;
    const std::optional<std::int64_t> highestSerial = cache.highestSerial(unreadable);
    if (!unreadable.empty()) return {ReleaseList::Outcome::kRefused, unreadable};
    Fetched catalogue = fetch(sourceEntry(source, kCatalogueName), kMaxCatalogueSize);
    Fetched signature;
    if (catalogue.ok()) signature = fetch(sourceEntry(source, kSignatureName), kMaxSignatureSize);
    const Fetched& failed = catalogue.ok() ? signature : catalogue;
    if (failed.ok()) {
        ReleaseList list = fromVerdict(verifyCatalogue(catalogue.bytes, signature.bytes, trusted,
                                                       ed25519Verify, highestSerial));
        if (list.catalogue) {
            std::string ignored;  // a cache that cannot be written only costs offline use
            cache.keepSerial(list.catalogue->serial);
            cache.write(kCatalogueName, catalogue.bytes, ignored);
            cache.write(kSignatureName, signature.bytes, ignored);
        }
        return list;
    }
    if (failed.refused) return {ReleaseList::Outcome::kRefused, failed.error};

    const auto cachedCatalogue = cache.read(kCatalogueName, kMaxCatalogueSize);
    const auto cachedSignature = cache.read(kSignatureName, kMaxSignatureSize);
    if (!cachedCatalogue || !cachedSignature) {
        return {ReleaseList::Outcome::kUnreachable, failed.error + "; nothing cached from it"};
    }
    ReleaseList list = fromVerdict(
        verifyCatalogue(*cachedCatalogue, *cachedSignature, trusted, ed25519Verify, highestSerial));
    if (list.catalogue) {
        list.offline = true;
        list.offlineReason = failed.error;
    } else if (list.outcome == ReleaseList::Outcome::kRefused) {
        list.error = "the cached catalogue (" + cache.folder() + "): " + list.error;
    }
    return list;
}

ReleaseFileBytes fetchReleaseFile(const std::string& source, const ReleaseFile& file,
                                  const FetchProgress& progress) {
    const ReleaseCache cache(source);
    if (auto cached = cachedMatch(cache, file)) {
        return {std::move(*cached), cache.pathOf(ReleaseCache::fileEntry(file.name)), {}};
    }
    Fetched fetched = fetch(sourceEntry(source, file.name), file.size, progress);
    if (!fetched.ok()) {
        if (fetched.refused && fetched.error.ends_with("bytes")) {
            fetched.error =
                file.name + ": longer than the catalogue's " + std::to_string(file.size) + " bytes";
        }
        return {{}, {}, fetched.error, !fetched.refused};
    }
    if (std::string why = fileMismatch(file, fetched.bytes.size(), sha256Hex(fetched.bytes));
        !why.empty()) {
        return {{}, {}, why};
    }
    std::string error;
    const std::string entry = ReleaseCache::fileEntry(file.name);
    const bool kept = cache.write(entry, fetched.bytes, error);
    return {std::move(fetched.bytes), kept ? cache.pathOf(entry) : std::string(), {}};
}

bool isCached(const std::string& source, const ReleaseFile& file) {
    return cachedMatch(ReleaseCache(source), file).has_value();
}

}  // namespace releases
