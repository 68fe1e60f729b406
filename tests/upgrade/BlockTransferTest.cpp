// The port's side of an upgrade over a pseudo-terminal: block frames built
// from the loaded file, and the gimbal's upgrade frames, read by the port's
// reader, moving the upgrade state and getting their blocks.

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/Frame.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WaitFor.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

// The block frame the board should receive: number, 16-bit length, data.
Bytes blockFrame(uint8_t id, uint8_t block, const Bytes& image, std::size_t from, std::size_t n) {
    Bytes payload(3 + n);
    payload[0] = block;
    payload[1] = static_cast<uint8_t>(n & 0xFF);
    payload[2] = static_cast<uint8_t>(n >> 8);
    std::copy_n(image.data() + from, n, payload.data() + 3);
    return frame::make(id, frame::kBlock, payload);
}

class BlockTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        firmwareVariables().reset();
        port = ULXSerialPort::serialPortWithPath(pty.slavePath());
        ASSERT_TRUE(port);
        ASSERT_TRUE(port->open());
        pty.releaseSlaveHold();
    }
    void TearDown() override {
        if (port) port->close();
    }

    void loadSingle(const Bytes& image, uint8_t markerLow = 0, uint8_t markerHigh = 0) {
        ASSERT_TRUE(
            firmware::load(dir.write("fw.plov", singleImageFile(image, markerLow, markerHigh)))
                .usable);
    }

    // Reads one whole frame from the gimbal's end, or what came within 2 s.
    Bytes readFrame() {
        Bytes got;
        while (got.size() < 4 || got.size() < frame::lengthField(got.data()) + 2u) {
            const std::size_t want =
                got.size() < 4 ? 4 - got.size() : frame::lengthField(got.data()) + 2u - got.size();
            pollfd p{pty.master(), POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) return got;
            uint8_t chunk[2048];
            const ssize_t n = ::read(pty.master(), chunk, std::min(want, sizeof chunk));
            if (n <= 0) return got;
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    // True when nothing is waiting at the gimbal's end.
    bool nothingWritten() {
        pollfd p{pty.master(), POLLIN, 0};
        return ::poll(&p, 1, 0) == 0;
    }
    void gimbalSends(uint8_t id, uint8_t command, uint8_t k) {
        const Bytes f = frame::make(id, command, {k});
        ASSERT_TRUE(pty.writeMaster(f.data(), f.size()));
    }

    TempDir dir;
    PtyPair pty;
    std::shared_ptr<ULXSerialPort> port;
};

TEST_F(BlockTransferTest, SingleImageIsCutIntoBlocksWithAShortLastOneAndAnEndFrame) {
    const Bytes image = imageBytes(2113, 7);
    loadSingle(image);
    port->iapstate = 2;

    EXPECT_EQ(port->SendFirwareData(0), 0);
    const Bytes first = readFrame();
    EXPECT_EQ(first.size(), 1067u);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 9),
              (Bytes{0xAA, 0x55, 0x29, 0x04, 0x03, 0xE3, 0x00, 0x20, 0x04}));
    EXPECT_EQ(first, blockFrame(3, 0, image, 0, 1056));

    EXPECT_EQ(port->SendFirwareData(2), 0);  // one byte left over
    EXPECT_EQ(readFrame(), blockFrame(3, 2, image, 2112, 1));
    EXPECT_EQ(port->iapstate, 2);

    EXPECT_EQ(port->SendFirwareData(3), 1);
    EXPECT_EQ(readFrame(),
              (Bytes{0xAA, 0x55, 0x09, 0x00, 0x03, 0xE3, 0x03, 0x00, 0x00, 0xF2, 0xFF}));
    EXPECT_EQ(port->iapstate, 3);

    EXPECT_EQ(port->SendFirwareData(4), 2);
    EXPECT_EQ(port->SendFirwareData(-1), 2);

    // The other boards' senders cut the same image; a block asked twice is
    // answered twice with the same bytes.
    EXPECT_EQ(port->SendFirwareData0x02(1), 0);
    const Bytes forId2 = readFrame();
    EXPECT_EQ(Bytes(forId2.begin(), forId2.begin() + 9),
              (Bytes{0xAA, 0x55, 0x29, 0x04, 0x02, 0xE3, 0x01, 0x20, 0x04}));
    EXPECT_EQ(forId2, blockFrame(2, 1, image, 1056, 1056));
    EXPECT_EQ(port->SendFirwareData0x02(1), 0);
    EXPECT_EQ(readFrame(), forId2);
    EXPECT_EQ(port->SendFirwareData0x01(1), 0);
    EXPECT_EQ(readFrame(), blockFrame(1, 1, image, 1056, 1056));
    EXPECT_TRUE(nothingWritten());
}

