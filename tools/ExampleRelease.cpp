#include "tools/ExampleRelease.h"

#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "releases/Catalogue.h"
#include "releases/Crypto.h"
#include "tests/upgrade/FirmwareFiles.h"

namespace {

// The example key: a fixed seed, and a key number that reads "example1".
constexpr std::array<unsigned char, 32> kExampleSeed = {
    'g', 'i', 'm', 'b', 'a', 'l', '-', 's', 'i', 'm', ' ', 'e', 'x', 'a', 'm', 'p',
    'l', 'e', ' ', 'k', 'e', 'y', ',', ' ', 'n', 'o', 't', ' ', 's', 'a', 'f', 'e'};
constexpr std::array<unsigned char, 8> kExampleNumber = {'e', 'x', 'a', 'm', 'p', 'l', 'e', '1'};
constexpr const char* kKeyName = "example-release-key.pub";

// "untrusted comment: ...", then base64 of "Ed", the key number and `body`.
std::string signifyFile(const std::string& comment, const std::vector<unsigned char>& body) {
    std::vector<unsigned char> raw = {'E', 'd'};
    raw.insert(raw.end(), kExampleNumber.begin(), kExampleNumber.end());
    raw.insert(raw.end(), body.begin(), body.end());
    std::string base64(4 * ((raw.size() + 2) / 3) + 1, '\0');
    base64.resize(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()), raw.data(),
                                  static_cast<int>(raw.size())));
    return "untrusted comment: " + comment + "\n" + base64 + "\n";
}

struct ExampleKey {
    std::vector<unsigned char> publicKey;
    std::vector<unsigned char> signature;
};

ExampleKey signWithExampleKey(const std::string& message) {
    ExampleKey made;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, kExampleSeed.data(), 32),
        EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    EVP_MD_CTX_free);
    std::size_t size = 32;
    made.publicKey.resize(size);
    if (!key || !context ||
        EVP_PKEY_get_raw_public_key(key.get(), made.publicKey.data(), &size) != 1 ||
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        return {};
    }
    size = 64;
    made.signature.resize(size);
    if (EVP_DigestSign(context.get(), made.signature.data(), &size,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1) {
        return {};
    }
    return made;
}

bool writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        std::fprintf(stderr, "gimbal-sim: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

}  // namespace

bool writeExampleRelease(const std::filesystem::path& folder) {
    const std::filesystem::path releaseFolder = folder / "releases";
    std::error_code error;  // a folder not made shows as a file not written
    std::filesystem::create_directories(releaseFolder, error);
    releases::Catalogue catalogue{1, "2026-12-01T12:00:00Z", {}};
    const struct {
        const char* version;
        const char* date;
        Version bytes;
        const char* notes;
    } examples[] = {{"2.010", "2026-12-01", {1, 5, 2, 10}, "Smoother pan at low speed."},
                    {"2.009", "2026-11-02", {1, 5, 2, 9}, "First example release."}};
    for (const auto& example : examples) {
        const std::string name = std::string("gimbal-") + example.version + ".plov";
        const std::vector<uint8_t> bytes =
            singleImageFile(imageBytes(3000, 3), 0, 0, example.bytes);
        const std::string text(bytes.begin(), bytes.end());
        if (!writeText(releaseFolder / name, text)) return false;
        catalogue.releases.push_back({example.version,
                                      example.date,
                                      "stable",
                                      example.notes,
                                      {{name, bytes.size(), releases::sha256Hex(text)}}});
    }
    const std::string catalogueText = releases::catalogueText(catalogue);
    const ExampleKey key = signWithExampleKey(catalogueText);
    if (key.signature.empty()) {
        std::fprintf(stderr, "gimbal-sim: the example release cannot be signed\n");
        return false;
    }
    return writeText(releaseFolder / releases::kCatalogueName, catalogueText) &&
           writeText(releaseFolder / releases::kSignatureName,
                     signifyFile(std::string("verify with ") + kKeyName, key.signature)) &&
           writeText(folder / kKeyName,
                     signifyFile("gimbal-sim example release key, not the maker's, public key",
                                 key.publicKey));
}
