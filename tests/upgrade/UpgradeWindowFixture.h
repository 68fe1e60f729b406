#pragma once
// The real window with a simulated gimbal on a pseudo-terminal, for the
// end-to-end upgrade tests. Records what the user sees during an upgrade as
// one list: progress-bar values ("7") and message-log texts, in order.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <array>

#include "tests/support/GimbalSimulator.h"
#include "tests/support/WindowHarness.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/FirmwareVariables.h"

using Seen = std::vector<std::string>;

inline const std::string kBegin = "Begin upgrade firmware...\n";
inline const std::string kComplete = "-----Firmware upgrade complete-----\n";
inline const std::string kId3Done = "-----ID3 Upgrade complete-----\n";
inline const std::string kId2Done = "-----ID2 Upgrade complete-----\n";
inline const std::string kId1Done = "-----ID1 Upgrade complete-----\n";
inline const std::string kTimeout = "Connection timeout,please try again!\n";
inline const std::string kError = "Error\n";

// Joins pieces of expected output: strings and lists of values.
inline Seen operator+(Seen a, const std::string& b) {
    a.push_back(b);
    return a;
}
inline Seen operator+(Seen a, const Seen& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class UpgradeWindow : public ::testing::Test {
protected:
    UpgradeWindow() {
        firmwareVariables().reset();
        QObject::connect(h.ctrl.progressIndicator, &QProgressBar::valueChanged, [this](int v) {
            if (recording) note(std::to_string(v));
        });
        // Recorded up to the upgrade's last line: the version check after it
        // is seen in the log.
        QObject::connect(h.ctrl.outText->document(), &QTextDocument::contentsChange, [this] {
            const QString all = h.ctrl.outText->toPlainText();
            if (recording) note(all.mid(logLength).toStdString());
            if (all.mid(logLength).toStdString() == kComplete) recording = false;
            logLength = all.size();
        });
    }

    // The port object must be gone before the next test: a new pseudo-terminal
    // may get the same path, and a live object for it would be reused.
    ~UpgradeWindow() override {
        std::weak_ptr<ULXSerialPort> port = h.ctrl.m_ULXSerialPort;
        if (auto p = port.lock()) p->close();
        h.ctrl.m_ULXSerialPort.reset();
        pumpUntil([&] { return port.expired(); }, 2000);
    }

    // Loads the file as a confirmed choice in the file chooser would.
    void load(const std::string& name, const std::vector<uint8_t>& content) {
        h.ctrl.OpenPanelDidEnd(QString::fromStdString(dir.write(name, content)), 1);
    }

    // Opens the simulated gimbal's port and presses the upgrade button.
    void startUpgrade() {
        ASSERT_TRUE(h.openPort(gimbal.slavePath()));
        recording = true;
        sinceStart.start();
        h.ctrl.btn_Upgrade->click();
    }

    // Waits for the ending tick: timer stopped, port closed, controls back.
    bool waitForEnd(int timeoutMs) {
        return pumpUntil([this] { return ended(); }, timeoutMs);
    }
    bool ended() const {
        return !h.ctrl.rTimerFlag && h.ctrl.UpgradeTimer && !h.ctrl.UpgradeTimer->isActive() &&
               !h.isOpen() && allControls(true);
    }

    bool allControls(bool enabled) const {
        const UartToolCtrl& c = h.ctrl;
        const std::array<const QWidget*, 9> controls = {c.btn_Open,
                                                        c.btn_Close,
                                                        c.btn_Search,
                                                        c.btn_Upgrade,
                                                        c.btn_OpenFile,
                                                        c.btn_FirmwareUpgrade_,
                                                        c.btn_CalibratioonJoystick_,
                                                        c.btn_AttitudeCalibration_,
                                                        c.popupbtn_ComSelect};
        for (const QWidget* w : controls) {
            if (w->isEnabled() != enabled) return false;
        }
        return true;
    }

    std::string log() const { return h.ctrl.outText->toPlainText().toStdString(); }
    bool logEndsWith(const std::string& tail) const { return log().ends_with(tail); }
    bool logHas(const std::string& text) const { return log().find(text) != std::string::npos; }
    int occurrences(const std::string& text) const {
        return static_cast<int>(h.ctrl.outText->toPlainText().count(QString::fromStdString(text)));
    }

    // "from".."to" as recorded progress values.
    static Seen values(int from, int to) {
        Seen v;
        for (int x = from; x <= to; ++x) v.push_back(std::to_string(x));
        return v;
    }

    TempDir dir;
    GimbalSimulator gimbal;  // outlives the window, whose end closes the port
    WindowHarness h;
    bool recording = false;
    void note(const std::string& what) {
        seen.push_back(what);
        seenAtMs.push_back(sinceStart.elapsed());
    }
    // When `what` was first seen, in ms since the upgrade button; -1: never.
    qint64 seenAt(const std::string& what) const {
        for (std::size_t k = 0; k < seen.size(); ++k) {
            if (seen[k] == what) return seenAtMs[k];
        }
        return -1;
    }

    Seen seen;
    std::vector<qint64> seenAtMs;
    QElapsedTimer sinceStart;
    qsizetype logLength = 0;
};
