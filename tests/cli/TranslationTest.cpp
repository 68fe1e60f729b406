// gimbalctl in the user's language: help and messages translated, while
// what scripts read (--json, option and command names) stays the same in
// every language; English when no catalogue fits.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "tests/cli/GimbalctlRun.h"
#include "tests/support/EnglishWords.h"
#include "tests/support/WaitFor.h"

namespace {

// The environment's language for the programs a test starts, put back after.
class Language {
public:
    explicit Language(const char* lang, const char* language = nullptr) {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("LANG", lang, 1);
        if (language) ::setenv("LANGUAGE", language, 1);
    }
    ~Language() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name, value->c_str(), 1);
            } else {
                ::unsetenv(name);
            }
        }
    }
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;

private:
    static constexpr const char* kNames[] = {"LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

struct Translated {
    const char* lang;
    const char* usage;        // the help's first word
    const char* description;  // the start of the program's description
    const char* gyroSucceeded;
};

const Translated kLanguages[] = {
    {"de_DE.UTF-8", "Aufruf:", "Ein Kamera-Gimbal über", "Gyroskop erfolgreich initialisiert!"},
    {"zh_CN.UTF-8", "用法：", "通过串行线路维护相机云台", "陀螺仪初始化成功！"},
};

}  // namespace

TEST(GimbalctlLanguage, HumanTextsTranslatedJsonTheSameInEveryLanguage) {
    TempDir dir;
    GimbalSimulator gimbal;
    gimbal.setGyro(3, 4, 5);
    const std::string port = gimbal.slavePath();
    const std::string file =
        dir.write("fw.3plov", multiImageFile(imageBytes(2000, 1), imageBytes(100, 2), {}, 3));
    const std::vector<std::vector<std::string>> scripted = {
        {"--json", "inspect", file},
        {"--json", "calibrate", "gyro", "--port", port},
        {"--json", "upgrade", "--port", port},                     // bad input
        {"--json", "version", "--port", dir.path() + "/no-port"},  // a port that is not there
        {"--json", "inspect", dir.path() + "/missing.3plov"},      // the system's error text
    };
    std::vector<std::string> english;
    {
        Language c("C.UTF-8");
        for (const auto& args : scripted) english.push_back(gimbalctl(dir, args).out);
    }
    for (const Translated& expected : kLanguages) {
        Language language(expected.lang);
        const Result help = gimbalctl(dir, {"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(contains(help.out, expected.usage)) << help.out;
        EXPECT_TRUE(contains(help.out, expected.description)) << help.out;
        EXPECT_TRUE(contains(help.out, "--json")) << help.out;  // names stay as typed
        EXPECT_TRUE(contains(help.out, "calibrate")) << help.out;

        const Result gyro = gimbalctl(dir, {"calibrate", "gyro", "--port", port});
        EXPECT_EQ(gyro.status, 0) << gyro.err;
        EXPECT_TRUE(contains(gyro.out, expected.gyroSucceeded)) << gyro.out;

        for (std::size_t k = 0; k < scripted.size(); ++k) {
            EXPECT_EQ(gimbalctl(dir, scripted[k]).out, english[k]) << expected.lang;
        }
    }
}

// What a technician meets first holds no English in German or Chinese: the
// parser's failures, a port or file that is not there, a file's analysis,
// the upgrade's first line and the records' failure detail (English in the
// journal), each put together from texts and values.
TEST(GimbalctlLanguage, FailuresInspectUpgradeAndRecordsHoldNoEnglish) {
    TempDir dir;
    const std::string file =
        dir.write("fw.3plov", multiImageFile(imageBytes(2000, 1), imageBytes(100, 2), {}, 3));
    const std::string missingPort = dir.path() + "/no-port";
    const std::string record =
        R"({"time":"2026-12-08T09:14:41Z","station":"s1","slot":"A1","port":"/dev/ttyUSB3",)"
        R"("result":"port failed","status":3,"status_word":"port failed","detail":")" +
        std::string(
            "/dev/ttyUSB3 is not present (unplugged, or mistyped). Ports present: "
            "/dev/ttyS0.\"}\n");
    const std::string journal = dir.write("units.jsonl", {record.begin(), record.end()});
    const std::vector<std::vector<std::string>> runs = {
        {"version"},                                             // a missing option
        {"calibrate", "nothing", "--port", missingPort},         // a bad value
        {"version", "--port", "x", "--timeout", "99999"},        // a value out of range
        {"ports", "extra"},                                      // an argument too many
        {"version", "--port", missingPort},                      // a port that is not there
        {"inspect", dir.path() + "/missing.3plov"},              // the system's error text
        {"inspect", file},                                       // a file's analysis
        {"upgrade", "--port", missingPort, file},                // the first line, a port failure
        {"records", "--log", journal, "--since", "2026-01-01"},  // a failure's detail
    };
    for (const char* lang : {"de_DE.UTF-8", "zh_CN.UTF-8"}) {
        Language language(lang);
        for (const auto& args : runs) {
            const Result run = gimbalctl(dir, args);
            const std::string shown = run.out + run.err;
            EXPECT_NE(shown, "") << args.front();
            EXPECT_EQ(englishWordIn(shown), "") << lang << " " << args.front() << ":\n" << shown;
        }
    }
}

TEST(GimbalctlLanguage, UnknownLanguageMissingLocaleOrBrokenCatalogueStayEnglish) {
    TempDir dir;
    std::string english;
    {
        Language c("C.UTF-8");
        english = gimbalctl(dir, {"--help"}).out;
    }
    ASSERT_TRUE(contains(english, "Usage:"));
    {
        Language notInstalled("fr_FR.UTF-8");
        EXPECT_EQ(gimbalctl(dir, {"--help"}).out, english);
    }
    {
        Language unknown("de_DE.UTF-8", "xx");
        EXPECT_EQ(gimbalctl(dir, {"--help"}).out, english);
    }
    // A copy of the program beside a catalogue that is not one.
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(dir.path()) / "bin";
    fs::create_directories(bin / "locale/de/LC_MESSAGES");
    fs::copy_file(GIMBALCTL_PATH, bin / "gimbalctl");
    std::ofstream(bin / "locale/de/LC_MESSAGES/gimbalctl.mo") << "not a catalogue";
    Language broken("de_DE.UTF-8");
    const std::string out = dir.path() + "/broken-help";
    const std::string command = (bin / "gimbalctl").string() + " --help > " + out;
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(slurp(out), english);
}

// A station notice made of a wording and values (the journal's identity):
// filled in after the lookup for people, English in JSON.
TEST(GimbalctlLanguage, StationNoticeWithValuesTranslatedEnglishInJson) {
    using namespace std::chrono_literals;
    TempDir dir;
    const std::string file =
        dir.write("fw.3plov", multiImageFile(imageBytes(100, 1), imageBytes(100, 2), {}, 3));
    const std::string log = dir.path() + "/units.jsonl";
    Language german("de_DE.UTF-8");
    for (const bool json : {false, true}) {
        std::vector<std::string> args = {
            "station", "--ports-from", dir.path() + "/ports", "--log", log, file};
        if (json) args.insert(args.begin(), "--json");
        Started run = start(dir, args);
        const std::string shown = json ? run.out : run.err;
        const std::string expected = log + (json ? ": journal " : ": Journal ");
        EXPECT_TRUE(waitFor([&] { return contains(slurp(shown), expected); }, 10000ms, 20ms))
            << slurp(shown);
        kill(run.pid, SIGTERM);
        run.finish();
    }
}

TEST(GimbalctlLanguage, TheStationsVersionLineOfAUnitTranslated) {
    using namespace std::chrono_literals;
    TempDir dir;
    const std::string file =
        dir.write("gimbal-2.010.plov", singleImageFile(imageBytes(100, 3), 0, 0, {1, 5, 2, 10}));
    const std::string ports = dir.path() + "/ports";
    std::filesystem::create_directory(ports);
    GimbalSimulator gimbal;
    ASSERT_EQ(symlink(gimbal.slavePath().c_str(), (ports + "/A1").c_str()), 0);
    Language german("de_DE.UTF-8");
    Started run =
        start(dir, {"station", "--ports-from", ports, "--log", dir.path() + "/units.jsonl", file});
    const std::string line = "verifiziert: das Gimbal meldet Firmware 2.010, die Version der Datei";
    const bool shown = waitFor([&] { return contains(slurp(run.out), line); }, 30000ms, 50ms);
    kill(run.pid, SIGTERM);
    const Result told = run.finish();
    EXPECT_TRUE(shown) << told.out << told.err;
}
