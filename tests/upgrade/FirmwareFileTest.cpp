// Loading firmware files: kind from name and marker, versions, block counts,
// and the files that must leave no usable file behind.

#include <gtest/gtest.h>

#include <clocale>

#include "tests/upgrade/FirmwareFiles.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/FirmwareVariables.h"

namespace {

using Bytes = std::vector<uint8_t>;
const std::string kIllegal = firmware::kIllegalFileMessage;

class FirmwareFileTest : public ::testing::Test {
protected:
    void SetUp() override { firmwareVariables().reset(); }

    firmware::LoadResult load(const std::string& name, const Bytes& content) {
        return firmware::load(dir.write(name, content));
    }
    // Loads a good file first, so a refusal has something to wipe out.
    void loadGoodFile() {
        ASSERT_TRUE(load("good.plov", singleImageFile(imageBytes(3000, 1), 0, 0)).usable);
        ASSERT_NE(firmwareVariables().iFileLength, 0);
    }
    static void expectNoUsableFile() {
        const FirmwareVariables& v = firmwareVariables();
        EXPECT_EQ(v.iFileLength, 0);
        EXPECT_EQ(v.update_range, 0);
        EXPECT_TRUE(v.FileBuffer.empty());
        EXPECT_EQ(v.Blocknum + v.LastBlock, 0);
    }

    TempDir dir;
};

TEST_F(FirmwareFileTest, KindFollowsNameAndMarker) {
    struct Case {
        const char* name;
        uint8_t low, high;
        int8_t expected;  // 0: refused
    } cases[] = {
        {"fw.plov", 0xFF, 0x12, 2},  {"fw.plov", 0x00, 0x00, 3},  {"fw.plov", 0xFF, 0x10, 3},
        {"fw.plov", 0x02, 0x20, 3},  {"fw.1plov", 0xFF, 0x12, 0}, {"fw.2plov", 0xFF, 0x10, 3},
        {"fw.PLOV", 0xFF, 0x10, 3},  {"fw.PLOV", 0x00, 0x00, 0},  {"fw.plov2", 0x00, 0x00, 0},
        {"fw.3plov", 0x04, 0x20, 0}, {"fw.3plov", 0x00, 0x20, 0}, {"plov", 0x00, 0x00, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " marker " + std::to_string(c.low) + " " +
                     std::to_string(c.high));
        const Bytes file = singleImageFile(imageBytes(100, 2), c.low, c.high);
        const auto result = load(c.name, file);
        EXPECT_EQ(firmwareVariables().update_range, c.expected);
        EXPECT_EQ(result.usable, c.expected != 0);
        if (c.expected == 0) {
            EXPECT_EQ(result.messages, std::vector<std::string>{kIllegal});
        } else {
            EXPECT_EQ(firmwareVariables().iFileLength, 100);
            EXPECT_EQ(firmwareVariables().FileBuffer, file);
        }
    }
}

TEST_F(FirmwareFileTest, ThreeImageMarkersSelectTheLastBoardAndUseThe32ByteTrailer) {
    const Bytes a = imageBytes(1500, 1), b = imageBytes(20, 2), c = imageBytes(3000, 3);
    for (uint8_t which : {1, 2, 3}) {
        const auto result = load("fw.2plov", multiImageFile(a, b, c, which));
        ASSERT_TRUE(result.usable);
        const FirmwareVariables& v = firmwareVariables();
        EXPECT_EQ(v.update_range, 0x10 + which);
        EXPECT_EQ(v.iFileLength, 1500 + 20 + 3000);
        EXPECT_EQ(v.iFileLength_id[1], 1500);
        EXPECT_EQ(v.iFileLength_id[2], 20);
        EXPECT_EQ(v.iFileLength_id[3], 3000);
        EXPECT_EQ(result.maxProgress, 2 + 1 + 3);
    }
}

TEST_F(FirmwareFileTest, VersionsAreSignedBytesShownWithThreeDecimals) {
    auto r = load("fw.plov", singleImageFile(imageBytes(10, 1), 0xFF, 0x12, {1, 5, 2, 10}));
    EXPECT_EQ(firmwareVariables().update_range, 2);
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"\r\nHardware Ver.:1.005   \r\nFirmware Ver.:2.010"});

    r = load("fw.plov", singleImageFile(imageBytes(10, 1), 0, 0, {1, 0xC8, 0xFE, 0}));
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"\r\nHardware Ver.:0.944   \r\nFirmware Ver.:-2.000"});

    // Three images: the versions sit at the end of the 32-byte trailer.
    r = load("fw.1plov", multiImageFile(imageBytes(5, 1), {}, {}, 3, {3, 7, 4, 200}));
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"\r\nHardware Ver.:3.007   \r\nFirmware Ver.:3.944"});

    // The desktop's language does not reach the text (the window sets the
    // process locale from the environment).
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "the de_DE.UTF-8 locale is missing: run scripts/setup-deps.sh";
    r = load("fw.plov", singleImageFile(imageBytes(10, 1), 0xFF, 0x12, {1, 5, 2, 10}));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"\r\nHardware Ver.:1.005   \r\nFirmware Ver.:2.010"});
}

