// The progress value and the board messages of the three ways an upgrade runs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "upgrade/UpgradeProgress.h"

namespace {

using upgrade::ProgressStep;

// Runs boards in order through f = 1..blocks+1 and lists what the bar and the
// log show: values as numbers, messages as text.
template <typename Step>
std::vector<std::string> run(const std::vector<std::pair<int, int>>& boardsAndBlocks, Step step) {
    std::vector<std::string> shown;
    for (auto [i, blocks] : boardsAndBlocks) {
        for (int f = 1; f <= blocks + 1; ++f) {
            const ProgressStep s = step(f, i);
            shown.push_back(std::to_string(s.value));
            if (s.boardMessage) shown.push_back(s.boardMessage);
            if (s.finished) shown.push_back("finished");
        }
    }
    return shown;
}

std::vector<std::string> values(int from, int to) {
    std::vector<std::string> v;
    for (int x = from; x <= to; ++x) v.push_back(std::to_string(x));
    return v;
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(UpgradeProgressTest, SingleImageToId3ThenReportsForId2AndId1) {
    const auto shown = run({{0, 10}, {1, 10}, {2, 10}},
                           [](int f, int i) { return upgrade::singleImageProgress(3, f, i, 30); });
    EXPECT_EQ(shown, join({values(1, 11),
                           {"-----ID3 Upgrade complete-----\n"},
                           values(12, 22),
                           {"-----ID2 Upgrade complete-----\n"},
                           values(23, 33),
                           {"-----ID1 Upgrade complete-----\n", "finished"}}));
}

TEST(UpgradeProgressTest, SingleImageToId2ThenReportsForId1) {
    const auto shown = run({{1, 10}, {2, 10}},
                           [](int f, int i) { return upgrade::singleImageProgress(2, f, i, 20); });
    EXPECT_EQ(shown, join({values(1, 11),
                           {"-----ID2 Upgrade complete-----\n"},
                           values(12, 22),
                           {"-----ID1 Upgrade complete-----\n", "finished"}}));
    // A stray board number never completes anything.
    EXPECT_EQ(upgrade::singleImageProgress(2, 11, 0, 20).boardMessage, nullptr);
    EXPECT_EQ(upgrade::singleImageProgress(3, 11, 5, 30).boardMessage, nullptr);
}

TEST(UpgradeProgressTest, SingleImageValueKeepsItsSinglePrecisionRounding) {
    // 7 / 23 in single precision scaled back by 69 lands just under 7: the bar
    // has always shown 6 there, and 7 for N = 10.
    EXPECT_EQ(upgrade::singleImageProgress(3, 7, 0, 66).value, 6);
    EXPECT_EQ(upgrade::singleImageProgress(3, 7, 0, 30).value, 7);
    // The largest image: 255 blocks, the last report of ID1.
    EXPECT_EQ(upgrade::singleImageProgress(3, 256, 2, 765).value, 768);
}

TEST(UpgradeProgressTest, ThreeImagesServedId3Id2Id1) {
    const int64_t blocks[4] = {0, 67, 2, 0};  // N1, N2, N3
    auto step = [&](int f, int i) { return upgrade::multiImageProgress(0x13, f, i, blocks); };
    const auto shown = run({{0, 0}, {1, 2}, {2, 67}}, step);
    EXPECT_EQ(shown, join({{"1", "-----ID3 Upgrade complete-----\n"},
                           {"2", "3", "4"},
                           {"-----ID2 Upgrade complete-----\n"},
                           values(5, 72),
                           {"-----ID1 Upgrade complete-----\n", "finished"}}));

    // 0x12 shifts ID1 by one, 0x11 by nothing, and 0x11 finishes after ID3.
    EXPECT_EQ(upgrade::multiImageProgress(0x12, 1, 2, blocks).value, 4);
    EXPECT_EQ(upgrade::multiImageProgress(0x11, 1, 2, blocks).value, 3);
    EXPECT_EQ(upgrade::multiImageProgress(0x11, 1, 1, blocks).value, 1);
    const ProgressStep id3Done = upgrade::multiImageProgress(0x11, 1, 0, blocks);
    EXPECT_STREQ(id3Done.boardMessage, "-----ID3 Upgrade complete-----\n");
    EXPECT_TRUE(id3Done.finished);
    EXPECT_FALSE(upgrade::multiImageProgress(0x12, 1, 0, blocks).finished);
    EXPECT_EQ(upgrade::multiImageProgress(0x13, 1, 7, blocks).boardMessage, nullptr);
}

}  // namespace
