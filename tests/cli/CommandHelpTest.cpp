// Each command's help lists the exit statuses that command can end with and
// no other command's, and says only what is true of that command.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/cli/GimbalctlRun.h"

namespace {

// The statuses under "Exit status:" in a help text.
std::set<int> listedStatuses(const std::string& help) {
    std::set<int> statuses;
    std::istringstream lines(help.substr(std::min(help.find("Exit status:"), help.size())));
    int status = 0;
    for (std::string line; std::getline(lines, line);) {
        if (std::istringstream(line) >> status) statuses.insert(status);
    }
    return statuses;
}

TEST(CommandHelp, ListsTheStatusesOfItsCommandAndSentencesAboutIt) {
    TempDir dir;
    const std::string restored = "Each serial line's settings are restored when gimbalctl ends";
    const std::string severalPorts = "With several ports the first port that did not succeed";
    struct Command {
        std::string name;
        std::set<int> statuses;  // besides 0, 2, 7 and the signals', which every command has
        bool opensPorts;
    };
    const Command commands[] = {
        {"ports", {}, false},
        {"inspect", {1}, false},
        {"version", {3, 4, 5}, true},
        {"calibrate", {3, 4, 5}, true},
        {"upgrade", {1, 3, 4, 5, 6, 8}, true},
        {"station", {1, 3, 4, 5, 6, 8}, true},
        {"records", {}, false},
        {"releases", {1, 8}, false},
        {"publish", {1}, false},
    };
    for (const Command& command : commands) {
        const Result help = gimbalctl(dir, {command.name, "--help"});
        EXPECT_EQ(help.status, 0) << command.name;
        std::set<int> expected = command.statuses;
        expected.insert({0, 2, 7, 129, 130, 141, 143});
        EXPECT_EQ(listedStatuses(help.out), expected) << help.out;
        EXPECT_EQ(contains(help.out, restored), command.opensPorts) << help.out;
        EXPECT_EQ(contains(help.out, severalPorts), command.name == "upgrade") << help.out;
    }
    const Result all = gimbalctl(dir, {"--help"});
    EXPECT_EQ(listedStatuses(all.out), (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 129, 130, 141, 143}));
    EXPECT_FALSE(contains(all.out, severalPorts)) << all.out;
}

}  // namespace
