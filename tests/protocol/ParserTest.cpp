// The receive parser and reply decoder, fed the way the port's reader feeds
// them: chunks of bytes with their count.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "protocol/Frame.h"
#include "protocol/ParserState.h"
#include "serial/ULXSerialPort.h"
#include "tests/support/PtyPair.h"

using Bytes = std::vector<uint8_t>;

namespace {

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes accReply(uint8_t mode) {
    return frame::make(1, 0x41, {mode, 0xE8, 0x03, 0xF6, 0xFF, 0x00, 0x00});
}

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        protocolParserState().reset();
        port = ULXSerialPort::serialPortWithDevice(
            SerialDevice::forNode("/dev/parser-test"));
        ASSERT_TRUE(port);
        port->m_MessageShow_Flag = 255;
    }
    void feed(const Bytes& bytes) { port->MAIN_USART_PLOV_PROTOCOL_RUN(bytes.data(), bytes.size()); }
    int code() const { return port->m_MessageShow_Flag; }
    std::vector<int> values() const {
        return {port->m_Recv_Data_0, port->m_Recv_Data_1, port->m_Recv_Data_2, port->m_Recv_Data_3};
    }

    std::shared_ptr<ULXSerialPort> port;
};

TEST_F(ParserTest, RepeatedStartByteKeepsWaitingForTheSecond) {
    feed({0x00, 0xAA, 0xAA, 0x55, 0x06, 0x00, 0x01, 0x42, 0x49, 0xFF});
    EXPECT_EQ(code(), 5);
}

TEST_F(ParserTest, DecodesAccelerometerRepliesByMode) {
    feed(accReply(1));
    EXPECT_EQ(code(), 10);
    EXPECT_EQ(values(), (std::vector<int>{1000, -10, 0, 0}));
    port->m_MessageShow_Flag = 255;
    feed(accReply(0));
    EXPECT_EQ(code(), 3);
    EXPECT_EQ(values(), (std::vector<int>{1000, -10, 0, 0}));
}

