// A port closed and opened again while its old reader is busy answering block
// requests: nothing of the old session may reach the new one.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WaitFor.h"
#include "upgrade/FirmwareVariables.h"

using namespace std::chrono_literals;

namespace {

// Everything the master end can read within `quiet` of the last byte.
std::vector<uint8_t> drain(int master, std::chrono::milliseconds quiet) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    pollfd wait{master, POLLIN, 0};
    while (::poll(&wait, 1, static_cast<int>(quiet.count())) > 0 && (wait.revents & POLLIN)) {
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        if (n <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

// A single image of ten full blocks for board ID3.
void loadTenBlockImage() {
    FirmwareVariables v;
    v.FileBuffer.assign(10 * FirmwareVariables::Blocksize + 16, 0x5A);
    v.iFileLength = 10 * FirmwareVariables::Blocksize;
    v.update_range = 3;
    v.Blocknum = 10;
    installFirmwareVariables(std::move(v));
}

std::vector<uint8_t> tenBlockRequests() {
    std::vector<uint8_t> burst;
    for (uint8_t k = 0; k < 10; ++k) {
        const auto request = frame::make(3, frame::kBlock, {k});
        burst.insert(burst.end(), request.begin(), request.end());
    }
    return burst;
}

class SessionEnd : public ::testing::Test {
protected:
    void SetUp() override {
        protocolParserState().reset();
        loadTenBlockImage();
        ASSERT_TRUE(port);
    }
    void TearDown() override {
        port->close();
        firmwareVariables().reset();
    }

    PtyPair pty;
    std::shared_ptr<ULXSerialPort> port = ULXSerialPort::serialPortWithPath(pty.slavePath());
};

}  // namespace

TEST_F(SessionEnd, ReopenInTheMiddleOfABurstOfBlockRequestsStartsClean) {
    ASSERT_TRUE(port->open());
    const auto burst = tenBlockRequests();
    ASSERT_TRUE(pty.writeMaster(burst.data(), burst.size()));
    // The first block frame is answered; close while the reader pauses after it.
    std::vector<uint8_t> beforeClose;
    ASSERT_TRUE(waitFor([&] {
        const auto more = drain(pty.master(), 5ms);
        beforeClose.insert(beforeClose.end(), more.begin(), more.end());
        return !beforeClose.empty();
    }));
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(port->close());
    drain(pty.master(), 1ms);  // what the old session wrote before close returned
    const int blockBefore = port->fnum;
    ASSERT_TRUE(port->open());

    port->m_MessageShow_Flag = 255;
    const auto reply = frame::make(1, frame::kInitGyro, {1, 0, 2, 0, 3, 0});
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(pty.writeMaster(reply.data(), reply.size()));
    ASSERT_TRUE(waitFor([&] { return port->m_MessageShow_Flag == 1; }));
    // Decoded by the new reader while the old one is still in its pause.
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 500ms);
    EXPECT_EQ(port->m_Recv_Data_2, 3);

    // The old reader answers nothing more and records nothing more.
    EXPECT_TRUE(drain(pty.master(), 1000ms).empty());
    EXPECT_EQ(port->fnum, blockBefore);
}

TEST_F(SessionEnd, FastOpenCloseCyclesWithTrafficLeaveNoThreadsBehind) {
    const auto burst = tenBlockRequests();
    // One cycle first, so threads that the process starts once (a sanitizer's
    // own) are counted before.
    ASSERT_TRUE(port->open());
    ASSERT_TRUE(port->close());
    std::this_thread::sleep_for(300ms);
    const int before = threadCount();
    for (int cycle = 0; cycle < 30; ++cycle) {
        ASSERT_TRUE(port->open());
        ASSERT_TRUE(pty.writeMaster(burst.data(), burst.size()));
        std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(port->close());
        drain(pty.master(), 1ms);
    }
    // Each old reader ends within its read wait plus the one pause it is in.
    EXPECT_TRUE(waitFor([&] { return threadCount() <= before; }, 1000ms))
        << threadCount() - before << " threads left";
}
