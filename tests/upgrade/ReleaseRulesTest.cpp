// The release catalogue's rules as every face applies them: parsing with one
// line per fault, signify keys and signatures, trust, the serial, the choice
// of a release, file checks and downgrades. Ed25519 itself is the face's; a
// stand-in that accepts one exact message checks the order of the rules.

#include <gtest/gtest.h>

#include "releases/Catalogue.h"
#include "releases/SourceNames.h"
#include "releases/Trust.h"

namespace {

using namespace releases;

// Made by signify-openbsd -G -n -c "example key"; the signature is its -S of kSigned.
constexpr const char* kPublicKey =
    "untrusted comment: example key public key\n"
    "RWTxo2gqiQrVUWjKyA9+K9Ebt7J3j1QFQow7uJYjuHclFKMpNFK9h/SQ\n";
constexpr const char* kSignature =
    "untrusted comment: verify with k.pub\n"
    "RWTxo2gqiQrVUQJNRA4xuo+PSYxzSz6hlO0/bTvwIfcbsLmr9+fugZeYykkyhvHrTdJXarlAt2u9oB/75BTKzlq3T10c"
    "bXp8UwA=\n";

const std::string kDigest(64, 'a');

std::string catalogueWith(const std::string& releases, int serial = 5) {
    return R"({"format": 1, "serial": )" + std::to_string(serial) +
           R"(, "published": "2026-12-08T15:00:00Z", "releases": [)" + releases + "]}";
}

std::string release(const std::string& version, const std::string& channel = "stable",
                    const std::string& file = "gimbal.plov") {
    return R"({"version": ")" + version + R"(", "date": "2026-12-01", "channel": ")" + channel +
           R"(", "notes": "", "files": [{"name": ")" + file + R"(", "size": 100, "sha256": ")" +
           kDigest + R"("}]})";
}

std::string parseError(const std::string& text) { return parseCatalogue(text).error; }

TEST(ReleaseCatalogue, EachFaultIsOneLineNamingIt) {
    EXPECT_EQ(parseError("{\"format\": 1,"), "the catalogue is not JSON");
    EXPECT_EQ(parseError(R"({"format": 1, "serial": 1, "releases": []})"),
              "the catalogue's \"published\" is missing");
    EXPECT_EQ(parseError(catalogueWith(release("2.010") + "," + release("2.010", "beta"))),
              "the catalogue lists version 2.010 twice");
    EXPECT_EQ(parseError(catalogueWith(release("2.010", "nightly"))),
              "the catalogue's release 2.010: channel \"nightly\" is not stable or beta");
    EXPECT_EQ(parseError(catalogueWith(release("2.010", "stable", "../gimbal.plov"))),
              "the catalogue's release 2.010: file \"../gimbal.plov\" is not a plain file name");
    std::string shortDigest = catalogueWith(release("2.010"));
    shortDigest.replace(shortDigest.find(kDigest), 64, "abc");
    EXPECT_EQ(parseError(shortDigest),
              "the catalogue's release 2.010: file \"gimbal.plov\": \"sha256\" is not 64 "
              "hexadecimal digits");
    std::string floatSerial = catalogueWith(release("2.010"));
    floatSerial.replace(floatSerial.find("5,"), 1, "5.5");
    EXPECT_EQ(parseError(floatSerial), "the catalogue's \"serial\" is not a whole number");
    EXPECT_EQ(parseError(catalogueWith(release("2.10"))),
              "the catalogue's release 2.10: version \"2.10\" is not a firmware version as the "
              "gimbal reports it (such as 2.010)");
}

TEST(ReleaseCatalogue, ListsNewestFirstAndWritesWhatItReads) {
    const auto parsed = parseCatalogue(
        catalogueWith(release("2.009") + "," + release("2.011", "beta") + "," + release("2.010")));
    ASSERT_TRUE(parsed.catalogue) << parsed.error;
    const Catalogue& catalogue = *parsed.catalogue;
    ASSERT_EQ(catalogue.releases.size(), 3u);
    EXPECT_EQ(catalogue.releases[0].version, "2.011");
    EXPECT_EQ(catalogue.releases[2].version, "2.009");
    const auto again = parseCatalogue(catalogueText(catalogue));
    ASSERT_TRUE(again.catalogue) << again.error;
    EXPECT_EQ(catalogueText(*again.catalogue), catalogueText(catalogue));

    // "latest" is the newest stable release; a beta is chosen only by name.
    std::string error;
    EXPECT_EQ(chooseRelease(catalogue, "latest", error)->version, "2.010");
    EXPECT_EQ(chooseRelease(catalogue, "2.011", error)->version, "2.011");
    EXPECT_EQ(chooseRelease(catalogue, "2.012", error), nullptr);
    EXPECT_EQ(error, "no release 2.012 in the catalogue (releases: 2.011, 2.010, 2.009)");
}

