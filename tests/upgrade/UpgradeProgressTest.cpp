// The progress value where the window cannot show it (past the bar's
// maximum) or where its arithmetic matters; whole sequences are checked end
// to end with the window.

#include <gtest/gtest.h>

#include "upgrade/UpgradeProgress.h"

namespace {

TEST(UpgradeProgressTest, SingleImageValueKeepsItsSinglePrecisionRounding) {
    // N = 10: the reports for ID1 run to 33 against a maximum of 30.
    EXPECT_EQ(upgrade::singleImageProgress(3, 11, 2, 30).value, 33);
    EXPECT_TRUE(upgrade::singleImageProgress(3, 11, 2, 30).finished);
    EXPECT_EQ(upgrade::singleImageProgress(2, 11, 2, 20).value, 22);
    // 7 / 23 in single precision scaled back by 69 lands just under 7: the bar
    // shows 6 there, and 7 for N = 10.
    EXPECT_EQ(upgrade::singleImageProgress(3, 7, 0, 66).value, 6);
    EXPECT_EQ(upgrade::singleImageProgress(3, 7, 0, 30).value, 7);
    EXPECT_EQ(upgrade::singleImageProgress(3, 256, 2, 765).value, 768);  // 255 blocks
    // A board number outside the file's boards completes nothing.
    EXPECT_EQ(upgrade::singleImageProgress(2, 11, 0, 20).boardMessage, nullptr);
    EXPECT_EQ(upgrade::singleImageProgress(3, 11, 5, 30).boardMessage, nullptr);
}

TEST(UpgradeProgressTest, ThreeImageOffsetsAndEndDependOnTheKind) {
    const int64_t blocks[4] = {0, 67, 2, 0};  // N1, N2, N3
    EXPECT_EQ(upgrade::multiImageProgress(0x13, 68, 2, blocks).value, 72);
    EXPECT_EQ(upgrade::multiImageProgress(0x12, 1, 2, blocks).value, 4);
    EXPECT_EQ(upgrade::multiImageProgress(0x11, 1, 2, blocks).value, 3);
    EXPECT_EQ(upgrade::multiImageProgress(0x11, 1, 1, blocks).value, 1);
    EXPECT_TRUE(upgrade::multiImageProgress(0x11, 1, 0, blocks).finished);
    EXPECT_FALSE(upgrade::multiImageProgress(0x12, 1, 0, blocks).finished);
    EXPECT_EQ(upgrade::multiImageProgress(0x13, 1, 7, blocks).boardMessage, nullptr);
}

}  // namespace
