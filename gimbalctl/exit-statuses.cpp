// Prints gimbalctl's exit statuses for the build and its checks:
//   exit-statuses --windows   the list the Windows zip's README.txt carries
//   exit-statuses --markdown  the table README.md shows, with the station's column (a test compares
//   them)

#include <cstdio>
#include <cstring>
#include <string>

#include "unitupgrade/ExitStatuses.h"

int main(int argc, char** argv) {
    using namespace gimbalctl;
    if (argc == 2 && std::strcmp(argv[1], "--windows") == 0) {
        std::fputs(exitStatusList(true).c_str(), stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--markdown") == 0) {
        std::puts(
            "| status | meaning | on Windows | from `gimbalctl station` |\n|---|---|---|---|");
        for (const auto& e : exitStatuses()) {
            const std::string windows = !e.onWindows                               ? "no"
                                        : std::strcmp(e.onWindows, e.meaning) == 0 ? "yes"
                                                                                   : e.onWindows;
            std::printf("| %d | %s | %s | %s |\n", e.status, e.meaning, windows.c_str(),
                        e.atStation ? e.atStation : "yes");
        }
        return 0;
    }
    std::fputs("Usage: exit-statuses --windows | --markdown\n", stderr);
    return 2;
}
