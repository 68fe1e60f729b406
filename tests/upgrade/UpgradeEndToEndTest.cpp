// Whole upgrades from the upgrade button to the final message, on the real
// window with the simulated gimbal: what the user sees, and what each board
// receives.

#include <QLineEdit>

#include "protocol/Frame.h"
#include "tests/upgrade/UpgradeWindowFixture.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// The gimbal's relay reports at a leisurely pace, as a real one sends them.
constexpr auto kReportInterval = 400ms;

TEST_F(UpgradeWindow, SingleImageToId3ThenReportsForId2AndId1) {
    gimbal.setReportInterval(kReportInterval);
    const Bytes image = imageBytes(9 * 1056 + 500, 3);  // N = 10, a short last block
    load("fw.plov", singleImageFile(image, 0, 0));
    ASSERT_EQ(h.ctrl.MaxProgress, 30);
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();

    // 31..33 lie past the maximum: the bar stays full.
    EXPECT_EQ(seen, Seen{kBegin} + values(1, 11) + kId3Done + values(12, 22) + kId2Done +
                        values(23, 30) + kId1Done + kComplete);
    EXPECT_EQ(h.ctrl.progressIndicator->value(), 30);
    const auto id3 = gimbal.board(3);
    EXPECT_EQ(id3.assembled(), image);
    EXPECT_TRUE(id3.endOfImage);
    EXPECT_EQ(id3.blockFrames, 11);
}

// One image per transfer: a file chosen while an upgrade runs is not loaded
// and the log says when to choose it again; the upgrade's end ends its
// transfer, so a file chosen right after it is the one the next upgrade
// sends. Outside an upgrade, a gimbal asking for a block keeps the file in
// use for 8 s.
TEST_F(UpgradeWindow, AFileChosenMidUpgradeIsKeptOutAndRightAfterItIsSent) {
    const Bytes imageA = imageBytes(3 * 1056, 8);
    const Bytes imageB = imageBytes(3 * 1056, 9);
    load("fw.plov", singleImageFile(imageA, 0, 0));
    const QString inUse = h.ctrl.m_File_Path->text();
    startUpgrade();
    load("other.plov", singleImageFile(imageB, 0, 0));
    EXPECT_TRUE(
        logEndsWith("other.plov was not loaded: the gimbal is being sent blocks of the "
                    "file in use (" +
                    inUse.toStdString() +
                    ", hardware 1.005, firmware 2.010); choose it again once the upgrade "
                    "has ended.\n"))
        << log();
    EXPECT_EQ(h.ctrl.m_File_Path->text(), inUse);
    ASSERT_TRUE(waitForEnd(30000)) << log();
    EXPECT_EQ(gimbal.board(3).assembled(), imageA);

    load("other.plov", singleImageFile(imageB, 0, 0));  // at once after the end
    EXPECT_NE(h.ctrl.m_File_Path->text(), inUse) << log();
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();
    EXPECT_EQ(gimbal.board(3).assembled(), imageB);

    ASSERT_TRUE(h.openPort(gimbal.slavePath()));
    gimbal.send(frame::make(3, frame::kBlock, {0}));
    ASSERT_TRUE(pumpUntil(
        [&] { return h.ctrl.m_ULXSerialPort->lastBlockOutsideUpgrade().has_value(); }, 2000));
    load("fw.plov", singleImageFile(imageA, 0, 0));
    EXPECT_TRUE(logEndsWith("; choose it again in 8 s.\n")) << log();
}

