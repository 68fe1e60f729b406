// Serves a simulated gimbal on a pseudo-terminal so the tool can be tried
// without hardware. The first line printed is the path to open in the tool.

#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/BuildInfo.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "tools/ExampleRelease.h"

namespace {
volatile std::sig_atomic_t interrupted = 0;
void onSignal(int) { interrupted = 1; }

bool writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// What the gimbal received, for a test on the far side of a browser: every
// byte, and each board's image of the latest upgrade. The folder's "done"
// file is written last, so a reader that sees it sees the rest whole.
void record(const GimbalSimulator& gimbal, const std::filesystem::path& folder) {
    writeBytes(folder / "received.bin", gimbal.bytesReceived());
    for (int id = 1; id <= 3; ++id) {
        writeBytes(folder / ("id" + std::to_string(id) + ".bin"), gimbal.board(id).assembled());
    }
    writeBytes(folder / "done", {});
}

// A firmware version as the window shows it, "2.010": whole part and
// thousandths, each a byte. None when the text is not one.
std::optional<GimbalSimulator::FirmwareVersion> parseVersion(const std::string& text) {
    const std::size_t point = text.find('.');
    const auto digits = [](const std::string& part) {
        return part.find_first_not_of("0123456789") == std::string::npos;
    };
    if (point == std::string::npos || point == 0 || point > 3 || text.size() != point + 4 ||
        !digits(text.substr(0, point)) || !digits(text.substr(point + 1))) {
        return std::nullopt;
    }
    const int whole = std::stoi(text.substr(0, point));
    const int thousandths = std::stoi(text.substr(point + 1));
    if (whole > 255 || thousandths > 255) return std::nullopt;
    return GimbalSimulator::FirmwareVersion{static_cast<uint8_t>(whole),
                                            static_cast<uint8_t>(thousandths)};
}

// The firmware files README.md's examples use, versions 1.005 / 2.010: one
// image for ID3 that the gimbal passes on, and one image per board.
int writeExamples(const std::filesystem::path& folder) {
    std::error_code error;  // a folder not made shows as a file not written
    std::filesystem::create_directories(folder, error);
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
        {"gimbal-2.010.plov", singleImageFile(imageBytes(3000, 3), 0, 0)},
        {"gimbal-2.010.3plov",
         multiImageFile(imageBytes(2112, 1), imageBytes(2112, 2), imageBytes(2112, 3), 3)},
    };
    for (const auto& [name, bytes] : files) {
        if (!writeBytes(folder / name, bytes)) {
            std::fprintf(stderr, "gimbal-sim: cannot write %s\n", (folder / name).c_str());
            return 1;
        }
        std::printf("%s\n", (folder / name).c_str());
    }
    return writeExampleRelease(folder) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    const char* usage =
        "Usage: gimbal-sim [OPTION]...\n"
        "  or:  gimbal-sim --write-example DIR\n"
        "Serves a simulated gimbal on a pseudo-terminal, so that gimbal-tool and\n"
        "gimbalctl can be tried without hardware. The first line printed is the\n"
        "serial path to open; the simulator answers calibration and version\n"
        "requests and runs firmware upgrades until interrupted (Ctrl+C).\n"
        "\n"
        "Options:\n"
        "  --gyro X,Y,Z            the gyroscope values to report (default 3,-2,1)\n"
        "  --silent                answer nothing (a gimbal that is off or not wired)\n"
        "  --firmware X.YYY        the firmware version to report at start\n"
        "                          (default 2.010)\n"
        "  --restart-silence SECONDS\n"
        "                          after a complete upgrade, answer nothing for SECONDS\n"
        "                          (default 1: the gimbal restarts), then report the new\n"
        "                          firmware version: the one a one-image upgrade request\n"
        "                          carried (a three-image request carries none: the old\n"
        "                          one stays)\n"
        "  --firmware-after X.YYY  the firmware version to report after an upgrade instead\n"
        "  --keep-firmware         keep the old firmware version (new firmware that did\n"
        "                          not take)\n"
        "  --cut-after N           cut the power after N blocks of an upgrade: the gimbal\n"
        "                          is silent for 1 s, then restarts in its boot loader\n"
        "  --cut-times K           cut K upgrades in a row so (default 1); the next runs\n"
        "                          whole\n"
        "  --boot-loader           start in the boot loader (a gimbal whose last upgrade\n"
        "                          did not finish)\n"
        "                          In the boot loader the gimbal answers no calibration\n"
        "                          or version request and asks for block 0 of ID3 once a\n"
        "                          second, until an upgrade request comes; a complete\n"
        "                          upgrade restarts it with the new firmware. A tool that\n"
        "                          stops answering block requests for 2 s mid-transfer\n"
        "                          leaves it there too.\n"
        "  --record DIR            on exit, write what the gimbal received into DIR:\n"
        "                          received.bin, id1.bin..id3.bin (each board's image),\n"
        "                          done\n"
        "  --write-example DIR     write example firmware files into DIR and exit:\n"
        "                          gimbal-2.010.plov (one image), gimbal-2.010.3plov\n"
        "                          (three images), and a release folder signed by an\n"
        "                          example key: releases/ (scripts/serve-releases.sh\n"
        "                          serves it), example-release-key.pub\n"
        "  -h, --help              show this help and exit\n"
        "  --version               show gimbal-sim's version and exit\n";
    bool silent = false;
    GimbalSimulator::Faults faults;
    faults.bootLoaderWhenToolSilent = true;
    int gyro[3] = {3, -2, 1};
    std::string recordFolder;
    GimbalSimulator::FirmwareVersion version{2, 10};
    GimbalSimulator::Restart restart{std::chrono::seconds(1), std::nullopt, false};
    // An option's version argument, or none (said) when it is not one.
    const auto versionArgument = [&](int& i) -> std::optional<GimbalSimulator::FirmwareVersion> {
        const auto parsed = i + 1 < argc ? parseVersion(argv[i + 1]) : std::nullopt;
        if (!parsed) {
            std::fprintf(stderr,
                         "gimbal-sim: %s needs a version such as 2.010 (0.000 to 255.255)\n",
                         argv[i]);
        }
        ++i;
        return parsed;
    };
    for (int i = 1; i < argc; ++i) {
        char end = 0;
        if (std::strcmp(argv[i], "--silent") == 0) {
            silent = true;
            continue;
        }
        if (std::strcmp(argv[i], "--gyro") == 0 && i + 1 < argc &&
            std::sscanf(argv[i + 1], "%d,%d,%d", &gyro[0], &gyro[1], &gyro[2]) == 3) {
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--boot-loader") == 0) {
            faults.bootLoader = true;
            continue;
        }
        const bool cutAfter = std::strcmp(argv[i], "--cut-after") == 0;
        int count = -1;
        if ((cutAfter || std::strcmp(argv[i], "--cut-times") == 0) && i + 1 < argc &&
            std::sscanf(argv[i + 1], "%d%c", &count, &end) == 1 && count >= 0 && count <= 255) {
            (cutAfter ? faults.cutAfterBlocks : faults.cutTimes) = count;
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
            recordFolder = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--write-example") == 0 && i + 1 < argc) {
            return writeExamples(argv[i + 1]);
        }
        if (std::strcmp(argv[i], "--firmware") == 0) {
            const auto parsed = versionArgument(i);
            if (!parsed) return 2;
            version = *parsed;
            continue;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gimbal-sim %s\n", build_info::kVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--firmware-after") == 0) {
            restart.after = versionArgument(i);
            if (!restart.after) return 2;
            continue;
        }
        if (std::strcmp(argv[i], "--keep-firmware") == 0) {
            restart.keepVersion = true;
            continue;
        }
        double seconds = -1;
        if (std::strcmp(argv[i], "--restart-silence") == 0 && i + 1 < argc &&
            std::sscanf(argv[i + 1], "%lf%c", &seconds, &end) == 1 && seconds >= 0 &&
            seconds <= 86400) {
            restart.silence = std::chrono::milliseconds(std::llround(seconds * 1000));
            ++i;
            continue;
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
        gimbal.setGyro(int16_t(gyro[0]), int16_t(gyro[1]), int16_t(gyro[2]));
        gimbal.setAccelerometer(2, -5, 1000);
        gimbal.setVersion(5, 1, version.thousandths, version.whole);
        gimbal.setRestart(restart);
        faults.silent = silent;
        gimbal.setFaults(faults);
        // Announced once: the path on standard output, and when that is not
        // a terminal (read by a script, or kept), on standard error as well.
        std::printf("%s\n", gimbal.slavePath().c_str());
        std::fflush(stdout);
        if (!::isatty(STDOUT_FILENO)) {
            std::fprintf(stderr, "gimbal-sim: serving on %s; press Ctrl+C to stop\n",
                         gimbal.slavePath().c_str());
        }
        while (!interrupted) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!recordFolder.empty()) record(gimbal, recordFolder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gimbal-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