TEST(ReleaseCatalogue, FilesAreJudgedAsBytesAndVersionsAsNumbers) {
    const ReleaseFile file{"gimbal.plov", 100, kDigest};
    EXPECT_EQ(fileMismatch(file, 100, std::string(64, 'A')), "");
    EXPECT_EQ(fileMismatch(file, 101, kDigest),
              "gimbal.plov: 101 bytes where the catalogue says 100");
    EXPECT_EQ(
        fileMismatch(file, 100, std::string(64, 'b')),
        "gimbal.plov: SHA-256 " + std::string(64, 'b') + " where the catalogue says " + kDigest);
    EXPECT_EQ(downgradeRefusal("2.009", "2.010"),
              "release 2.009 is a downgrade from 2.010, the version the gimbal runs");
    EXPECT_EQ(downgradeRefusal("2.010", "2.010"), "");
    EXPECT_EQ(downgradeRefusal("2.100", "2.010"), "");
    EXPECT_EQ(downgradeRefusal("2.009", ""), "");  // the gimbal did not say
    EXPECT_EQ(downgradeRefusal("2.200", "2.100"), "");
    EXPECT_EQ(downgradeRefusal("9.000", "10.000"),
              "release 9.000 is a downgrade from 10.000, the version the gimbal runs");
    const auto parsed = parseCatalogue(catalogueWith(release("9.000") + "," + release("10.000")));
    ASSERT_TRUE(parsed.catalogue) << parsed.error;
    EXPECT_EQ(parsed.catalogue->releases.front().version, "10.000");
}

TEST(ReleaseKeys, SignifyFilesOfTheWrongShapeAreRefused) {
    const ParsedKey key = parsePublicKey(kPublicKey);
    ASSERT_TRUE(key.key) << key.error;
    EXPECT_EQ(keyNumberHex(key.key->number), "f1a3682a890ad551");
    EXPECT_EQ(key.key->comment, "example key public key");
    ASSERT_TRUE(parseSignature(kSignature).signature);

    EXPECT_EQ(parsePublicKey(kSignature).error,
              "not a signify public key: 74 bytes where it has 42");
    EXPECT_EQ(parseSignature(kPublicKey).error,
              "not a signify signature: 42 bytes where it has 74");
    EXPECT_EQ(parseSignature("RWTxo2gqiQrVUQJNRA4x\n").error,
              "not a signify signature: no \"untrusted comment:\" line");
    EXPECT_EQ(parseSignature("untrusted comment: x\nRWTxo2gqiQrV!QJN\n").error,
              "not a signify signature: its second line is not base64");
}

TEST(ReleaseTrust, OnlyATrustedKeysSignatureOfTheExactBytesOfANewerCatalogueServes) {
    const std::string signedText = catalogueWith(release("2.010"), 5);
    const PublicKey key = *parsePublicKey(kPublicKey).key;
    const Ed25519Verify verify = [&](const Ed25519Key& k, std::string_view message,
                                     const Ed25519Signature&) {
        return k == key.key && message == signedText;
    };
    const auto verified = verifyCatalogue(signedText, kSignature, {key}, verify, 5);
    ASSERT_EQ(verified.verdict, Verdict::kVerified) << verified.error;
    EXPECT_EQ(verified.signedBy->comment, "example key public key");
    EXPECT_EQ(verified.catalogue->releases.front().version, "2.010");

    EXPECT_EQ(verifyCatalogue(signedText, kSignature, {}, verify, {}).verdict,
              Verdict::kNoTrustedKey);
    PublicKey other = key;
    other.number[0] ^= 1;
    EXPECT_EQ(verifyCatalogue(signedText, kSignature, {other}, verify, {}).error,
              "releases.json is signed by key f1a3682a890ad551, which is not trusted");
    std::string changed = signedText;
    changed.replace(changed.find("2.010"), 5, "2.011");
    EXPECT_EQ(verifyCatalogue(changed, kSignature, {key}, verify, {}).error,
              "the signature does not match releases.json: it was changed after signing");
    const auto older = verifyCatalogue(signedText, kSignature, {key}, verify, 6);
    EXPECT_EQ(older.verdict, Verdict::kOlderSerial);
    EXPECT_EQ(older.error, "releases.json is older than the one already seen: serial 5 after 6");
    EXPECT_FALSE(older.catalogue);
}

TEST(ReleaseSources, EachSourceHasItsOwnCacheFolder) {
    EXPECT_EQ(sourceEntry("http://127.0.0.1:8000/fw/", "releases.json"),
              "http://127.0.0.1:8000/fw/releases.json");
    EXPECT_EQ(cacheFolderName("http://127.0.0.1:8000/fw/"), "http_3a_2f_2f127.0.0.1_3a8000_2ffw");
    EXPECT_NE(cacheFolderName("http://a/b_2f"), cacheFolderName("http://a/b/"));
    EXPECT_EQ(cacheFolderName(".."), "_2e.");
    const std::string longSource = "https://example.org/" + std::string(300, 'a');
    EXPECT_EQ(cacheFolderName(longSource).size(), 200u);
    EXPECT_NE(cacheFolderName(longSource), cacheFolderName(longSource + "b"));
}

}  // namespace
