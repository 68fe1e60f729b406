// A gimbal in its boot loader, seen by the window: block requests while the
// window started no upgrade.

#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>

#include "tests/upgrade/UpgradeWindowFixture.h"
#include "upgrade/UpgradeSupervisor.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kBootLoader =
    "The gimbal is in its boot loader: its last upgrade did not finish. Choose its firmware "
    "file and press Upgrade.\n";

class BootLoaderWindow : public UpgradeWindow {
protected:
    bool loaded(const std::string& name) const {
        return h.ctrl.m_File_Path->text().endsWith(QString::fromStdString(name));
    }
    bool servedFromFile() const {
        return h.ctrl.m_ULXSerialPort->lastBlockOutsideUpgrade().has_value();
    }
};

// Plugged in in its boot loader (asking for block 0 once a second): the log
// names it within 2 s, once while it keeps asking. No file is in use, so the
// rescue file is taken at once; once it answers, the one-image rule keeps it
// only while the line is open. On a new line the gimbal is named again, and
// Upgrade rescues it as any upgrade.
TEST_F(BootLoaderWindow, NamedOnceNoFileRefusedAndRescuedThroughUpgrade) {
    GimbalSimulator::Faults faults;
    faults.bootLoader = true;
    gimbal.setFaults(faults);
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(pumpUntil([&] { return logHas(kBootLoader); }, 3000)) << log();
    EXPECT_LE(since.elapsed(), 2000);

    load("rescue.plov", singleImageFile(imageBytes(2 * 1056, 4), 0, 0));
    EXPECT_TRUE(loaded("rescue.plov")) << log();
    ASSERT_TRUE(pumpUntil([&] { return servedFromFile(); }, 3000));
    pumpFor(1500);
    EXPECT_EQ(occurrences(kBootLoader), 1) << log();
    EXPECT_FALSE(logHas("was not loaded")) << log();

    h.ctrl.ClosePort();
    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    const Bytes image = imageBytes(3 * 1056 + 7, 5);
    load("other.plov", singleImageFile(image, 0, 0));
    EXPECT_TRUE(loaded("other.plov")) << log();
    EXPECT_FALSE(logHas("was not loaded")) << log();
    ASSERT_TRUE(pumpUntil([&] { return occurrences(kBootLoader) == 2; }, 3000)) << log();

    recording = true;
    h.ctrl.btn_Upgrade->click();
    ASSERT_TRUE(waitForEnd(30000)) << log();
    EXPECT_TRUE(logHas(kComplete)) << log();
    EXPECT_EQ(gimbal.board(3).assembled(), image);
    EXPECT_FALSE(gimbal.inBootLoader());
    EXPECT_EQ(occurrences(kBootLoader), 2) << log();
}

// Cut after 3 blocks in every try: each restart is shown (its line, then the
// bar from 0 again), and the third ends the upgrade as failed; it never runs on.
TEST_F(BootLoaderWindow, CutInEveryTryRestartsVisiblyAndFailsAfterThree) {
    GimbalSimulator::Faults faults;
    faults.cutAfterBlocks = 3;
    faults.cutTimes = 100;
    gimbal.setFaults(faults);
    load("fw.plov", singleImageFile(imageBytes(10 * 1056, 6), 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(40000)) << log();

    EXPECT_EQ(h.ctrl.upgradeSupervisor.ending, upgrade::Ending::kBootLoader);
    EXPECT_EQ(gimbal.cuts(), 3);
    const std::string again = "The gimbal restarted in its boot loader at ID3, block 3 of 10: "
                              "upgrading it again from the start, ";
    for (const char* tryText : {"try 2 of 3.\n", "try 3 of 3.\n"}) {
        const auto line = std::find(seen.begin(), seen.end(), again + tryText);
        ASSERT_NE(line, seen.end()) << log();
        ASSERT_NE(line + 1, seen.end());
        EXPECT_EQ(*(line + 1), "0") << "the bar starts again after " << *line;
    }
    EXPECT_TRUE(logEndsWith("Upgrade failed: the gimbal restarted in its boot loader in each of 3 "
                            "tries, the last time at ID3, block 3 of 10.\n"))
        << log();
}

}  // namespace
