// Runs a whole firmware upgrade of a single image of 255 blocks (update_range
// 3) with the real window (offscreen) and the simulated gimbal on a
// pseudo-terminal, and prints its wall time against the pacing floor: every
// block answered is followed by a 0.2 s pause, so blocks answered x 0.2 s is
// the least the transfer can take. The rest is the tool's overhead.
//
// Usage: upgrade_bench [blocks]   (1..255, default 255)

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/QtMainQueue.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/WindowHarness.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

namespace {

constexpr double kPauseSeconds = 0.2;

std::vector<uint8_t> singleImageFile(int blocks) {
    std::vector<uint8_t> file(static_cast<std::size_t>(blocks) * FirmwareVariables::Blocksize);
    uint32_t x = 12345;
    for (auto& b : file) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    const uint8_t trailer[16] = {'t', 'u', 'v', 'i', 'k', 0, 0, 0, 0, 0, 0, 0, 1, 5, 2, 10};
    file.insert(file.end(), trailer, trailer + 16);
    return file;
}

// How late a 0.2 s sleep wakes up on this machine right now, on average: the
// part of the overhead that the machine's load, not the tool, adds to each pause.
double sleepOvershootMs() {
    using Clock = std::chrono::steady_clock;
    constexpr int kRounds = 10;
    double total = 0;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count() - 200.0;
    }
    return total / kRounds;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainQueue::install(std::make_shared<QtMainQueue>());

    const int blocks = argc > 1 ? std::atoi(argv[1]) : 255;
    if (blocks < 1 || blocks > FirmwareVariables::kMaxBlocks) {
        std::fprintf(stderr, "blocks must be 1..255\n");
        return 2;
    }
    char dirTemplate[] = "/tmp/upgrade_bench.XXXXXX";
    if (!::mkdtemp(dirTemplate)) return 1;
    const std::string path = std::string(dirTemplate) + "/bench.plov";
    const std::vector<uint8_t> file = singleImageFile(blocks);
    if (!writeFile(path, file)) return 1;

    const double overshootBefore = sleepOvershootMs();

    GimbalSimulator gimbal;
    gimbal.setReportInterval(std::chrono::milliseconds(1));  // reports as fast as it can
    WindowHarness h;
    h.ctrl.OpenPanelDidEnd(QString::fromStdString(path), 1);
    if (!h.openPort(gimbal.slavePath())) {
        std::fprintf(stderr, "could not open %s\n", gimbal.slavePath().c_str());
        return 1;
    }

    // The final message, read from the log as it is appended.
    QElapsedTimer clock;
    qint64 transferNs = -1, completeNs = -1, endNs = -1;
    QObject::connect(h.ctrl.outText->document(), &QTextDocument::contentsChange, [&] {
        const QString log = h.ctrl.outText->toPlainText();
        if (completeNs < 0 && log.endsWith("-----Firmware upgrade complete-----\n")) {
            completeNs = clock.nsecsElapsed();
        }
    });
    // The transfer ends when the reader has recorded the end-of-image frame
    // after its last pause (or already the first report that follows it).
    const auto port = h.ctrl.m_ULXSerialPort;
    QEventLoop loop;
    QTimer watch;
    qint64 acceptedNs = -1;
    int lastF = 0;
    std::vector<qint64> recordNs;  // when each new block number was first seen
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (acceptedNs < 0 && port->iapstate == 2) acceptedNs = clock.nsecsElapsed();
        if (port->IDNum == 0 && port->fnum != lastF) {
            lastF = port->fnum;
            recordNs.push_back(clock.nsecsElapsed());
        }
        if (transferNs < 0 && port->iapstate == 3 &&
            (port->IDNum != 0 || port->fnum == blocks + 1)) {
            transferNs = clock.nsecsElapsed();
        }
        if (!h.ctrl.rTimerFlag && !h.isOpen()) {
            endNs = clock.nsecsElapsed();
            loop.quit();
        }
    });
    QTimer::singleShot((blocks * 3 + 60) * 1000 / 5 + 30000, &loop, &QEventLoop::quit);

    clock.start();
    h.ctrl.btn_Upgrade->click();
    watch.start(1);
    loop.exec();

    const auto id3 = gimbal.board(3);
    const std::vector<uint8_t> image(file.begin(), file.end() - 16);
    const int answered = id3.blockFrames;
    const double floor = answered * kPauseSeconds;
    const double transfer = static_cast<double>(transferNs) / 1e9;
    const bool completed = completeNs >= 0;

    std::printf("image                 %d blocks of %d bytes, update_range 3\n", blocks,
                FirmwareVariables::Blocksize);
    std::printf("blocks answered       %d (end-of-image frame included)\n", answered);
    std::printf("image at the gimbal   %s\n", id3.assembled() == image ? "identical" : "DIFFERENT");
    std::printf("pacing floor          %.3f s (%d x 0.2 s)\n", floor, answered);
    if (transferNs < 0) {
        std::printf("transfer              did not finish\n");
        return 1;
    }
    std::printf("transfer              %.3f s (upgrade button to the last block answered)\n",
                transfer);
    std::printf("tool overhead         %.3f s = %.2f %% of the floor (target: under 2 %%)\n",
                transfer - floor, 100.0 * (transfer - floor) / floor);
    std::printf("per block             %.2f ms above the 0.2 s pause\n",
                1000.0 * (transfer - floor) / answered);
    if (recordNs.size() > 2) {
        double worst = 0;
        for (std::size_t k = 1; k < recordNs.size(); ++k) {
            worst =
                std::max(worst, static_cast<double>(recordNs[k] - recordNs[k - 1]) / 1e6 - 200.0);
        }
        const double mean = static_cast<double>(recordNs.back() - recordNs.front()) / 1e6 /
                                static_cast<double>(recordNs.size() - 1) -
                            200.0;
        std::printf(
            "block to block        %.2f ms above 0.2 s on average, %.2f ms at worst "
            "(seen at 1 ms resolution)\n",
            mean, worst);
        std::printf("button to accepted    %.1f ms; accepted to first block recorded %.1f ms\n",
                    static_cast<double>(acceptedNs) / 1e6,
                    static_cast<double>(recordNs.front() - acceptedNs) / 1e6);
    }
    std::printf(
        "machine's own         %.2f ms late wake-up per 0.2 s sleep (measured before the "
        "run)\n",
        overshootBefore);
    std::printf(
        "whole upgrade         %.3f s to \"Firmware upgrade complete\", %.3f s to the port "
        "closed\n",
        completeNs / 1e9, endNs / 1e9);
    std::printf(
        "                      (after the transfer the gimbal reports ID2 and ID1: %d "
        "reports at its own pace)\n",
        2 * answered);
    std::filesystem::remove_all(dirTemplate);
    return completed ? 0 : 1;
}
