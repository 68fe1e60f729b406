// Measures what an open serial port costs while idle, and how fast it notices
// the far end hanging up. The port is opened on a pseudo-terminal; nothing
// else runs in the process meanwhile.
//
//   idle_port_cpu [seconds]   (default 10)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/LoopMainQueue.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/PtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double idleShareOfOneCore(int seconds) {
    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    if (!port || !port->open()) {
        std::fprintf(stderr, "cannot open %s\n", pty.slavePath().c_str());
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // settle
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    port->close();
    return cpu / wall;
}

// Time from closing the master to isOpen false, without a delegate: the port
// closes itself on the thread that notices.
double hangUpToClosedMs() {
    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    if (!port || !port->open()) std::exit(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto start = Clock::now();
    pty.closeMaster();
    while (port->isOpen()) {
        if (Clock::now() - start > std::chrono::seconds(2)) return -1;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    MainQueue::install(std::make_shared<LoopMainQueue>());
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const double share = idleShareOfOneCore(seconds);
    std::printf("idle open port, reader + poller, over %d s: %.3f %% of one core\n", seconds,
                share * 100.0);

    std::vector<double> times;
    for (int i = 0; i < 20; ++i) times.push_back(hangUpToClosedMs());
    std::sort(times.begin(), times.end());
    if (times.front() < 0) {
        std::printf("hang-up: port did not close within 2 s\n");
        return 1;
    }
    std::printf("hang-up to isOpen false over %zu runs: median %.2f ms, max %.2f ms\n",
                times.size(), times[times.size() / 2], times.back());
    return 0;
}
