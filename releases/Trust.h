#pragma once
// Whether a catalogue may be believed: signed by a trusted key, well formed,
// and not older than one already seen from the same source. The one call a
// face makes once it has the catalogue's bytes and its signature file.
//
// The face supplies Ed25519 (libcrypto natively, WebCrypto in the page) and
// remembers the highest serial seen per source; the rules are all here.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "releases/Catalogue.h"
#include "releases/Signify.h"

namespace releases {

// True when `signature` is `key`'s Ed25519 signature of exactly `message`.
using Ed25519Verify = std::function<bool(const Ed25519Key& key, std::string_view message,
                                         const Ed25519Signature& signature)>;

enum class Verdict {
    kVerified,
    kNoTrustedKey,  // no key is trusted at all: the face says how to add one
    kBadSignature,  // the signature file cannot be read, its key is not trusted, or it does not
                    // match
    kBadCatalogue,  // signed, but not a catalogue by the format's rules
    kOlderSerial,   // signed and well formed, but older than one already seen
};

struct VerifiedCatalogue {
    Verdict verdict = Verdict::kBadSignature;
    std::string error;                     // one line unless verified
    std::optional<Catalogue> catalogue{};  // when verified
    std::optional<PublicKey> signedBy{};   // the trusted key that signed, when verified
};

// Checks, in this order, so that nothing unsigned is even parsed:
//   1. some key is trusted ("no release key is trusted");
//   2. the signature file parses, names a trusted key ("releases.json is
//      signed by key 0123456789abcdef, which is not trusted") and that key's
//      signature matches the bytes ("the signature does not match
//      releases.json: it was changed after signing");
//   3. the bytes are a catalogue (parseCatalogue);
//   4. its serial is not below `highestSeen` ("releases.json is older than
//      the one already seen: serial 3 after 5").
// The face then keeps the serial as the source's highest seen.
VerifiedCatalogue verifyCatalogue(std::string_view catalogueBytes, std::string_view signatureText,
                                  const std::vector<PublicKey>& trusted,
                                  const Ed25519Verify& verify,
                                  std::optional<std::int64_t> highestSeen);

// The same in two steps, for a face whose Ed25519 answers later (WebCrypto's
// verify is a promise). First steps 1 and 2 without the signature's check:
// the key and signature for the face to verify over the catalogue's exact
// bytes, or the refusal.
struct SignatureToVerify {
    Verdict verdict = Verdict::kBadSignature;  // kVerified: go on and verify
    std::string error;                         // one line otherwise
    PublicKey key{};                           // the trusted key the signature names
    Ed25519Signature signature{};
};
SignatureToVerify signatureToVerify(std::string_view signatureText,
                                    const std::vector<PublicKey>& trusted);
// Then, with the face's answer (`matches`), the rest of step 2 and steps 3 and 4.
VerifiedCatalogue acceptCatalogue(std::string_view catalogueBytes, const SignatureToVerify& check,
                                  bool matches, std::optional<std::int64_t> highestSeen);

// "older than the one already seen: serial 3 after 5", or empty when
// `serial` is at least `highestSeen` (or none has been seen).
std::string serialRefusal(std::int64_t serial, std::optional<std::int64_t> highestSeen);

}  // namespace releases
