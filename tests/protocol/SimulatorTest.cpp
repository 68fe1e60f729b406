// The simulated gimbal, driven by hand through its pseudo-terminal the way the
// tool will drive it.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "protocol/Frame.h"
#include "tests/support/GimbalSimulator.h"

using Bytes = std::vector<uint8_t>;

namespace {

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        fd = ::open(gimbal.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { ::close(fd); }

    void write(const Bytes& bytes) { ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }

    // Reads exactly one whole frame (waiting up to two seconds).
    Bytes readFrame() {
        Bytes got;
        while (got.size() < 4 || got.size() < frame::lengthField(got.data()) + 2u) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) return got;
            uint8_t b;
            if (::read(fd, &b, 1) != 1) return got;
            got.push_back(b);
        }
        return got;
    }

    GimbalSimulator gimbal;
    int fd = -1;
};

TEST_F(SimulatorTest, AnswersCalibrationAndQueryRequests) {
    gimbal.setGyro(10, -10, 0);
    write({0xAA, 0x55, 0x06, 0x00, 0x01, 0x40, 0x47, 0xFF});
    EXPECT_EQ(readFrame(), frame::make(1, 0x40, {0x0A, 0x00, 0xF6, 0xFF, 0x00, 0x00}));

    gimbal.setAccelerometer(1000, 0, 12);
    write(frame::make(1, 0x41, {0x01}));
    EXPECT_EQ(readFrame(), frame::make(1, 0x41, {0x01, 0xE8, 0x03, 0x00, 0x00, 0x0C, 0x00}));
    write(frame::make(1, 0x41, {0x00}));
    EXPECT_EQ(readFrame()[6], 0x00);  // the mode byte is repeated

    gimbal.setVersion(5, 1, 10, 2);
    write(frame::make(3, 0x34));
    EXPECT_EQ(readFrame(), frame::make(3, 0x34, {5, 1, 10, 2}));

    // Both saves are answered with 0xF1.
    write(frame::make(0, 0xF1));
    EXPECT_EQ(readFrame()[5], 0xF1);
    write(frame::make(3, 0xF4));
    EXPECT_EQ(readFrame()[5], 0xF1);
    EXPECT_EQ(gimbal.framesReceived().size(), 6u);
}

TEST_F(SimulatorTest, RunsASingleImageUpgradeConversation) {
    gimbal.setReportInterval(std::chrono::milliseconds(1));
    // Request for update_range 3, one block.
    write(frame::make(0, 0xE0, {0x03, 1, 5, 2, 10, 0x01}));
    EXPECT_EQ(readFrame(), frame::make(0, 0xE0, {0xFF}));
    EXPECT_EQ(readFrame(), frame::make(3, 0xE3, {0x00}));
    write(frame::make(3, 0xE3, {0x00, 0x03, 0x00, 0x11, 0x22, 0x33}));
    EXPECT_EQ(readFrame(), frame::make(3, 0xE3, {0x01}));
    write(frame::make(3, 0xE3, {0x01, 0x00, 0x00}));  // end of image
    for (int board : {2, 1}) {
        for (uint8_t block : {0, 1}) {
            EXPECT_EQ(readFrame(), frame::make(static_cast<uint8_t>(board), 0xE5, {block}));
        }
    }
    EXPECT_TRUE(gimbal.waitUntil([](auto& g) { return g.conversationDone(); },
                                 std::chrono::milliseconds(1000)));
    EXPECT_EQ(gimbal.board(3).assembled(), (Bytes{0x11, 0x22, 0x33}));
    EXPECT_TRUE(gimbal.board(3).endOfImage);
}

