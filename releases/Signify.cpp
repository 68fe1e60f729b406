#include "releases/Signify.h"

#include <algorithm>

namespace releases {

namespace {

constexpr std::string_view kCommentStart = "untrusted comment: ";

// The comment and the base64 line of a signify file.
struct SignifyLines {
    std::string comment;
    std::string_view base64;
    std::string error;
};

SignifyLines splitLines(std::string_view text, std::string_view what) {
    SignifyLines lines;
    if (text.substr(0, kCommentStart.size()) != kCommentStart) {
        lines.error = "not a signify " + std::string(what) + ": no \"untrusted comment:\" line";
        return lines;
    }
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        lines.error = "not a signify " + std::string(what) + ": no line after the comment";
        return lines;
    }
    lines.comment = std::string(text.substr(kCommentStart.size(), end - kCommentStart.size()));
    if (!lines.comment.empty() && lines.comment.back() == '\r') lines.comment.pop_back();
    std::string_view rest = text.substr(end + 1);
    rest = rest.substr(0, rest.find('\n'));
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    lines.base64 = rest;
    return lines;
}

// The decoded bytes when they are "Ed" and `size` bytes long, else why not.
std::optional<std::vector<std::uint8_t>> decodeEd(std::string_view base64, std::size_t size,
                                                  std::string_view what, std::string& error) {
    const auto bytes = decodeBase64(base64);
    if (!bytes) {
        error = "not a signify " + std::string(what) + ": its second line is not base64";
        return std::nullopt;
    }
    if (bytes->size() != size) {
        error = "not a signify " + std::string(what) + ": " + std::to_string(bytes->size()) +
                " bytes where it has " + std::to_string(size);
        return std::nullopt;
    }
    if ((*bytes)[0] != 'E' || (*bytes)[1] != 'd') {
        error = "not a signify " + std::string(what) + ": not an Ed25519 one";
        return std::nullopt;
    }
    return bytes;
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t k = 0; k < text.size() - padding; ++k) {
        const int value = base64Value(text[k]);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            bytes.push_back(static_cast<std::uint8_t>(bits >> 16));
            bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
            bytes.push_back(static_cast<std::uint8_t>(bits));
            bits = 0, count = 0;
        }
    }
    if (count == 3) {
        bytes.push_back(static_cast<std::uint8_t>(bits >> 10));
        bytes.push_back(static_cast<std::uint8_t>(bits >> 2));
    } else if (count == 2) {
        bytes.push_back(static_cast<std::uint8_t>(bits >> 4));
    }
    return bytes;
}

ParsedKey parsePublicKey(std::string_view fileText) {
    SignifyLines lines = splitLines(fileText, "public key");
    if (!lines.error.empty()) return {std::nullopt, lines.error};
    std::string error;
    const auto bytes = decodeEd(lines.base64, 42, "public key", error);
    if (!bytes) return {std::nullopt, error};
    PublicKey key;
    std::copy_n(bytes->begin() + 2, 8, key.number.begin());
    std::copy_n(bytes->begin() + 10, 32, key.key.begin());
    key.comment = std::move(lines.comment);
    return {std::move(key), {}};
}

ParsedSignature parseSignature(std::string_view fileText) {
    const SignifyLines lines = splitLines(fileText, "signature");
    if (!lines.error.empty()) return {std::nullopt, lines.error};
    std::string error;
    const auto bytes = decodeEd(lines.base64, 74, "signature", error);
    if (!bytes) return {std::nullopt, error};
    Signature signature;
    std::copy_n(bytes->begin() + 2, 8, signature.number.begin());
    std::copy_n(bytes->begin() + 10, 64, signature.signature.begin());
    return {signature, {}};
}

std::string keyNumberHex(const KeyNumber& number) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : number) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xf];
    }
    return hex;
}

}  // namespace releases
