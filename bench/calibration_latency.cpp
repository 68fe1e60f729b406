// Measures, with the real window (offscreen) and the simulated gimbal on a
// pseudo-terminal: the time from a button press to its frame at the gimbal,
// and from a reply written by the gimbal to its text in the message field.
// Prints the medians of 40 rounds each.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/QtMainQueue.h"
#include "protocol/Frame.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/WindowHarness.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainQueue::install(std::make_shared<QtMainQueue>());

    GimbalSimulator gimbal;
    WindowHarness h;
    if (!h.openPort(gimbal.slavePath())) {
        std::fprintf(stderr, "could not open %s\n", gimbal.slavePath().c_str());
        return 1;
    }
    h.window.findChild<QPushButton*>("btn_AttitudeCalibration")->click();
    auto* initGyro = h.window.findChild<QPushButton*>("btn_InitGyro");
    gimbal.setFaults({.silent = true});  // replies are timed separately below

    std::vector<double> pressToFrame;
    for (int round = 0; round < 40; ++round) {
        gimbal.clearReceived();
        QElapsedTimer clock;
        clock.start();
        initGyro->click();
        while (gimbal.framesReceived().empty()) {
        }
        pressToFrame.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }

    std::vector<double> replyToText;
    for (int round = 0; round < 40; ++round) {
        h.ctrl.m_MessageShow->clear();
        pumpFor((round * 37) % 100);  // spread the replies over the poll's 0.1 s cycle
        QElapsedTimer clock;
        clock.start();
        gimbal.send(frame::make(1, frame::kResetParameters));
        pumpUntil([&] { return h.ctrl.m_MessageShow->text() == "Reset Parameter Succeed!"; }, 2000);
        replyToText.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }

    std::printf("button press -> frame at the gimbal: median %.3f ms (40 rounds)\n",
                median(pressToFrame));
    std::printf("reply from the gimbal -> text in the field: median %.1f ms (40 rounds; "
                "the status poll runs every 100 ms)\n",
                median(replyToText));
    return 0;
}