TEST_F(BlockTransferTest, ThreeImagesAreServedFromTheirOwnPartOfTheFile) {
    const Bytes id1 = imageBytes(1500, 1), id2 = imageBytes(100, 2);
    ASSERT_TRUE(firmware::load(dir.write("fw.3plov", multiImageFile(id1, id2, {}, 3))).usable);
    port->iapstate = 2;

    EXPECT_EQ(port->SendFirwareData2(1, 1), 0);
    EXPECT_EQ(readFrame(), blockFrame(1, 1, id1, 1056, 444));
    EXPECT_EQ(port->SendFirwareData2(0, 2), 0);  // starts right after the ID1 image
    EXPECT_EQ(readFrame(), blockFrame(2, 0, id2, 0, 100));
    EXPECT_EQ(port->SendFirwareData2(1, 2), 1);
    EXPECT_EQ(readFrame(), frame::make(2, frame::kBlock, {1, 0, 0}));
    // An empty image: its first request gets the end frame at once.
    EXPECT_EQ(port->SendFirwareData2(0, 3), 1);
    EXPECT_EQ(readFrame(), frame::make(3, frame::kBlock, {0, 0, 0}));
    EXPECT_EQ(port->iapstate, 2);  // only a single image moves on to state 3

    EXPECT_EQ(port->SendFirwareData2(3, 1), 2);
    EXPECT_EQ(port->SendFirwareData2(0, 4), 0);  // no such board: nothing written
    EXPECT_EQ(port->SendFirwareData2(0, 0), 0);
    EXPECT_TRUE(nothingWritten());
}

TEST_F(BlockTransferTest, BlockRequestsAreAnsweredPausedAndRecorded) {
    const Bytes image = imageBytes(10 * 1056, 4);
    loadSingle(image, 0xFF, 0x12);  // update_range 2
    port->iapstate = 2;
    port->timer_count = 77;

    const auto asked = std::chrono::steady_clock::now();
    gimbalSends(2, frame::kBlock, 7);
    EXPECT_EQ(readFrame(), blockFrame(2, 7, image, 7 * 1056, 1056));
    ASSERT_TRUE(waitFor([&] { return port->fnum == 8; }));
    // Recorded only after the pause that paces the transfer.
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 195ms);
    EXPECT_EQ(port->IDNum, 1);
    EXPECT_EQ(port->timer_count, 0);

    // Board 2 is recorded even past the end, where nothing is written.
    gimbalSends(2, frame::kBlock, 20);
    ASSERT_TRUE(waitFor([&] { return port->fnum == 21; }));
    EXPECT_TRUE(nothingWritten());
}

// The supervision counts on only from the idle count it read: a reset by the
// reader in between (the gimbal made progress) stays, no tick carries over.
TEST_F(BlockTransferTest, IdleCountResetBetweenReadAndAddIsKept) {
    port->timer_count = 12;
    const int seen = port->idleTicks();
    port->timer_count = 0;  // the reader, on a block report
    port->countIdleTicks(seen, 20);
    EXPECT_EQ(port->timer_count, 0);
    port->countIdleTicks(0, 1);
    EXPECT_EQ(port->timer_count, 1);
}

