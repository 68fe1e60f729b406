// The data path over pseudo-terminals: received bytes reach the parser with
// their count, frames go out whole, buffered writes keep their tail, and a
// closed port writes nothing anywhere.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/PtyPair.h"

namespace {

std::vector<uint8_t> gyroReply(int16_t x, int16_t y, int16_t z) {
    const auto lo = [](int16_t v) { return static_cast<uint8_t>(v & 0xFF); };
    const auto hi = [](int16_t v) { return static_cast<uint8_t>((v >> 8) & 0xFF); };
    return frame::make(1, frame::kInitGyro, {lo(x), hi(x), lo(y), hi(y), lo(z), hi(z)});
}

// Reads whatever the master end holds now.
std::vector<uint8_t> drainMaster(int master) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    pollfd wait{master, POLLIN, 0};
    while (::poll(&wait, 1, 20) > 0 && (wait.revents & POLLIN)) {
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        if (n <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

class WithSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        protocolParserState().reset();
        port = ULXSerialPort::serialPortWithPath(gimbal.slavePath());
        ASSERT_TRUE(port);
        // Pseudo-terminal numbers are reused: the object of an earlier test on
        // the same path may still be alive, with its reply state.
        port->m_MessageShow_Flag = 0;
        port->m_Recv_Data_2 = 0;
        ASSERT_TRUE(port->open());
    }
    void TearDown() override { port->close(); }
    bool flagBecomes(uint8_t value) {
        return runMainUntil([&] { return port->m_MessageShow_Flag == value; });
    }

    GimbalSimulator gimbal;
    std::shared_ptr<ULXSerialPort> port;
};

}  // namespace

TEST_F(WithSimulator, ReceivedBytesReachTheParserWithTheirCount) {
    const auto reply = gyroReply(100, -200, 300);
    gimbal.send(reply);
    ASSERT_TRUE(flagBecomes(1));
    EXPECT_EQ(port->m_Recv_Data_0, 100);
    EXPECT_EQ(port->m_Recv_Data_1, -200);
    EXPECT_EQ(port->m_Recv_Data_2, 300);

    // One byte only: handing over the whole read buffer would re-parse the
    // previous reply's stale bytes behind it and decode it a second time.
    port->m_MessageShow_Flag = 0;
    gimbal.send({reply[0]});
    runMainFor(std::chrono::milliseconds(150));
    EXPECT_EQ(port->m_MessageShow_Flag, 0);
    gimbal.send(std::vector<uint8_t>(reply.begin() + 1, reply.end()));
    ASSERT_TRUE(flagBecomes(1));

    // Noise, then a burst of two replies in one write: the last one wins.
    port->m_MessageShow_Flag = 0;
    gimbal.send({0x00, 0x13, 0xAA, 0x00});
    gimbal.sendBurst({gyroReply(1, 2, 3), gyroReply(7, 8, 9)});
    ASSERT_TRUE(runMainUntil([&] { return port->m_Recv_Data_2 == 9; }));
    EXPECT_EQ(port->m_MessageShow_Flag, 1);
}

TEST_F(WithSimulator, RequestsGoOutAsWholeFramesAndAreAnswered) {
    gimbal.setGyro(11, 22, 33);
    const auto request = frame::make(1, frame::kInitGyro);
    EXPECT_TRUE(port->sendDataWithLen(request.data(), static_cast<int>(request.size())));
    ASSERT_TRUE(flagBecomes(1));
    EXPECT_EQ(port->m_Recv_Data_2, 33);

    gimbal.clearReceived();
    uint8_t empty[6] = {};
    port->ComSendData(empty, 0);
    uint8_t version[8] = {0, 0, 0, 0, 1, frame::kReadVersion};
    port->ComSendData(version, 2);
    ASSERT_TRUE(flagBecomes(9));
    EXPECT_EQ(gimbal.bytesReceived(),
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x00, 0x04, 0xFF, 0xAA, 0x55, 0x06, 0x00,
                                    0x01, 0x34, 0x3B, 0xFF}));

    // Nonsense lengths write nothing.
    EXPECT_TRUE(port->sendDataWithLen(request.data(), -1));
    port->ComSendData(nullptr, 4);
    port->ComSendData(empty, -6);
    runMainFor(std::chrono::milliseconds(30));
    EXPECT_EQ(gimbal.bytesReceived().size(), 14u);
}

