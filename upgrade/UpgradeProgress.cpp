#include "upgrade/UpgradeProgress.h"

#include "translations/Marked.h"

namespace upgrade {
namespace {

const char* boardCompleteMessage(int i) {
    switch (i) {
        case 0:
            return N_("-----ID3 Upgrade complete-----\n");
        case 1:
            return N_("-----ID2 Upgrade complete-----\n");
        case 2:
            return N_("-----ID1 Upgrade complete-----\n");
        default:
            return nullptr;
    }
}

}  // namespace

ProgressStep singleImageProgress(int boards, int f, int i, int maxProgress) {
    // f / (N + 1) / boards x (M + boards) + (i - first board) / boards x (M + boards):
    // a single-precision quotient, each term rounded to single precision, and
    // their single-precision sum truncated toward zero (about f + (i - first) x (N + 1)).
    const int firstBoard = 3 - boards;      // IDNum of the board the image is sent to
    const int span = maxProgress + boards;  // (N + 1) x boards
    const int perBoard = span / boards;     // N + 1
    const float quotient = static_cast<float>(f) / static_cast<float>(perBoard);
    const auto blockTerm = static_cast<float>(static_cast<double>(quotient) / boards * span);
    const auto boardTerm = static_cast<float>(static_cast<double>(i - firstBoard) / boards * span);
    const float sum = blockTerm + boardTerm;

    ProgressStep step;
    step.value = static_cast<int>(sum);
    if (f == perBoard && i >= firstBoard) {
        step.boardMessage = boardCompleteMessage(i);
        step.finished = (i == 2);
    }
    return step;
}

ProgressStep multiImageProgress(int8_t updateRange, int f, int i, const int64_t blocks[4]) {
    const int64_t n3 = blocks[3], n2 = blocks[2], n1 = blocks[1];
    int64_t offset = 0;
    int64_t boardBlocks = -2;  // f never reaches -1: "never done"
    switch (i) {
        case 0:
            boardBlocks = n3;
            break;
        case 1:
            offset = n3 + (updateRange == 0x13 ? 1 : 0);
            boardBlocks = n2;
            break;
        case 2:
            offset = n3 + n2 + (updateRange == 0x13 ? 2 : 0) + (updateRange == 0x12 ? 1 : 0);
            boardBlocks = n1;
            break;
        default:
            break;
    }

    ProgressStep step;
    step.value = static_cast<int>(f + offset);
    if (f == boardBlocks + 1) {
        step.boardMessage = boardCompleteMessage(i);
        step.finished = (i == 2) || (i == 0 && updateRange == 0x11);
    }
    return step;
}

}  // namespace upgrade
