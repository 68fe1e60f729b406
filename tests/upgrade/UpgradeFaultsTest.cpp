// Upgrades that do not complete: no answer, refusal, failure report, a stall
// and a hang-up. Each ends with its message, the port closed and the
// controls enabled again.

#include <time.h>

#include "protocol/Frame.h"
#include "tests/upgrade/UpgradeWindowFixture.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

void setAnswer(GimbalSimulator& gimbal, GimbalSimulator::UpgradeAnswer answer) {
    GimbalSimulator::Faults faults;
    faults.upgradeAnswer = answer;
    gimbal.setFaults(faults);
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST_F(UpgradeWindow, NoAnswerGivesUpAfterTwentyTwoRequests) {
    setAnswer(gimbal, GimbalSimulator::UpgradeAnswer::kNoAnswer);
    load("fw.plov", singleImageFile(imageBytes(3000, 1), 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(20000)) << log();

    EXPECT_EQ(seen, (Seen{kBegin, kTimeout}));
    EXPECT_GE(seenAt(kTimeout), 7900);  // 201 ticks of 40 ms
    EXPECT_TRUE(gimbal.waitUntil([](const auto& g) { return g.upgradeRequestTimes().size() >= 22; },
                                 1000ms));
    EXPECT_EQ(gimbal.upgradeRequestTimes().size(), 22u);
}

// Ticks driven by hand, 40 ms apart on the supervision's clock: after each
// one the test writes a marker frame through the same port, so the line shows
// exactly which ticks sent a request.
TEST_F(UpgradeWindow, RequestsFollowTheScheduleAndTheEndComesOneTickAfterTheTimeout) {
    setAnswer(gimbal, GimbalSimulator::UpgradeAnswer::kNoAnswer);
    load("fw.plov", singleImageFile(imageBytes(3000, 1), 0, 0));
    protocol::Millis clock = 0;
    h.ctrl.upgradeClock = [&clock] { return clock; };
    startUpgrade();
    h.ctrl.UpgradeTimer->stop();
    auto port = h.ctrl.m_ULXSerialPort;
    const Bytes marker = frame::make(0, 0x01);

    for (int tick = 0; tick <= 200; ++tick) {
        clock += upgrade::kTickMs;
        h.ctrl.handleUpgradeTimer();
        port->sendDataWithLen(marker.data(), static_cast<int>(marker.size()));
    }
    EXPECT_TRUE(logEndsWith(kTimeout));
    EXPECT_FALSE(h.ctrl.rTimerFlag);
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(allControls(false));
    // Closing discards what the gimbal has not read yet: let it read first.
    ASSERT_TRUE(gimbal.waitUntil(
        [](const auto& g) { return g.framesReceived().size() >= 201 + 22; }, 10000ms));
    clock += upgrade::kTickMs;
    h.ctrl.handleUpgradeTimer();  // the ending tick
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(allControls(true));

    std::vector<int> requestTicks;
    int tick = 0;
    for (const Bytes& f : gimbal.framesReceived()) {
        if (f[5] == frame::kUpgradeRequest) requestTicks.push_back(tick);
        if (f == marker) ++tick;
    }
    std::vector<int> expected{0, 5, 10, 15};
    for (int count = 20; count <= 190; count += 10) expected.push_back(count);
    EXPECT_EQ(requestTicks, expected);
    EXPECT_EQ(tick, 201);
}

class Refusal : public UpgradeWindow,
                public ::testing::WithParamInterface<GimbalSimulator::UpgradeAnswer> {};

TEST_P(Refusal, EndsWithError) {
    setAnswer(gimbal, GetParam());
    load("fw.plov", singleImageFile(imageBytes(3000, 1), 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(5000)) << log();
    EXPECT_EQ(seen, (Seen{kBegin, kError}));
    EXPECT_TRUE(gimbal.board(3).blocks.empty());
}

INSTANTIATE_TEST_SUITE_P(UpgradeWindow, Refusal,
                         ::testing::Values(GimbalSimulator::UpgradeAnswer::kRefuse1,
                                           GimbalSimulator::UpgradeAnswer::kRefuse2),
                         [](const auto& info) {
                             return info.param == GimbalSimulator::UpgradeAnswer::kRefuse1
                                        ? "Answer1"
                                        : "Answer2";
                         });

TEST_F(UpgradeWindow, FailureReportEndsWithError) {
    GimbalSimulator::Faults faults;
    faults.failAfterBlocks = 2;
    gimbal.setFaults(faults);
    load("fw.plov", singleImageFile(imageBytes(5 * 1056, 1), 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(5000)) << log();
    EXPECT_TRUE(logEndsWith(kError)) << log();
    EXPECT_EQ(occurrences(kError), 1);
    EXPECT_EQ(occurrences(kComplete), 0);
}

TEST_F(UpgradeWindow, StallGivesUpEightSecondsAfterTheLastProgress) {
    GimbalSimulator::Faults faults;
    faults.stallAfterBlocks = 3;
    gimbal.setFaults(faults);
    load("fw.plov", singleImageFile(imageBytes(5 * 1056, 1), 0, 0));
    startUpgrade();
    ASSERT_TRUE(waitForEnd(20000)) << log();

    EXPECT_EQ(seen, (Seen{kBegin, "1", "2", "3", kTimeout}));
    // 200 ticks after the last record; the bar may show it a little late.
    EXPECT_GE(seenAt(kTimeout) - seenAt("3"), 7500);
}

TEST_F(UpgradeWindow, HangUpMidTransferTimesOutWithoutSpinning) {
    load("fw.plov", singleImageFile(imageBytes(8 * 1056, 1), 0, 0));
    startUpgrade();
    ASSERT_TRUE(pumpUntil([&] { return gimbal.board(3).blockFrames >= 2; }, 5000));
    gimbal.hangUp();

    // The serial layer closes the port; the reader does not spin on the dead line.
    ASSERT_TRUE(pumpUntil([&] { return !h.isOpen(); }, 3000));
    const double cpuBefore = processCpuSeconds();
    pumpFor(2000);
    EXPECT_LT(processCpuSeconds() - cpuBefore, 1.0);

    ASSERT_TRUE(waitForEnd(15000)) << log();
    EXPECT_TRUE(logEndsWith(kTimeout)) << log();
    EXPECT_EQ(occurrences(kComplete), 0);

    // The window still answers: a timer fires and a button press is handled.
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    EXPECT_TRUE(pumpUntil([&] { return fired; }, 1000));
    h.ctrl.btn_Upgrade->click();
    EXPECT_TRUE(logEndsWith("The serial port is not open!\n"));
}

}  // namespace
