// unitupgrade/Stop.h on Windows (see WindowsStop.h).

#include "unitupgrade/Stop.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "unitupgrade/Output.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/windows/WindowsStop.h"

namespace gimbalctl {
namespace {

constexpr int kInterrupt = 2;  // SIGINT's number, as on Linux
constexpr int kHangUp = 1;     // SIGHUP's number
// Windows gives a closing console's handler 5 s before it ends the process.
constexpr auto kCloseGrace = std::chrono::milliseconds(4500);

std::atomic<int> stopSignal{0};
std::atomic<int> openLines{0};
std::atomic<int> closeHolds{0};
std::atomic<int> stopsAsked{0};
std::atomic<bool> firstInterruptHeld{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (++stopsAsked == 1 && interrupt && firstInterruptHeld) return TRUE;
    int none = 0;
    stopSignal.compare_exchange_strong(none, interrupt ? kInterrupt : kHangUp);
    if (!interrupt) {
        // The process ends when this returns: wait for the lines to be put
        // back and the station's units to be recorded.
        const auto deadline = std::chrono::steady_clock::now() + kCloseGrace;
        while ((openLines.load() > 0 || closeHolds.load() > 0) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return TRUE;
}

}  // namespace

namespace windows {
void lineOpened() { ++openLines; }
void lineClosed() { --openLines; }
void holdConsoleClose() { ++closeHolds; }
void releaseConsoleClose() { --closeHolds; }
void holdFirstInterrupt() { firstInterruptHeld = true; }
}  // namespace windows

void watchForStop() { ::SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

int stopRequested() { return stopSignal.load(); }

int stopsRequested() { return stopsAsked.load(); }

int stopStatus() { return 128 + stopRequested(); }

int stopSignalDescriptor() { return -1; }  // no descriptor: stopRequested() is polled

void stopWithParent() {}  // the parallel upgrade runs threads, not processes, here

int reportStop(const std::string& consequence) {
    const std::string cause =
        formatted(_("interrupted by %1"), {stopRequested() == kInterrupt ? "SIGINT" : "SIGHUP"});
    const std::string line =
        consequence.empty() ? cause : cause + ": " + translatedLine(consequence);
    std::fprintf(stderr, "gimbalctl: %s\n", line.c_str());
    return stopStatus();
}

}  // namespace gimbalctl