TEST_F(FirmwareFileTest, WrongMakerWordIsReportedButTheFileStaysLoadable) {
    const auto r = load("fw.plov", singleImageFile(imageBytes(10000, 1), 0, 0, {}, "tuvic"));
    EXPECT_TRUE(r.usable);
    EXPECT_EQ(r.messages, std::vector<std::string>{kIllegal});  // instead of the versions
    EXPECT_EQ(firmwareVariables().iFileLength, 10000);
    EXPECT_EQ(r.maxProgress, 30);
}

TEST_F(FirmwareFileTest, SingleImageBlockCounts) {
    struct Case {
        std::size_t size;
        int64_t full, last;
    } cases[] = {{2112, 2, 0}, {2113, 2, 1}, {100, 0, 1}, {10000, 9, 1}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        auto r = load("fw.plov", singleImageFile(imageBytes(c.size, 1), 0, 0));
        EXPECT_EQ(firmwareVariables().Blocknum, c.full);
        EXPECT_EQ(firmwareVariables().LastBlock, c.last);
        EXPECT_EQ(r.maxProgress, (c.full + c.last) * 3);
        r = load("fw.plov", singleImageFile(imageBytes(c.size, 1), 0xFF, 0x12));
        EXPECT_EQ(r.maxProgress, (c.full + c.last) * 2);
    }
    // A file of exactly its trailer loads, with an empty image area.
    EXPECT_EQ(firmwareVariables().iFileLength, 0);
}

TEST_F(FirmwareFileTest, ThreeImageLengthsAreLittleEndianAndCountedPerImage) {
    // 70,000 = 70 11 01 00, whichever image it describes.
    const auto big = imageBytes(70000, 1), two = imageBytes(2112, 2);
    load("fw.3plov", multiImageFile(big, two, {}, 3));
    const FirmwareVariables& v = firmwareVariables();
    EXPECT_EQ(v.Blocknum_id[1], 66);
    EXPECT_EQ(v.LastBlock_id[1], 1);
    EXPECT_EQ(v.Blocknum_id[2], 2);
    EXPECT_EQ(v.LastBlock_id[2], 0);
    EXPECT_EQ(v.Blocknum_id[3] + v.LastBlock_id[3], 0);
    EXPECT_EQ(firmware::load(dir.path() + "/fw.3plov").maxProgress, 69);
    const std::size_t lengths = v.FileBuffer.size() - 24;
    EXPECT_EQ(Bytes(v.FileBuffer.begin() + lengths, v.FileBuffer.begin() + lengths + 4),
              (Bytes{0x70, 0x11, 0x01, 0x00}));

    load("fw.3plov", multiImageFile({}, two, big, 1));
    EXPECT_EQ(v.iFileLength_id[3], 70000);
    EXPECT_EQ(v.Blocknum_id[3] + v.LastBlock_id[3], 67);
}

TEST_F(FirmwareFileTest, FilesThatCannotBeSentSafelyLeaveNoUsableFile) {
    const Bytes area = imageBytes(4000, 1);
    const Bytes maxImage = imageBytes(255 * 1056, 2);
    struct Case {
        const char* what;
        std::string name;
        Bytes content;
    } cases[] = {
        {"unknown marker", "fw.1plov", singleImageFile(area, 0xFF, 0x12)},
        {"shorter than the marker", "fw.plov", Bytes{0xFF, 0x12, 1, 2, 3}},
        {"empty", "fw.plov", Bytes{}},
        {"shorter than its trailer", "fw.plov", Bytes{'t', 'u', 'v', 'i', 'k', 0, 0, 1, 2, 3}},
        {"three-image marker, 20 bytes", "fw.1plov",
         Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x20, 1, 1, 1, 1}},
        {"lengths beyond the image area", "fw.1plov",
         multiImageFileWithLengths(area, 2000, 1500, 501, 3)},
        {"length near 4 GiB", "fw.1plov", multiImageFileWithLengths(area, 0xFFFFFFFF, 0, 0, 1)},
        {"single image of 256 blocks", "fw.plov",
         singleImageFile(imageBytes(255 * 1056 + 1, 3), 0, 0)},
        {"one of three images of 256 blocks", "fw.1plov",
         multiImageFile(imageBytes(10, 1), imageBytes(255 * 1056 + 1, 2), {}, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loadGoodFile();
        const auto r = load(c.name, c.content);
        EXPECT_FALSE(r.usable);
        EXPECT_EQ(r.messages, std::vector<std::string>{kIllegal});
        expectNoUsableFile();
    }

    SCOPED_TRACE("unreadable");
    loadGoodFile();
    EXPECT_EQ(firmware::load(dir.path() + "/missing.plov").messages,
              std::vector<std::string>{kIllegal});
    expectNoUsableFile();
    loadGoodFile();
    EXPECT_FALSE(firmware::load(dir.path()).usable);  // a directory
    expectNoUsableFile();

    // The largest image that still fits the one-byte block numbers loads.
    EXPECT_TRUE(load("max.plov", singleImageFile(maxImage, 0, 0)).usable);
    EXPECT_EQ(firmwareVariables().Blocknum, 255);
}

}  // namespace