TEST(SerialWrites, BufferedWritesKeepTheUnwrittenTailAndCloseDiscardsIt) {
    PtyPair pty;  // nobody reads the master until the test does
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(port);
    auto delegate = std::make_shared<RecordingDelegate>(ULXSerialPortDelegate::kDidEncounterError);
    port->setDelegate(delegate);
    EXPECT_FALSE(port->sendData({1, 2, 3}));  // closed: nothing is buffered
    ASSERT_TRUE(port->open());
    // Non-blocking, so a full pseudo-terminal gives short writes instead of waiting.
    ASSERT_EQ(::fcntl(port->fileDescriptor(), F_SETFL, O_NONBLOCK), 0);

    std::vector<uint8_t> big(256 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + i / 251);
    EXPECT_TRUE(port->sendData(big));  // a short write keeps the rest
    delegate->clear();
    EXPECT_FALSE(port->sendData({0xEE}));  // still full: refused, reported, kept
    ASSERT_EQ(delegate->errorCount(), 1u);
    EXPECT_EQ(delegate->errors()[0].code, EAGAIN);

    std::vector<uint8_t> expected = big;
    expected.push_back(0xEE);
    expected.push_back(0xEF);
    std::vector<uint8_t> received = drainMaster(pty.master());
    bool first = true;
    for (int round = 0; round < 1000 && received.size() < expected.size(); ++round) {
        port->sendData(first ? std::vector<uint8_t>{0xEF} : std::vector<uint8_t>{});
        first = false;
        const auto more = drainMaster(pty.master());
        received.insert(received.end(), more.begin(), more.end());
    }
    EXPECT_EQ(received, expected);

    // A tail left at close is discarded, not sent after the next open.
    EXPECT_TRUE(port->sendData(big));
    port->close();
    drainMaster(pty.master());
    ASSERT_TRUE(port->open());
    EXPECT_TRUE(port->sendData({}));
    EXPECT_TRUE(drainMaster(pty.master()).empty());
    port->close();
}

TEST(SerialWrites, AClosedPortNeverWritesToDescriptorZero) {
    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(port);
    int sink[2];
    ASSERT_EQ(::pipe2(sink, O_NONBLOCK), 0);
    UniqueFd savedStdin(::dup(0));
    ASSERT_EQ(::dup2(sink[1], 0), 0);

    const auto request = frame::make(1, frame::kInitGyro);
    port->sendDataWithLen(request.data(), static_cast<int>(request.size()));
    uint8_t buffer[8] = {0, 0, 0, 0, 1, frame::kReadVersion};
    port->ComSendData(buffer, 2);
    port->sendData(request);

    ::dup2(savedStdin.get(), 0);
    uint8_t leaked[64];
    EXPECT_LT(::read(sink[0], leaked, sizeof leaked), 0);  // empty pipe
    ::close(sink[0]);
    ::close(sink[1]);
}

TEST(SerialWrites, ReceiveDataIsForwardedToTheDelegateOnTheMainThread) {
    PtyPair pty;
    auto port = ULXSerialPort::serialPortWithPath(pty.slavePath());
    ASSERT_TRUE(port);
    auto delegate = std::make_shared<RecordingDelegate>(ULXSerialPortDelegate::kDidReceiveData);
    port->setDelegate(delegate);
    std::thread([&] { port->receiveData({1, 2, 3}); }).join();
    EXPECT_TRUE(delegate->events().empty());  // posted, not run yet
    ASSERT_TRUE(runMainUntil([&] { return !delegate->events().empty(); }));
    EXPECT_EQ(delegate->events(), std::vector<std::string>{"data:3"});
    EXPECT_TRUE(delegate->allOnMainThread());
}
