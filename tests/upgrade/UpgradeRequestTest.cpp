// The upgrade request frame in its two forms, built from a loaded file.

#include <gtest/gtest.h>

#include "protocol/Frame.h"
#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"
#include "upgrade/UpgradeRequest.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes requestFrame() {
    uint8_t buffer[upgrade::kRequestBufferSize] = {};
    const int n = upgrade::fillUpgradeRequest(firmwareVariables(), buffer);
    const std::size_t size = frame::completeFrame(buffer, static_cast<std::size_t>(n));
    return Bytes(buffer, buffer + size);
}

TEST(UpgradeRequestTest, CarriesKindTrailerBytesAndBlockCounts) {
    TempDir dir;
    firmware::load(
        dir.write("fw.plov", singleImageFile(imageBytes(10 * 1056, 1), 0, 0, {1, 5, 2, 10})));
    EXPECT_EQ(requestFrame(), (Bytes{0xAA, 0x55, 0x0C, 0x00, 0x00, 0xE0, 0x03, 0x01, 0x05, 0x02,
                                     0x0A, 0x0A, 0x0B, 0xFF}));

    // Three images: the bytes at trailer offsets 12..15 are the ID2 length,
    // then the block counts of ID1, ID2, ID3.
    firmware::load(
        dir.write("fw.3plov", multiImageFile(imageBytes(70000, 1), imageBytes(2112, 2), {}, 3)));
    EXPECT_EQ(requestFrame(), (Bytes{0xAA, 0x55, 0x0E, 0x00, 0x00, 0xE0, 0x13, 0x40, 0x08, 0x00,
                                     0x00, 0x43, 0x02, 0x00, 0x8E, 0xFF}));

    // 255 blocks still fit the count byte.
    firmware::load(dir.write("max.plov", singleImageFile(imageBytes(255 * 1056, 1), 0xFF, 0x12)));
    EXPECT_EQ(requestFrame()[11], 255);
    EXPECT_EQ(requestFrame()[6], 2);
}

}  // namespace
