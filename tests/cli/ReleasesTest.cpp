// gimbalctl and the maker's signed releases, end to end: keys made by
// signify-openbsd, a folder written by `gimbalctl publish` and signed, served
// by a loopback HTTP server on a free port, and simulated gimbals.

#include <gtest/gtest.h>
#include <httplib.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "releases/Signify.h"
#include "releases/SourceNames.h"
#include "tests/cli/GimbalctlRun.h"
#include "tests/support/WaitFor.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

class Releases : public ::testing::Test {
protected:
    TempDir dir;
    httplib::Server server;
    std::thread serving;
    int port = 0;
    const Bytes image2009 = imageBytes(100, 9), image2010 = imageBytes(100, 10);
    std::string keyNumber;  // the trusted key's, in hex

    void SetUp() override {
        // The cache and the user's keys in the test's own folder.
        setenv("HOME", dir.path().c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir.path() + "/cache").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("GIMBAL_RELEASES_URL");
        for (const char* key : {"trusted", "other"}) {
            run("signify-openbsd -G -n -p " + path(key) + ".pub -s " + path(key) + ".sec -c '" +
                key + " key'");
        }
        keyNumber = releases::keyNumberHex(
            releases::parsePublicKey(slurp(path("trusted.pub"))).key->number);
        fs::create_directory(path("good"));
        writeFile("good/gimbal-2.009.plov", singleImageFile(image2009, 0, 0, {1, 5, 2, 9}));
        writeFile("good/gimbal-2.010.plov", singleImageFile(image2010, 0, 0, {1, 5, 2, 10}));
        publishAndSign("good");
        server.set_mount_point("/", dir.path());
        // A redirect to another host ("localhost" is not "127.0.0.1").
        server.Get("/moved/releases.json", [this](const httplib::Request&, httplib::Response& r) {
            r.set_redirect("http://localhost:" + std::to_string(port) + "/good/releases.json");
        });
        // One to another port of the same host.
        server.Get("/moved-port/releases.json", [this](const httplib::Request&,
                                                       httplib::Response& r) {
            r.set_redirect("http://127.0.0.1:" + std::to_string(port + 1) + "/good/releases.json");
        });
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        serving = std::thread([this] { server.listen_after_bind(); });
    }
    void TearDown() override {
        server.stop();
        if (serving.joinable()) serving.join();
    }

