// Frame building, checksums included, against the protocol's worked examples.

#include <gtest/gtest.h>

#include "protocol/Frame.h"

using Bytes = std::vector<uint8_t>;

TEST(FrameBuilder, BuildsTheWorkedExamplesByteForByte) {
    EXPECT_EQ(frame::make(1, 0x40), (Bytes{0xAA, 0x55, 0x06, 0x00, 0x01, 0x40, 0x47, 0xFF}));
    EXPECT_EQ(frame::make(1, 0x41, {0x01}),
              (Bytes{0xAA, 0x55, 0x07, 0x00, 0x01, 0x41, 0x01, 0x4A, 0xFF}));
    EXPECT_EQ(frame::make(0, 0xF1), (Bytes{0xAA, 0x55, 0x06, 0x00, 0x00, 0xF1, 0xF7, 0xFF}));
    EXPECT_EQ(frame::make(3, 0x34), (Bytes{0xAA, 0x55, 0x06, 0x00, 0x03, 0x34, 0x3D, 0xFF}));
}

TEST(FrameBuilder, ChecksumWrapsModulo256AndBytesAreNeverEscaped) {
    // 0x07 + 0x00 + 0x03 + 0xF4 + 0xFB = 0x1F9: sent as 0xF9.
    Bytes f = frame::make(3, 0xF4, {0xFB});
    EXPECT_EQ(f.size(), 9u);
    EXPECT_EQ(f[7], 0xF9);
    // Payload bytes equal to the start and end bytes go out as they are.
    f = frame::make(2, 0x36, {0xAA, 0x55, 0xFF});
    EXPECT_EQ(f.size(), 11u);
    EXPECT_EQ((Bytes{f.begin() + 6, f.begin() + 9}), (Bytes{0xAA, 0x55, 0xFF}));
}

TEST(FrameBuilder, CompletesFramesPlacedAtOffsetFour) {
    // Only the length, start and end bytes: n = 0 gives AA 55 04 00 04 FF.
    uint8_t empty[6] = {};
    EXPECT_EQ(frame::completeFrame(empty, 0), 6u);
    EXPECT_EQ((Bytes{empty, empty + 6}), (Bytes{0xAA, 0x55, 0x04, 0x00, 0x04, 0xFF}));
    // Id, command and a 3-byte block header: an 11-byte frame with L = 9,
    // the end-of-image frame for ID3 of a 10-block image.
    uint8_t header[11] = {0, 0, 0, 0, 0x03, 0xE3, 0x0A, 0x00, 0x00};
    EXPECT_EQ(frame::completeFrame(header, 5), 11u);
    EXPECT_EQ((Bytes{header, header + 11}),
              (Bytes{0xAA, 0x55, 0x09, 0x00, 0x03, 0xE3, 0x0A, 0x00, 0x00, 0xF9, 0xFF}));
}