TEST_F(SimulatorTest, ScriptedFaults) {
    GimbalSimulator::Faults faults;
    faults.upgradeAnswer = GimbalSimulator::UpgradeAnswer::kRefuse2;
    gimbal.setFaults(faults);
    write(frame::make(0, 0xE0, {0x03, 1, 5, 2, 10, 0x01}));
    EXPECT_EQ(readFrame(), frame::make(0, 0xE0, {0x02}));

    faults = {};
    faults.corruptNextReply = true;
    gimbal.setFaults(faults);
    write(frame::make(1, 0x42, {0x01}));
    Bytes corrupted = readFrame();
    ASSERT_EQ(corrupted.size(), 8u);
    EXPECT_NE(corrupted[6], frame::checksumOf(corrupted.data(), 6));

    faults = {};
    faults.silent = true;
    gimbal.setFaults(faults);
    write(frame::make(1, 0x42, {0x01}));
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 100), 0);
}

// A cut upgrade leaves the gimbal in its boot loader, which asks for block 0
// of ID3 on its own, answers nothing else but an upgrade request, and takes a
// whole upgrade to leave with the new version.
TEST_F(SimulatorTest, CutUpgradeRestartsInTheBootLoader) {
    using std::chrono::milliseconds;
    GimbalSimulator::Faults faults;
    faults.cutAfterBlocks = 1;
    faults.cutSilence = milliseconds(100);
    faults.bootLoaderAskEvery = milliseconds(150);
    gimbal.setFaults(faults);
    gimbal.setReportInterval(milliseconds(1));
    gimbal.setVersion(5, 1, 10, 2);
    const Bytes request = frame::make(0, 0xE0, {0x03, 1, 5, 3, 1, 0x01});  // to 3.001
    write(request);
    EXPECT_EQ(readFrame(), frame::make(0, 0xE0, {0xFF}));
    EXPECT_EQ(readFrame(), frame::make(3, 0xE3, {0x00}));
    write(frame::make(3, 0xE3, {0x00, 0x01, 0x00, 0x11}));
    const Bytes blockZero = frame::make(3, 0xE3, {0x00});
    EXPECT_EQ(readFrame(), blockZero);  // after the restart's silence
    EXPECT_TRUE(gimbal.inBootLoader());
    EXPECT_EQ(gimbal.cuts(), 1);
    const int framesBefore = gimbal.board(3).blockFrames;
    write(frame::make(3, 0x34));  // no version from the boot loader
    write(frame::make(3, 0xE3, {0x00, 0x01, 0x00, 0x66}));  // a block it asked for outside an upgrade
    EXPECT_EQ(readFrame(), blockZero);  // the next ask, a second apart here
    EXPECT_EQ(gimbal.board(3).blockFrames, framesBefore);

    write(request);
    EXPECT_EQ(readFrame(), frame::make(0, 0xE0, {0xFF}));
    EXPECT_EQ(readFrame(), blockZero);
    write(frame::make(3, 0xE3, {0x00, 0x01, 0x00, 0x11}));
    EXPECT_EQ(readFrame(), frame::make(3, 0xE3, {0x01}));
    write(frame::make(3, 0xE3, {0x01, 0x00, 0x00}));
    ASSERT_TRUE(gimbal.waitUntil([](auto& g) { return g.conversationDone(); }, milliseconds(2000)));
    EXPECT_FALSE(gimbal.inBootLoader());
    ::tcflush(fd, TCIFLUSH);
    write(frame::make(3, 0x34));
    Bytes version = readFrame();
    while (!version.empty() && version[5] != 0x34) version = readFrame();  // past the reports
    EXPECT_EQ(version, frame::make(3, 0x34, {5, 1, 1, 3}));

    // The tool that stops answering mid-transfer leaves it there as well.
    faults = {};
    faults.bootLoaderWhenToolSilent = true;
    faults.toolSilenceLimit = milliseconds(200);
    faults.cutSilence = milliseconds(50);
    gimbal.setFaults(faults);
    write(request);
    EXPECT_EQ(readFrame(), frame::make(0, 0xE0, {0xFF}));
    EXPECT_EQ(readFrame(), blockZero);
    EXPECT_TRUE(gimbal.waitUntil([](auto& g) { return g.inBootLoader(); }, milliseconds(1000)));
}

}  // namespace
