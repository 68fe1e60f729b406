// Measures how long naming the program that holds a port takes with many
// processes running: starts that many idle children, each with a number of
// extra descriptors open, holds a pseudo-terminal in one more process and
// times describeOpenFailure for it.
//
//   holder_scan [processes] [descriptors each]   (default 2000 and 20)

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "serial/OpenFailure.h"
#include "tests/support/HeldPort.h"

namespace {

double cpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    const int processes = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int descriptors = argc > 2 ? std::atoi(argv[2]) : 20;

    // Inherited by every child, then let go here.
    std::vector<int> extra;
    for (int i = 0; i < descriptors; ++i) extra.push_back(::open("/dev/null", O_RDONLY));
    std::vector<pid_t> children;
    char* sleepArgv[] = {const_cast<char*>("sleep"), const_cast<char*>("120"), nullptr};
    for (int i = 0; i < processes; ++i) {
        pid_t pid = -1;
        if (::posix_spawn(&pid, "/usr/bin/sleep", nullptr, nullptr, sleepArgv, environ) != 0) {
            std::fprintf(stderr, "started only %d processes\n", i);
            break;
        }
        children.push_back(pid);
    }
    for (int fd : extra) ::close(fd);

    {
        HeldPort holder("serial-monitor");
        std::vector<double> ms;
        std::string text;
        const double cpuBefore = cpuMs();
        for (int run = 0; run < 9; ++run) {
            const auto start = std::chrono::steady_clock::now();
            text = describeOpenFailure(holder.path(), EWOULDBLOCK);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        const double cpuPerRun = (cpuMs() - cpuBefore) / static_cast<double>(ms.size());
        std::sort(ms.begin(), ms.end());
        std::printf("%zu other processes with %d extra descriptors each\n", children.size(),
                    descriptors);
        std::printf("naming the holder: median %.1f ms, min %.1f ms, max %.1f ms (9 runs)\n",
                    ms[ms.size() / 2], ms.front(), ms.back());
        std::printf("CPU time per run (user and system): %.1f ms\n", cpuPerRun);
        std::printf("%s\n", text.c_str());
    }

    for (pid_t pid : children) ::kill(pid, SIGKILL);
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    return 0;
}
