#pragma once
// Keys and signatures in signify's files: an untrusted comment line, then one
// line of base64. A public key decodes to "Ed", an 8-byte key number and the
// 32-byte Ed25519 key; a signature to "Ed", the signing key's number and the
// 64-byte Ed25519 signature. Makers make both with signify-openbsd (-G, -S);
// nothing here makes keys or signs.
//
// Parsing only: no I/O. The face reads the files and checks signatures with
// its own Ed25519 (Trust.h).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace releases {

using KeyNumber = std::array<std::uint8_t, 8>;
using Ed25519Key = std::array<std::uint8_t, 32>;
using Ed25519Signature = std::array<std::uint8_t, 64>;

struct PublicKey {
    KeyNumber number{};
    Ed25519Key key{};
    std::string comment;  // the text after "untrusted comment: ", e.g. "maker 2026 public key"
};

struct Signature {
    KeyNumber number{};  // the number of the key that signed
    Ed25519Signature signature{};
};

struct ParsedKey {
    std::optional<PublicKey> key;
    std::string error;  // one line when `key` is none, e.g. "not a signify public key: ..."
};

struct ParsedSignature {
    std::optional<Signature> signature;
    std::string error;  // one line when `signature` is none
};

// The content of a .pub file. Refused with one line: no comment line, base64
// that does not decode, not "Ed", or a length other than 42 bytes.
ParsedKey parsePublicKey(std::string_view fileText);

// The content of a .sig file (the detached form signify -S writes). Refused
// likewise, for a length other than 74 bytes.
ParsedSignature parseSignature(std::string_view fileText);

// The key number as 16 lower-case hexadecimal digits, as listings and
// records name a key.
std::string keyNumberHex(const KeyNumber& number);

// Standard base64 (with padding, no line breaks inside); none when `text` is not.
std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text);

}  // namespace releases