TEST_F(ParserTest, DecodesEveryReplyOfTheTable) {
    feed(frame::make(3, 0x34, {0x05, 0x01, 0x0A, 0x02}));
    EXPECT_EQ(code(), 9);
    EXPECT_EQ(values(), (std::vector<int>{5, 1, 10, 2}));
    feed(frame::make(3, 0x34, {0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(values(), (std::vector<int>{255, 255, 255, 255}));  // bytes are unsigned

    feed(frame::make(1, 0x40, {0x0A, 0x00, 0xF6, 0xFF, 0x00, 0x80}));
    EXPECT_EQ(code(), 1);
    EXPECT_EQ(values(), (std::vector<int>{10, -10, -32768, 255}));  // value 3 untouched

    const std::pair<uint8_t, int> joystick[] = {{0x36, 11}, {0x37, 12}, {0x39, 13}, {0x3A, 14}};
    for (auto [command, expected] : joystick) {
        feed(frame::make(3, command, {0x2C, 0x01}));
        EXPECT_EQ(code(), expected);
        EXPECT_EQ(port->m_Recv_Data_0, 300);
    }
    feed(frame::make(3, 0x38, {0xD0, 0x07, 0xDA, 0x07}));
    EXPECT_EQ(code(), 15);
    EXPECT_EQ(port->m_Recv_Data_0, 2000);
    EXPECT_EQ(port->m_Recv_Data_1, 2010);

    feed(frame::make(0, 0xF1));
    EXPECT_EQ(code(), 7);
}

TEST_F(ParserTest, IgnoresUnknownCommandsAndTheJoystickSaveRequest) {
    feed(frame::make(3, 0xF4));
    feed(frame::make(1, 0x77, {1, 2, 3, 4}));
    EXPECT_EQ(code(), 255);
}

TEST_F(ParserTest, DropsBadEndByteAndBadChecksumSilentlyAndGoesOn) {
    Bytes badEnd = frame::make(1, 0x42);
    badEnd.back() = 0xFE;
    Bytes badSum = frame::make(1, 0x42);
    badSum[badSum.size() - 2] ^= 0x10;
    feed(join({badEnd, frame::make(0, 0xF1)}));
    EXPECT_EQ(code(), 7);
    port->m_MessageShow_Flag = 255;
    feed(badSum);
    EXPECT_EQ(code(), 255);
    // A good frame right after a bad checksum in the same read is not lost.
    feed(join({badSum, frame::make(1, 0x42)}));
    EXPECT_EQ(code(), 5);
    // The checksum check itself ignores the end byte.
    Bytes good = frame::make(1, 0x40, {1, 2, 3});
    EXPECT_TRUE(port->USART_PLOV_PROTOCOL_CHECKSUM(good.data()));
    EXPECT_FALSE(port->USART_PLOV_PROTOCOL_CHECKSUM(badSum.data()));
    good.back() = 0xFE;
    EXPECT_TRUE(port->USART_PLOV_PROTOCOL_CHECKSUM(good.data()));
}

// Line noise that looks like a frame start with a plausible length (1210)
// must not swallow the reply behind it: the false frame is dropped when its
// end byte fails or when the line falls quiet, and its bytes are examined again.
TEST_F(ParserTest, FalseStartDoesNotSwallowTheReplyBehindIt) {
    const Bytes falseStart = {0xAA, 0x55, 0xBA, 0x04, 0x13};
    const Bytes reply = frame::make(1, 0x40, {1, 0, 2, 0, 3, 0});
    const Bytes noise(1300, 0x00);  // completes the false frame with a bad end byte
    const auto expectDecodedOnce = [&](const char* how) {
        EXPECT_EQ(code(), 1) << how;
        EXPECT_EQ(values()[2], 3) << how;
        port->m_MessageShow_Flag = 255;
        feed(noise);
        port->MAIN_USART_PLOV_PROTOCOL_QUIET();
        EXPECT_EQ(code(), 255) << how << ": decoded twice";
    };

    feed(join({falseStart, reply, noise}));
    expectDecodedOnce("in one read");

    feed(falseStart);
    feed(reply);
    EXPECT_EQ(code(), 255);
    feed(noise);
    expectDecodedOnce("across reads");

    feed(join({falseStart, reply}));
    EXPECT_EQ(code(), 255);
    port->MAIN_USART_PLOV_PROTOCOL_QUIET();
    expectDecodedOnce("line falling quiet");

    // A false start inside a false start: each is re-examined in turn.
    feed(join({{0xAA, 0x55, 0x20, 0x03}, falseStart, reply}));
    port->MAIN_USART_PLOV_PROTOCOL_QUIET();
    expectDecodedOnce("nested");
}

TEST_F(ParserTest, DecodesEveryFrameOfABurstInOrder) {
    // Gyro values, then a reset: both decoded, the reset's code is the last.
    feed(join({frame::make(1, 0x40, {1, 0, 2, 0, 3, 0}), frame::make(1, 0x42)}));
    EXPECT_EQ(code(), 5);
    EXPECT_EQ(values()[0], 1);
    EXPECT_EQ(values()[2], 3);
    // Frames beyond the first fifty bytes of a read are decoded too.
    Bytes noise(60, 0x00);
    feed(join({noise, accReply(1)}));
    EXPECT_EQ(code(), 10);
}

TEST_F(ParserTest, CompletesAFrameSplitAcrossReadsAtEveryPosition) {
    const Bytes reply = accReply(1);
    for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
        port->m_MessageShow_Flag = 255;
        port->m_Recv_Data_0 = 0;
        feed(Bytes(reply.begin(), reply.begin() + static_cast<long>(cut)));
        feed(Bytes(reply.begin() + static_cast<long>(cut), reply.end()));
        EXPECT_EQ(code(), 10) << "cut at " << cut;
        EXPECT_EQ(port->m_Recv_Data_0, 1000) << "cut at " << cut;
    }
    // One byte at a time.
    port->m_MessageShow_Flag = 255;
    for (uint8_t b : frame::make(3, 0x34, {1, 2, 3, 4})) feed({b});
    EXPECT_EQ(code(), 9);
}

TEST_F(ParserTest, DropsImpossibleLengthsAtOnceWithoutOverrunningTheBuffer) {
    const std::pair<uint8_t, uint8_t> lengths[] = {{0x00, 0x00}, {0x01, 0x00}, {0x02, 0x00},
                                                   {0x33, 0x08}, {0xFF, 0xFF}};
    for (auto [lo, hi] : lengths) {
        port->m_MessageShow_Flag = 255;
        // The bad header, some bytes that would be stored, then a good frame.
        Bytes stream = {0xAA, 0x55, lo, hi, 0x01, 0x02, 0x03};
        Bytes good = frame::make(1, 0x42);
        stream.insert(stream.end(), good.begin(), good.end());
        feed(stream);
        EXPECT_EQ(code(), 5) << "length " << (hi * 256 + lo);
        EXPECT_EQ(protocolParserState().USART1_RX_PLOV_PROTOCOL_HEAD_FLAG, 0);
    }
    // The largest length that fits is still collected.
    Bytes big(2098 - 6, 0x00);
    feed(frame::make(1, 0x77, big));
    EXPECT_EQ(protocolParserState().USART1_RX_PLOV_PROTOCOL_HEAD_FLAG, 0);
}

TEST_F(ParserTest, IgnoresRepliesShorterThanTheFieldsTheirCommandReads) {
    port->m_Recv_Data_0 = 42;
    feed(frame::make(1, 0x40, {0x05, 0x00}));          // one value of three
    feed(frame::make(1, 0x41, {0x01, 0x05, 0x00}));    // mode and one value
    feed(frame::make(3, 0x34, {0x01, 0x02, 0x03}));    // three bytes of four
    feed(frame::make(3, 0x36, {0x01}));                // half a value
    feed(frame::make(3, 0x38, {0x01, 0x00}));          // one value of two
    EXPECT_EQ(code(), 255);
    EXPECT_EQ(port->m_Recv_Data_0, 42);
}

TEST_F(ParserTest, CollectsFramesFromRealPseudoTerminalReads) {
    PtyPair pty;
    const int slave = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    const Bytes burst = join({frame::make(1, 0x40, {7, 0, 8, 0, 9, 0}), accReply(1)});
    // Written in three pieces that cut both frames.
    std::thread writer([&] {
        pty.writeMaster(burst.data(), 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pty.writeMaster(burst.data() + 5, 12);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pty.writeMaster(burst.data() + 17, burst.size() - 17);
    });
    std::size_t total = 0;
    int reads = 0;
    uint8_t chunk[1024];
    while (total < burst.size()) {
        const ssize_t n = ::read(slave, chunk, sizeof chunk);
        ASSERT_GT(n, 0);
        total += static_cast<std::size_t>(n);
        ++reads;
        port->MAIN_USART_PLOV_PROTOCOL_RUN(chunk, static_cast<std::size_t>(n));
        if (reads == 1) {
            EXPECT_EQ(code(), 255);
        }
    }
    writer.join();
    ::close(slave);
    EXPECT_GE(reads, 2);
    EXPECT_EQ(code(), 10);
    EXPECT_EQ(values(), (std::vector<int>{1000, -10, 0, 0}));
}

}  // namespace
