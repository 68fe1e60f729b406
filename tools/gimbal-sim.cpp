// Serves a simulated gimbal on a pseudo-terminal so the tool can be tried
// without hardware. The first line printed is the path to open in the tool.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/BuildInfo.h"
#include "tests/support/GimbalSimulator.h"

namespace {
volatile std::sig_atomic_t interrupted = 0;
void onSignal(int) { interrupted = 1; }
}  // namespace

int main(int argc, char** argv) {
    const char* usage =
        "Usage: gimbal-sim [--help] [--version]\n"
        "Serves a simulated gimbal on a pseudo-terminal, so that gimbal-tool and\n"
        "gimbalctl can be tried without hardware. The first line printed is the\n"
        "serial path to open; the simulator answers calibration and version\n"
        "requests and runs firmware upgrades until interrupted (Ctrl+C).\n"
        "  -h, --help  show this help and exit\n"
        "  --version   show the version and exit\n";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gimbal-sim %s\n", build_info::kVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "gimbal-sim: unknown argument: %s\n%s", argv[i], usage);
        return 2;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    try {
        GimbalSimulator gimbal;
        gimbal.setGyro(3, -2, 1);
        gimbal.setAccelerometer(2, -5, 1000);
        gimbal.setVersion(5, 1, 10, 2);
        std::printf("%s\n", gimbal.slavePath().c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "gimbal-sim: serving on %s; press Ctrl+C to stop\n",
                     gimbal.slavePath().c_str());
        while (!interrupted) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gimbal-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