TEST_F(BlockTransferTest, RoutingBySenderBoardAndFileKind) {
    const Bytes image = imageBytes(3 * 1056, 5);
    loadSingle(image);  // update_range 3
    port->iapstate = 2;

    // ID1 is never served from a single image sent to ID3; past the end, ID3
    // is not recorded, so the supervision keeps counting towards its timeout.
    port->timer_count = 50;
    gimbalSends(1, frame::kBlock, 0);
    gimbalSends(3, frame::kBlock, 9);
    gimbalSends(3, frame::kBlock, 1);
    EXPECT_EQ(readFrame(), blockFrame(3, 1, image, 1056, 1056));
    ASSERT_TRUE(waitFor([&] { return port->fnum == 2; }));
    EXPECT_EQ(port->IDNum, 0);
    EXPECT_TRUE(nothingWritten());

    // The end frame moves to state 3, where block reports count.
    gimbalSends(1, frame::kBlockReport, 4);  // not yet: state 2
    gimbalSends(3, frame::kBlock, 3);
    EXPECT_EQ(readFrame(), frame::make(3, frame::kBlock, {3, 0, 0}));
    ASSERT_TRUE(waitFor([&] { return port->fnum == 4; }));
    EXPECT_EQ(port->iapstate, 3);
    port->timer_count = 30;
    gimbalSends(2, frame::kBlockReport, 2);
    ASSERT_TRUE(waitFor([&] { return port->fnum == 3 && port->IDNum == 1; }));
    EXPECT_EQ(port->timer_count, 0);
    gimbalSends(3, frame::kBlockReport, 8);  // no such report
    gimbalSends(1, frame::kBlockReport, 0);
    ASSERT_TRUE(waitFor([&] { return port->fnum == 1 && port->IDNum == 2; }));

    // Three images: every board is served from its own image.
    const Bytes id1 = imageBytes(50, 1), id3 = imageBytes(60, 3);
    ASSERT_TRUE(firmware::load(dir.write("fw.1plov", multiImageFile(id1, {}, id3, 1))).usable);
    gimbalSends(1, frame::kBlock, 0);
    EXPECT_EQ(readFrame(), blockFrame(1, 0, id1, 0, 50));
    ASSERT_TRUE(waitFor([&] { return port->fnum == 1 && port->IDNum == 2; }));
    gimbalSends(3, frame::kBlock, 0);
    EXPECT_EQ(readFrame(), blockFrame(3, 0, id3, 0, 60));
    ASSERT_TRUE(waitFor([&] { return port->fnum == 1 && port->IDNum == 0; }));
}

TEST_F(BlockTransferTest, AcceptanceResumesFromAnyStateAndOtherValuesAreIgnored) {
    loadSingle(imageBytes(100, 1));
    for (int8_t from : {int8_t{9}, int8_t{10}}) {
        port->iapstate = from;
        port->fnum = 0;
        gimbalSends(0, frame::kUpgradeRequest, 0x05);
        gimbalSends(3, frame::kFinalReport, 2);
        gimbalSends(3, frame::kBlock, 0);  // read after the two above
        ASSERT_TRUE(waitFor([&] { return port->fnum == 1; }));
        readFrame();
        EXPECT_EQ(port->iapstate, from);
        port->timer_count = 40;
        gimbalSends(0, frame::kUpgradeRequest, 0xFF);
        ASSERT_TRUE(waitFor([&] { return port->iapstate == 2; })) << int(from);
        EXPECT_EQ(port->timer_count, 0);
    }
}

// A gimbal may ask for blocks while the port is open outside an upgrade,
// when a new file can be loaded: the senders never read a buffer being replaced.
TEST(BlockTransferLoadingTest, SendersAndLoadingDoNotRace) {
    TempDir dir;
    const std::string small = dir.write("small.plov", singleImageFile(imageBytes(100, 1), 0, 0));
    const std::string large =
        dir.write("large.plov", singleImageFile(imageBytes(40 * 1056, 2), 0, 0));
    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());  // closed: frames go nowhere
    ASSERT_TRUE(port);
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            for (int b = 0; b <= 40; ++b) port->SendFirwareData(b);
        }
    });
    for (int i = 0; i < 200; ++i) firmware::load(i % 2 ? large : small);
    stop = true;
    reader.join();
    EXPECT_EQ(firmwareVariables().iFileLength, 40 * 1056);
}

}  // namespace
