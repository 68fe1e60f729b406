// The data path over pseudo-terminals: received bytes reach the parser with
// their count, frames go out whole, buffered writes keep their tail, and a
// closed port writes nothing anywhere.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <thread>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/support/PtyPair.h"

using namespace std::chrono_literals;

namespace {

std::vector<uint8_t> gyroReply(uint8_t x, uint8_t y, uint8_t z) {
    return frame::make(1, frame::kInitGyro, {x, 0, y, 0, z, 0});
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

}  // namespace

TEST(SerialData, ReceivedBytesReachTheParserWithTheirCountAndFramesGoOutWhole) {
    protocolParserState().reset();
    GimbalSimulator gimbal;
    auto port = ULXSerialPort::serialPortWithPath(gimbal.slavePath());
    ASSERT_TRUE(port);
    port->m_MessageShow_Flag = 0;  // the object of an earlier test may live on
    ASSERT_TRUE(port->open());
    const auto flagBecomes = [&](uint8_t value) {
        return runMainUntil([&] { return port->m_MessageShow_Flag == value; });
    };

    const auto reply = gyroReply(10, 20, 30);
    gimbal.send(reply);
    ASSERT_TRUE(flagBecomes(1));
    EXPECT_EQ(port->m_Recv_Data_2, 30);
    // One byte only: handing over the whole read buffer would re-parse the
    // previous reply's stale bytes behind it and decode it a second time.
    port->m_MessageShow_Flag = 0;
    gimbal.send({reply[0]});
    runMainFor(150ms);
    EXPECT_EQ(port->m_MessageShow_Flag, 0);
    gimbal.send(std::vector<uint8_t>(reply.begin() + 1, reply.end()));
    ASSERT_TRUE(flagBecomes(1));
    gimbal.sendBurst({{0x00, 0xAA, 0x13}, gyroReply(1, 2, 3), gyroReply(7, 8, 9)});
    EXPECT_TRUE(runMainUntil([&] { return port->m_Recv_Data_2 == 9; }));

    gimbal.clearReceived();
    port->m_MessageShow_Flag = 0;
    uint8_t empty[6] = {};
    port->ComSendData(empty, 0);
    uint8_t version[8] = {0, 0, 0, 0, 1, frame::kReadVersion};
    port->ComSendData(version, 2);
    const auto gyro = frame::make(1, frame::kInitGyro);
    EXPECT_TRUE(port->sendDataWithLen(gyro.data(), -1));  // nonsense lengths write nothing
    port->ComSendData(version, -6);
    EXPECT_TRUE(port->sendDataWithLen(gyro.data(), static_cast<int>(gyro.size())));
    ASSERT_TRUE(flagBecomes(1));  // answered after the version reply
    EXPECT_EQ(gimbal.bytesReceived(),
              (std::vector<uint8_t>{0xAA, 0x55, 0x04, 0x00, 0x04, 0xFF,              //
                                    0xAA, 0x55, 0x06, 0x00, 0x01, 0x34, 0x3B, 0xFF,  //
                                    0xAA, 0x55, 0x06, 0x00, 0x01, 0x40, 0x47, 0xFF}));
    port->close();
}

TEST(SerialData, BufferedWritesKeepTheUnwrittenTailUntilSentOrClosed) {
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
    // The kernel moves some output on in the background; once it is full too,
    // a write is refused and reported, and the buffer keeps every byte.
    bool refused = false;
    for (int i = 0; i < 200 && !refused; ++i) {
        refused = !port->sendData({});
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(delegate->recorded(), std::vector<std::string>{"error:" + std::to_string(EAGAIN)});

    std::vector<uint8_t> expected = big;
    expected.push_back(0xEF);
    std::vector<uint8_t> received = drainMaster(pty.master());
    for (int round = 0; round < 1000 && received.size() < expected.size(); ++round) {
        port->sendData(round == 0 ? std::vector<uint8_t>{0xEF} : std::vector<uint8_t>{});
        const auto more = drainMaster(pty.master());
        received.insert(received.end(), more.begin(), more.end());
    }
    EXPECT_EQ(received, expected);

    EXPECT_TRUE(port->sendData(big));
    port->close();  // the tail is discarded, not sent after the next open
    drainMaster(pty.master());
    ASSERT_TRUE(port->open());
    EXPECT_TRUE(port->sendData({}));
    EXPECT_TRUE(drainMaster(pty.master()).empty());
    port->close();
}

TEST(SerialData, AClosedPortNeverWritesToDescriptorZero) {
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
    EXPECT_LT(::read(sink[0], leaked, sizeof leaked), 0);  // the pipe stayed empty
    ::close(sink[0]);
    ::close(sink[1]);
}