    std::string path(const std::string& name) const { return dir.path() + "/" + name; }
    std::string url(const std::string& site) const {
        return "http://127.0.0.1:" + std::to_string(port) + "/" + site + "/";
    }
    static void run(const std::string& command) {
        ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
    }
    void writeFile(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void publishAndSign(const std::string& site) {
        const Result published = gimbalctl(dir, {"publish", path(site)});
        ASSERT_EQ(published.status, 0) << published.err;
        sign(site);
    }
    void sign(const std::string& site) {
        run("signify-openbsd -S -s " + path("trusted.sec") + " -m " + path(site) +
            "/releases.json -x " + path(site) + "/releases.json.sig");
    }
    std::string cacheFolder(const std::string& site) const {
        return path("cache/gimbalctl/releases/") + releases::cacheFolderName(url(site));
    }
    void copySite(const std::string& from, const std::string& to) const {
        fs::copy(path(from), path(to),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    // The command with --from the site and --trust-key the key (none when empty).
    std::vector<std::string> withSource(const std::string& site, std::vector<std::string> args,
                                        const std::string& key = "trusted") const {
        args.insert(args.end(), {"--from", url(site)});
        if (!key.empty()) args.insert(args.end(), {"--trust-key", path(key + ".pub")});
        return args;
    }
};

TEST_F(Releases, ListedNewestFirstUpgradedIdenticallyAndServedOfflineFromTheCache) {
    const Result listed = gimbalctl(dir, withSource("good", {"releases"}));
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(contains(listed.out, "signed by key " + keyNumber + " (trusted key public key)"))
        << listed.out;
    EXPECT_LT(listed.out.find("2.010 "), listed.out.find("2.009 "));
    EXPECT_TRUE(contains(listed.out, "gimbal-2.010.plov, 116 bytes, not cached")) << listed.out;

    GimbalSimulator gimbal;
    const Result upgraded = gimbalctl(
        dir, withSource("good", {"upgrade", "-p", gimbal.slavePath(), "--release", "latest"}));
    ASSERT_EQ(upgraded.status, 0) << upgraded.err;
    EXPECT_TRUE(contains(upgraded.out, "release 2.010, signed by key " + keyNumber))
        << upgraded.out;
    expectImages(gimbal, {{3, image2010}});

    // The source gone, the cached catalogue serves and says as of when; the key
    // is now the user's, the source the environment's.
    server.stop();
    serving.join();
    fs::create_directories(path(".config/gimbalctl/trusted-keys"));
    fs::copy_file(path("trusted.pub"), path(".config/gimbalctl/trusted-keys/maker.pub"));
    setenv("GIMBAL_RELEASES_URL", url("good").c_str(), 1);
    const Result offline = gimbalctl(dir, {"releases"});
    ASSERT_EQ(offline.status, 0) << offline.err;
    EXPECT_TRUE(contains(offline.out, "offline: releases as of 20")) << offline.out;
    EXPECT_TRUE(contains(offline.out, "gimbal-2.010.plov, 116 bytes, cached")) << offline.out;
    EXPECT_TRUE(contains(offline.out, "gimbal-2.009.plov, 116 bytes, not cached")) << offline.out;
    // A release never fetched: one line about the connection, one saying what is missing.
    const Result notCached =
        gimbalctl(dir, {"upgrade", "-p", gimbal.slavePath(), "--release", "2.009"});
    EXPECT_EQ(notCached.status, 8);
    EXPECT_EQ(std::count(notCached.err.begin(), notCached.err.end(), '\n'), 2) << notCached.err;
    EXPECT_TRUE(notCached.err.ends_with("gimbalctl: release 2.009 is not in the cache of " +
                                        url("good") + ", and " + url("good") +
                                        " cannot be reached\n"))
        << notCached.err;
    // A cached file that no longer matches the catalogue is not sent; nor is
    // anything from a source never reached. Both have their own status.
    const std::string cached = cacheFolder("good") + "/files/gimbal-2.010.plov";
    std::fstream(cached, std::ios::in | std::ios::out | std::ios::binary).put('!');
    gimbal.clearReceived();
    const Result changed =
        gimbalctl(dir, {"upgrade", "-p", gimbal.slavePath(), "--release", "latest"});
    EXPECT_EQ(changed.status, 8) << changed.err;
    EXPECT_TRUE(gimbal.bytesReceived().empty());
    EXPECT_EQ(gimbalctl(dir, withSource("elsewhere", {"releases"})).status, 8);
}

TEST_F(Releases, EachUntrustworthyReleaseIsRefusedWithNothingSent) {
    copySite("good", "changed");
    std::string text = slurp(path("changed/releases.json"));
    text.replace(text.find("\"serial\": 1"), 11, "\"serial\": 9");
    std::ofstream(path("changed/releases.json"), std::ios::trunc) << text;
    copySite("good", "swapped");
    fs::copy_file(path("good/gimbal-2.009.plov"), path("swapped/gimbal-2.010.plov"),
                  fs::copy_options::overwrite_existing);
    copySite("good", "longer");
    std::ofstream(path("longer/gimbal-2.010.plov"), std::ios::app) << 'x';
    fs::create_directory(path("huge"));
    std::ofstream(path("huge/releases.json")) << std::string((1 << 20) + 1, ' ');
    // Serial 2 seen first, then serial 1 from the same source.
    copySite("good", "older");
    publishAndSign("older");
    ASSERT_EQ(gimbalctl(dir, withSource("older", {"releases"})).status, 0);
    for (const char* name : {"releases.json", "releases.json.sig"}) {
        fs::copy_file(path("good/") + name, path("older/") + name,
                      fs::copy_options::overwrite_existing);
    }

    GimbalSimulator gimbal;
    gimbal.setVersion(5, 1, 10, 2);  // firmware 2.010
    const struct {
        std::string site, key, release, refusal;
    } cases[] = {
        {"changed", "trusted", "latest", "the signature does not match releases.json"},
        {"good", "other", "latest", "is signed by key " + keyNumber + ", which is not trusted"},
        {"swapped", "trusted", "latest", "gimbal-2.010.plov: SHA-256 "},
        {"longer", "trusted", "latest", "gimbal-2.010.plov: longer than the catalogue's 116 bytes"},
        {"older", "trusted", "latest", "older than the one already seen: serial 1 after 2"},
        {"moved", "trusted", "latest", "redirected to another host"},
        {"moved-port", "trusted", "latest", "redirected to another host, port or scheme"},
        {"huge", "trusted", "latest", "releases.json: larger than 1048576 bytes"},
        {"good", "", "latest", "no release key is trusted: put the maker's .pub file in "},
        {"good", "trusted", "2.009", "release 2.009 is a downgrade from 2.010"},
    };
    for (const auto& c : cases) {
        const Result refused = gimbalctl(
            dir, withSource(c.site, {"upgrade", "-p", gimbal.slavePath(), "--release", c.release},
                            c.key));
        EXPECT_EQ(refused.status, 1) << c.site << ": " << refused.err;
        EXPECT_TRUE(contains(refused.err, c.refusal)) << c.site << ": " << refused.err;
        if (c.release == "latest") {
            EXPECT_TRUE(gimbal.bytesReceived().empty()) << c.site;
        }
    }
    EXPECT_TRUE(gimbal.upgradeRequestTimes().empty());
}

TEST_F(Releases, TheStationRecordsTheReleaseAndItsKeyAndCanRequireASignedFile) {
    const std::string ports = path("by-id"), log = path("units.jsonl");
    fs::create_directory(ports);
    GimbalSimulator gimbal;
    ASSERT_EQ(symlink(gimbal.slavePath().c_str(), (ports + "/usb-unit").c_str()), 0);
    Started station = start(dir, withSource("good", {"station", "--json", "--release", "latest",
                                                     "--ports-from", ports, "--log", log}));
    // The unit's record follows the journal's header line.
    const auto unitRecord = [&] {
        std::istringstream lines(slurp(log));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("{\"journal\":", 0) != 0) return line;
        }
        return std::string();
    };
    const bool recorded = waitFor([&] { return !unitRecord().empty(); }, 15000ms, 20ms);
    kill(station.pid, SIGTERM);
    const Result stopped = station.finish();
    ASSERT_TRUE(recorded) << stopped.out << stopped.err;
    const nlohmann::json record = nlohmann::json::parse(unitRecord());
    EXPECT_EQ(record["result"], "complete");
    EXPECT_EQ(record["file"], "gimbal-2.010.plov");
    EXPECT_EQ(record["release"], "2.010");
    EXPECT_EQ(record["signed_by"], keyNumber);

    // A local file that no release names is refused before any unit is looked at.
    writeFile("local.plov", singleImageFile(imageBytes(100, 7), 0, 0));
    const Result unsigned_ =
        gimbalctl(dir, withSource("good", {"station", "--require-signed", "--ports-from", ports,
                                           path("local.plov")}));
    EXPECT_EQ(unsigned_.status, 1);
    EXPECT_TRUE(contains(unsigned_.err, "--require-signed refuses it")) << unsigned_.err;
}

TEST_F(Releases, TheCacheKeepsTheCataloguesFilesApartAndRefusesAnUnreadableSerial) {
    // A signed catalogue naming a file as the cache names its own serial.
    copySite("good", "named");
    fs::rename(path("named/gimbal-2.010.plov"), path("named/highest-serial"));
    std::string text = slurp(path("named/releases.json"));
    text.replace(text.find("\"gimbal-2.010.plov\""), 19, "\"highest-serial\"");
    std::ofstream(path("named/releases.json"), std::ios::trunc) << text;
    sign("named");
    GimbalSimulator gimbal;
    // Fetched and kept (then refused for its name, which names no kind of file).
    const Result fetched = gimbalctl(
        dir, withSource("named", {"upgrade", "-p", gimbal.slavePath(), "--release", "latest"}));
    EXPECT_TRUE(fs::is_regular_file(cacheFolder("named") + "/files/highest-serial")) << fetched.err;
    EXPECT_EQ(slurp(cacheFolder("named") + "/highest-serial"), "1\n");

    std::ofstream(cacheFolder("named") + "/highest-serial", std::ios::trunc) << "seven\n";
    const Result refused = gimbalctl(dir, withSource("named", {"releases"}));
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_TRUE(contains(refused.err,
                         "highest-serial: the highest serial seen from this source "
                         "cannot be read; refused"))
        << refused.err;
}

TEST_F(Releases, TrustComesOnlyFromLocalKeysNoOtherUserCouldChange) {
    fs::copy_file(path("trusted.pub"), path("good/trusted.pub"));
    const Result fromServer = gimbalctl(
        dir, {"releases", "--from", url("good"), "--trust-key", url("good") + "trusted.pub"});
    EXPECT_EQ(fromServer.status, 2);
    EXPECT_TRUE(contains(fromServer.err, "trusted.pub: a URL; give the key as a local .pub file"))
        << fromServer.err;

    const std::string folder = path(".config/gimbalctl/trusted-keys");
    fs::create_directories(folder);
    fs::copy_file(path("trusted.pub"), folder + "/maker.pub");
    fs::permissions(folder + "/maker.pub", fs::perms::others_write, fs::perm_options::add);
    const Result openFile = gimbalctl(dir, withSource("good", {"releases"}, ""));
    EXPECT_EQ(openFile.status, 1);
    EXPECT_TRUE(contains(openFile.err, folder + "/maker.pub: writable by group or others (not "
                                                "trusted)\n"))
        << openFile.err;
    fs::permissions(folder + "/maker.pub", fs::perms::others_write, fs::perm_options::remove);
    fs::permissions(folder, fs::perms::group_write, fs::perm_options::add);
    const Result openFolder = gimbalctl(dir, withSource("good", {"releases"}, ""));
    EXPECT_EQ(openFolder.status, 1);
    EXPECT_TRUE(contains(openFolder.err, folder + ": writable by group or others (not trusted)\n"))
        << openFolder.err;
}

TEST_F(Releases, PublishWritesTheVersionTheGimbalWillReport) {
    writeFile("good/gimbal-2.200.plov", singleImageFile(imageBytes(100, 11), 0, 0, {1, 5, 2, 200}));
    publishAndSign("good");
    const Result listed = gimbalctl(dir, withSource("good", {"releases", "--json"}));
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(nlohmann::json::parse(listed.out)["releases"][0]["version"], "2.200") << listed.out;
}

TEST_F(Releases, PublishRefusesAFolderWithAFileTheToolWouldRefuse) {
    const std::string before = slurp(path("good/releases.json"));
    writeFile("good/broken.plov", Bytes(10, 0));
    const Result published = gimbalctl(dir, {"publish", path("good")});
    EXPECT_EQ(published.status, 1);
    EXPECT_TRUE(contains(published.err, "broken.plov")) << published.err;
    EXPECT_EQ(slurp(path("good/releases.json")), before);
    fs::remove(path("good/broken.plov"));

    // Names the catalogue could not carry, or the tools would then refuse.
    for (const std::string name : {"gimbal:2.011.plov", "gimbal-\xff.plov"}) {
        writeFile("good/" + name, singleImageFile(imageBytes(100, 11), 0, 0, {1, 5, 2, 11}));
        const Result refused = gimbalctl(dir, {"publish", path("good")});
        EXPECT_EQ(refused.status, 1) << name;
        EXPECT_TRUE(contains(refused.err, ": rename the file")) << refused.err;
        EXPECT_EQ(slurp(path("good/releases.json")), before);
        fs::remove(path("good/" + name));
    }

    // The signing command is one a shell runs as it is printed.
    copySite("good", "it's here");
    fs::remove(path("it's here/releases.json.sig"));
    const Result quoted = gimbalctl(dir, {"publish", path("it's here")});
    ASSERT_EQ(quoted.status, 0) << quoted.err;
    std::string sign = quoted.out.substr(quoted.out.find("signify-openbsd"));
    sign = sign.substr(0, sign.find('\n'));
    sign.replace(sign.find("KEY.sec"), 7, path("trusted.sec"));
    run(sign);
    EXPECT_TRUE(fs::is_regular_file(path("it's here/releases.json.sig"))) << sign;
}

}  // namespace
