#pragma once
// The progress of an upgrade as the supervision shows it, from the block
// number f (the port's fnum: blocks of the current board dealt with, the
// end-of-image frame included) and the board i (the port's IDNum: 0 ID3,
// 1 ID2, 2 ID1).

#include <cstdint>

#include "translations/Marked.h"

namespace upgrade {

struct ProgressStep {
    int value = 0;                       // for the progress bar
    const char* boardMessage = nullptr;  // "-----IDk Upgrade complete-----\n" or none
    bool finished = false;               // the last board is done
};

inline constexpr const char* kUpgradeCompleteMessage = N_("-----Firmware upgrade complete-----\n");

// A single image sent to one board and reported for the boards after it:
// `boards` is 3 (update_range 3: ID3, ID2, ID1) or 2 (update_range 2: ID2,
// ID1); maxProgress is boards x N for an image of N blocks. The value is
// computed in single precision exactly as the bar has always shown it.
ProgressStep singleImageProgress(int boards, int f, int i, int maxProgress);

// Three images served in the order ID3, ID2, ID1; blocks[k] is the block
// count of the image for IDk (k = 1..3).
ProgressStep multiImageProgress(int8_t updateRange, int f, int i, const int64_t blocks[4]);

}  // namespace upgrade