// Reports that come faster than the supervision ticks, all at once here, are
// each shown in order: no step and no board's message is lost.
TEST_F(UpgradeWindow, EveryReportShownHoweverFastTheGimbalReports) {
    gimbal.setReportInterval(0ms);
    const Bytes image = imageBytes(4 * 1056, 3);  // N = 4
    load("fw.plov", singleImageFile(image, 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();
    EXPECT_EQ(seen, Seen{kBegin} + values(1, 5) + kId3Done + values(6, 10) + kId2Done +
                        values(11, 12) + kId1Done + kComplete);
}

TEST_F(UpgradeWindow, SingleImageToId2ThenReportsForId1) {
    gimbal.setReportInterval(kReportInterval);
    const Bytes image = imageBytes(10 * 1056, 2);
    load("fw.plov", singleImageFile(image, 0xFF, 0x12));
    ASSERT_EQ(h.ctrl.MaxProgress, 20);
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();

    EXPECT_EQ(seen,
              Seen{kBegin} + values(1, 11) + kId2Done + values(12, 20) + kId1Done + kComplete);
    EXPECT_EQ(gimbal.board(2).assembled(), image);
    EXPECT_TRUE(gimbal.board(3).blocks.empty());
}

TEST_F(UpgradeWindow, ThreeImagesWithAnEmptyOneForId3) {
    const Bytes id1 = imageBytes(70000, 1), id2 = imageBytes(2112, 2);
    load("fw.3plov", multiImageFile(id1, id2, {}, 3));
    ASSERT_EQ(h.ctrl.MaxProgress, 69);
    startUpgrade();
    ASSERT_TRUE(waitForEnd(60000)) << log();

    // ID3 is done with its end frame alone, ID2 at f = 3 with the bar at 4,
    // ID1 at f = 68 with the bar at 72 (shown full at 69).
    // The first block of ID2 repeats f = 1, but for another board: it moves the bar.
    const Seen expected =
        Seen{kBegin, "1", kId3Done, "2", "3", "4", kId2Done} + values(5, 69) + kId1Done + kComplete;
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(gimbal.board(1).assembled(), id1);
    EXPECT_EQ(gimbal.board(2).assembled(), id2);
    EXPECT_TRUE(gimbal.board(3).endOfImage);
    EXPECT_TRUE(gimbal.board(3).blocks.empty());
}

TEST_F(UpgradeWindow, ThreeImagesEndingWithId1) {
    const Bytes id1 = imageBytes(1200, 1), id2 = imageBytes(2200, 2), id3 = imageBytes(900, 3);
    load("fw.2plov", multiImageFile(id1, id2, id3, 2));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();

    EXPECT_TRUE(logHas(kBegin + kId3Done + kId2Done + kId1Done + kComplete)) << log();
    EXPECT_EQ(gimbal.board(1).assembled(), id1);
    EXPECT_EQ(gimbal.board(2).assembled(), id2);
    EXPECT_EQ(gimbal.board(3).assembled(), id3);
}

TEST_F(UpgradeWindow, ThreeImagesOfKind0x11FinishWithId3) {
    const Bytes id3 = imageBytes(1500, 3);
    load("fw.1plov", multiImageFile(imageBytes(3000, 1), imageBytes(3000, 2), id3, 1));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();

    EXPECT_TRUE(logHas(kBegin + kId3Done + kComplete)) << log();
    EXPECT_EQ(occurrences(kId2Done), 0);
    EXPECT_EQ(gimbal.board(3).assembled(), id3);
}

TEST_F(UpgradeWindow, ABlockAskedTwiceIsAnsweredTwiceAndNothingRepeats) {
    gimbal.setReportInterval(kReportInterval);
    GimbalSimulator::Faults faults;
    faults.askTwiceBlock = 1;
    gimbal.setFaults(faults);
    const Bytes image = imageBytes(3 * 1056, 4);  // N = 3
    load("fw.plov", singleImageFile(image, 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();

    EXPECT_EQ(gimbal.board(3).assembled(), image);
    EXPECT_EQ(gimbal.board(3).blockFrames, 4 + 1);  // three blocks, the end frame, a repeat
    std::vector<Bytes> blockOne;
    for (const Bytes& f : gimbal.framesReceived()) {
        if (f[5] == 0xE3 && f[6] == 1) blockOne.push_back(f);
    }
    ASSERT_EQ(blockOne.size(), 2u);
    EXPECT_EQ(blockOne[0], blockOne[1]);
    // The repeat leaves the block number where it was: no value or message twice.
    EXPECT_EQ(seen, Seen{kBegin} + values(1, 4) + kId3Done + values(5, 8) + kId2Done +
                        values(9, 9) + kId1Done + kComplete);
}

// After a complete upgrade the window asks the restarting gimbal its version
// and says whether it now runs the file's; the controls come back only then.
TEST_F(UpgradeWindow, TheGimbalsVersionAfterTheUpgradeIsCheckedAgainstTheFile) {
    const std::string reading = "Reading the firmware version after the upgrade...\n";
    gimbal.setVersion(5, 1, 9, 2);  // 2.009 before
    gimbal.setRestart({1500ms, std::nullopt, false});
    load("fw.plov", singleImageFile(imageBytes(2 * 1056, 5), 0, 0));  // carries 2.010
    startUpgrade();
    ASSERT_TRUE(pumpUntil([this] { return logHas(kComplete); }, 30000)) << log();
    EXPECT_TRUE(allControls(false)) << "locked while the version is asked";
    ASSERT_TRUE(waitForEnd(20000)) << log();
    EXPECT_TRUE(logEndsWith(kComplete + reading +
                            "verified: the gimbal reports firmware 2.010, the file's version\n"))
        << log();

    // New firmware that reports another version (the same file sent again).
    gimbal.setRestart({200ms, GimbalSimulator::FirmwareVersion{2, 9}, false});
    startUpgrade();
    ASSERT_TRUE(waitForEnd(30000)) << log();
    EXPECT_TRUE(logEndsWith(
        kComplete + reading +
        "the gimbal reports firmware 2.009 after the upgrade; the file carries 2.010\n"))
        << log();
}

}  // namespace
